#include "common/platform/FileModes.h"

#include <sys/stat.h>

namespace {

// Group and others get no access.
constexpr mode_t kPrivateMask = 077;

// The mask the program was started with; set by the first keepNewFilesPrivate.
mode_t userMask = 022;
bool userMaskKnown = false;

} // namespace

void keepNewFilesPrivate() {
    const mode_t previous = ::umask(kPrivateMask);
    if (!userMaskKnown) {
        userMask = previous;
        userMaskKnown = true;
    }
}

UserFileModes::UserFileModes() : m_programMask(::umask(userMask)) {}

UserFileModes::~UserFileModes() {
    ::umask(static_cast<mode_t>(m_programMask));
}
