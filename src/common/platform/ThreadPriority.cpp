#include "common/platform/ThreadPriority.h"

#include <sys/resource.h>
#include <unistd.h>

#include <cerrno>

namespace {

// Nice steps below the window's thread: it then gets about ten times the share of such work when both are ready.
constexpr int kBelowTheWindow = 10;

} // namespace

void giveWayToTheWindow() {
    // On Linux the nice value belongs to each thread, named by its id, and threads started later inherit it. The
    // system keeps it within its range.
    const auto thread = static_cast<id_t>(gettid());
    errno = 0;
    const int current = getpriority(PRIO_PROCESS, thread);
    if (errno == 0) {
        setpriority(PRIO_PROCESS, thread, current + kBelowTheWindow);
    }
}
