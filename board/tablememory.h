// Memory for the transposition table. A probe lands on a random cache line of
// a table of up to a gigabyte; with ordinary 4 KiB pages nearly every probe
// also misses the TLB. The block is therefore aligned to 2 MiB and, where the
// system offers transparent huge pages, asked to be backed by them.
#pragma once

#include <cstddef>
#include <memory>

namespace NEngine {

struct TableMemoryFree {
    void operator()(void* p) const;
};
using TableMemory = std::unique_ptr<void, TableMemoryFree>;

// An uninitialised block of at least `bytes` bytes, aligned to at least a
// cache line; empty when the memory cannot be had.
TableMemory allocateTableMemory(size_t bytes);

// Sets the first `bytes` bytes of a block from allocateTableMemory() to zero.
// Where the system can hand back whole pages as fresh zero pages, it does so
// instead of writing them (a gigabyte takes no time, and the pages are
// filled again as the search touches them).
void zeroTableMemory(void* p, size_t bytes);

}  // namespace NEngine
