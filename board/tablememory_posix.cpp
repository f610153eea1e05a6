// POSIX table memory: posix_memalign (which older macOS has where it lacks
// aligned_alloc); only on Linux madvise for huge pages and for zeroing, whose
// meaning other systems do not guarantee.
#include "board/tablememory.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

#if defined(__linux__)
#include <sys/mman.h>
#include <unistd.h>
#endif

namespace NEngine {

namespace {
constexpr size_t HugePage = size_t(2) << 20;
constexpr size_t CacheLine = 64;
}  // namespace

void TableMemoryFree::operator()(void* p) const { std::free(p); }

TableMemory allocateTableMemory(size_t bytes) {
    size_t alignment = bytes >= HugePage ? HugePage : CacheLine;
    // A size that is a multiple of the alignment, so that huge pages cover it.
    size_t rounded = (bytes + alignment - 1) / alignment * alignment;
    void* p = nullptr;
    if (posix_memalign(&p, alignment, rounded) != 0)
        p = nullptr;
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    // Only a hint: without huge pages the table works the same, more slowly.
    if (p && alignment == HugePage)
        madvise(p, rounded, MADV_HUGEPAGE);
#endif
    return TableMemory(p);
}

void zeroTableMemory(void* p, size_t bytes) {
#if defined(__linux__) && defined(MADV_DONTNEED)
    // Private anonymous memory (which is what the allocator maps) reads as
    // zeros after MADV_DONTNEED. Only whole pages can go that way; the ends
    // are written. A small table is simply written: its pages stay in place,
    // where handing them back would make the next search fault them in again
    // one by one; a large one would take longer to write than to refill.
    const size_t page = size_t(sysconf(_SC_PAGESIZE));
    const uintptr_t begin = uintptr_t(p), end = begin + bytes;
    const uintptr_t first = (begin + page - 1) / page * page, last = end / page * page;
    if (page > 0 && last > first && last - first >= (size_t(64) << 20) &&
        madvise(reinterpret_cast<void*>(first), last - first, MADV_DONTNEED) == 0) {
        std::memset(p, 0, first - begin);
        std::memset(reinterpret_cast<void*>(last), 0, end - last);
        return;
    }
#endif
    std::memset(p, 0, bytes);
}

}  // namespace NEngine
