#pragma once

#include "common/platform/SharedLibrary.h"

#include <QString>

#include <zip.h>

#include <memory>

// libzip is opened when an archive is first written or read, not linked: it brings the crypto library with it,
// megabytes that every start of the program would map and relocate for Backup and Restore, which are seldom used.
// Only its headers are compiled in, for the types and constants.

// Every libzip function the archive code calls.
#define SCRIBBET_LIBZIP_FUNCTIONS(F)                                                                                   \
    F(zip_close)                                                                                                       \
    F(zip_discard)                                                                                                     \
    F(zip_error_fini)                                                                                                  \
    F(zip_error_init)                                                                                                  \
    F(zip_error_set)                                                                                                   \
    F(zip_error_strerror)                                                                                              \
    F(zip_error_to_data)                                                                                               \
    F(zip_fclose)                                                                                                      \
    F(zip_file_add)                                                                                                    \
    F(zip_file_get_external_attributes)                                                                                \
    F(zip_file_set_external_attributes)                                                                                \
    F(zip_file_strerror)                                                                                               \
    F(zip_fopen_index)                                                                                                 \
    F(zip_fread)                                                                                                       \
    F(zip_get_num_entries)                                                                                             \
    F(zip_open_from_source)                                                                                            \
    F(zip_source_free)                                                                                                 \
    F(zip_source_function)                                                                                             \
    F(zip_source_function_create)                                                                                      \
    F(zip_source_make_command_bitmap)                                                                                  \
    F(zip_source_seek_compute_offset)                                                                                  \
    F(zip_stat_index)                                                                                                  \
    F(zip_stat_init)                                                                                                   \
    F(zip_strerror)

// The functions of one opened copy of libzip, each typed as its header declares it.
class LibZip {
public:
    // Opens the library with this file name and finds every function; nullptr when the library or one of its
    // functions is missing, with the reason in error.
    static std::unique_ptr<LibZip> load(const char* fileName, QString* error = nullptr);

#define SCRIBBET_LIBZIP_MEMBER(name) decltype(&::name) name = nullptr;
    SCRIBBET_LIBZIP_FUNCTIONS(SCRIBBET_LIBZIP_MEMBER)
#undef SCRIBBET_LIBZIP_MEMBER

private:
    explicit LibZip(const char* fileName) : m_library(fileName) {}

    SharedLibrary m_library;
};

// The program's libzip, opened by the first call from whichever thread and kept until the program ends; nullptr
// when it could not be opened, with the reason in error.
const LibZip* libZip(QString* error = nullptr);
