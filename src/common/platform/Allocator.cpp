#include "common/platform/Allocator.h"

#include <malloc.h>

namespace {

// Blocks up to this size come from the heap and go back to it; larger ones (a copied text itself) go to the system.
constexpr int kHeapBlockLimit = 64 * 1024 * 1024;

} // namespace

void keepFreedMemoryWarm() {
    mallopt(M_ARENA_MAX, 1);
    mallopt(M_MMAP_THRESHOLD, kHeapBlockLimit);
    mallopt(M_TRIM_THRESHOLD, kHeapBlockLimit);
}

void releaseFreedMemory() {
    malloc_trim(0);
}
