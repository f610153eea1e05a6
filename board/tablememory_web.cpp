// WebAssembly table memory: the module's own heap, which grows on demand up to
// the build's stated maximum; there are no huge pages to ask for. A table the
// heap cannot grow to is refused (malloc gives null instead of aborting, which
// the build sets), and the previous table stays.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "board/tablememory.h"

namespace NEngine {

namespace {
constexpr size_t CacheLine = 64;
}  // namespace

void TableMemoryFree::operator()(void* p) const { std::free(p); }

TableMemory allocateTableMemory(size_t bytes) {
    // A 32-bit address space: a size that does not fit is refused outright.
    if (bytes == 0 || bytes > SIZE_MAX - CacheLine)
        return TableMemory(nullptr);
    void* p = nullptr;
    if (posix_memalign(&p, CacheLine, (bytes + CacheLine - 1) / CacheLine * CacheLine) != 0)
        p = nullptr;
    return TableMemory(p);
}

void zeroTableMemory(void* p, size_t bytes) { std::memset(p, 0, bytes); }

}  // namespace NEngine
