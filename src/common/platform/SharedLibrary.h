#pragma once

#include <QString>

// A shared library opened while the program runs rather than linked: it is only mapped into the process once a
// feature that needs it is first used.
class SharedLibrary {
public:
    // Opens the library by its file name, searched for as the dynamic linker searches, binding all its symbols now
    // and keeping them out of the way of every other library's.
    explicit SharedLibrary(const char* fileName);
    ~SharedLibrary();
    SharedLibrary(const SharedLibrary&) = delete;
    SharedLibrary& operator=(const SharedLibrary&) = delete;

    bool isLoaded() const { return m_handle != nullptr; }
    // Why the library or the last symbol asked for could not be found.
    const QString& errorString() const { return m_error; }
    // The address of a function or variable of the library; nullptr when it has none by that name.
    void* symbol(const char* name);

private:
    void* m_handle = nullptr;
    QString m_error;
};
