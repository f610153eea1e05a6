// POSIX table memory: aligned_alloc, and on Linux madvise for huge pages.
#include "search/tablememory.h"

#include <cstdlib>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace NEngine {

namespace {
constexpr size_t HugePage = size_t(2) << 20;
constexpr size_t CacheLine = 64;
}  // namespace

void TableMemoryFree::operator()(void* p) const { std::free(p); }

TableMemory allocateTableMemory(size_t bytes) {
    size_t alignment = bytes >= HugePage ? HugePage : CacheLine;
    // aligned_alloc wants a size that is a multiple of the alignment.
    size_t rounded = (bytes + alignment - 1) / alignment * alignment;
    void* p = std::aligned_alloc(alignment, rounded);
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    // Only a hint: without huge pages the table works the same, more slowly.
    if (p && alignment == HugePage)
        madvise(p, rounded, MADV_HUGEPAGE);
#endif
    return TableMemory(p);
}

}  // namespace NEngine
