// Windows table memory: VirtualAlloc, in large pages when the account may
// lock pages in memory, otherwise in ordinary pages (64 KiB aligned).
#include <windows.h>

#include <cstring>

#include "board/tablememory.h"

namespace NEngine {

namespace {

// Large pages need the "Lock pages in memory" right, which an administrator
// grants to an account; even then it is off in the process's token until the
// process switches it on. Without it, large pages are simply not used.
bool enableLockMemoryPrivilege() {
    HANDLE token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token))
        return false;
    TOKEN_PRIVILEGES privileges{};
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    bool enabled = false;
    if (LookupPrivilegeValueA(nullptr, "SeLockMemoryPrivilege", &privileges.Privileges[0].Luid)) {
        // Success is also reported when the account does not hold the right;
        // only the last error tells.
        enabled =
            AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr) && GetLastError() == ERROR_SUCCESS;
    }
    CloseHandle(token);
    return enabled;
}

void* allocateLargePages(size_t bytes) {
    static const bool allowed = enableLockMemoryPrivilege();
    const size_t large = GetLargePageMinimum();
    if (!allowed || large == 0 || bytes < large)
        return nullptr;
    const size_t rounded = (bytes + large - 1) / large * large;
    return VirtualAlloc(nullptr, rounded, MEM_RESERVE | MEM_COMMIT | MEM_LARGE_PAGES, PAGE_READWRITE);
}

}  // namespace

void TableMemoryFree::operator()(void* p) const {
    if (p)
        VirtualFree(p, 0, MEM_RELEASE);
}

TableMemory allocateTableMemory(size_t bytes) {
    void* p = allocateLargePages(bytes);
    // Large pages are only a hint: ordinary pages work the same, more slowly.
    if (!p)
        p = VirtualAlloc(nullptr, bytes, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
    return TableMemory(p);
}

void zeroTableMemory(void* p, size_t bytes) { std::memset(p, 0, bytes); }

}  // namespace NEngine
