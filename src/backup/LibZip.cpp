#include "backup/LibZip.h"

namespace {

// The library that Debian 12's libzip4 installs, whose headers the program is built with.
constexpr char kLibraryName[] = "libzip.so.4";

struct Loaded {
    std::unique_ptr<LibZip> library;
    QString error;
};

} // namespace

std::unique_ptr<LibZip> LibZip::load(const char* fileName, QString* error) {
    std::unique_ptr<LibZip> zip(new LibZip(fileName));
    SharedLibrary& library = zip->m_library;
    bool found = library.isLoaded();
#define SCRIBBET_LIBZIP_RESOLVE(name)                                                                                  \
    if (found) {                                                                                                       \
        zip->name = reinterpret_cast<decltype(zip->name)>(library.symbol(#name));                                      \
        found = zip->name != nullptr;                                                                                  \
    }
    SCRIBBET_LIBZIP_FUNCTIONS(SCRIBBET_LIBZIP_RESOLVE)
#undef SCRIBBET_LIBZIP_RESOLVE
    if (!found) {
        if (error != nullptr) {
            *error = library.errorString();
        }
        return nullptr;
    }
    return zip;
}

const LibZip* libZip(QString* error) {
    // A static's first initialisation is thread-safe: a second caller waits for the first one's load.
    static const Loaded loaded = [] {
        Loaded result;
        result.library = LibZip::load(kLibraryName, &result.error);
        return result;
    }();
    if (loaded.library == nullptr && error != nullptr) {
        *error = loaded.error;
    }
    return loaded.library.get();
}
