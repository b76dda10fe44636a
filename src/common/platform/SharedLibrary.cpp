#include "common/platform/SharedLibrary.h"

#include <dlfcn.h>

namespace {

QString lastError() {
    const char* error = ::dlerror();
    return error != nullptr ? QString::fromLocal8Bit(error) : QString();
}

} // namespace

SharedLibrary::SharedLibrary(const char* fileName) : m_handle(::dlopen(fileName, RTLD_NOW | RTLD_LOCAL)) {
    if (m_handle == nullptr) {
        m_error = lastError();
    }
}

SharedLibrary::~SharedLibrary() {
    if (m_handle != nullptr) {
        ::dlclose(m_handle);
    }
}

void* SharedLibrary::symbol(const char* name) {
    if (m_handle == nullptr) {
        return nullptr;
    }
    void* address = ::dlsym(m_handle, name);
    if (address == nullptr) {
        m_error = lastError();
    }
    return address;
}
