#ifndef VELMOR_TESTS_E2E_SHOW_SUPPORT_PROCESS_USAGE_H
#define VELMOR_TESTS_E2E_SHOW_SUPPORT_PROCESS_USAGE_H

// What a process holds: its kernel handles and its committed memory.

#include <windows.h>
#include <psapi.h>

#include <vector>

// Number of kernel handles a process holds, from the system's handle list
// (GetProcessHandleCount reports 0 under Wine 8, this list is real there and
// on Windows).  -1 when the list cannot be read.
inline int CountProcessHandles(DWORD processId) {
    struct Entry {
        ULONG processId;
        BYTE objectType;
        BYTE flags;
        USHORT handle;
        PVOID object;
        ACCESS_MASK access;
    };
    struct List {
        ULONG count;
        Entry entries[1];
    };
    typedef LONG(WINAPI * QueryFn)(int, PVOID, ULONG, PULONG);
    const int SYSTEM_HANDLE_INFORMATION = 16;
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    QueryFn query = ntdll ? reinterpret_cast<QueryFn>(reinterpret_cast<void*>(
                                GetProcAddress(ntdll, "NtQuerySystemInformation")))
                          : nullptr;
    if (!query) return -1;
    std::vector<BYTE> buffer(1 << 20);
    for (int attempt = 0; attempt < 6; ++attempt) {
        ULONG needed = 0;
        LONG status = query(SYSTEM_HANDLE_INFORMATION, buffer.data(),
                            static_cast<ULONG>(buffer.size()), &needed);
        if (status == 0) {
            const List* list = reinterpret_cast<const List*>(buffer.data());
            int n = 0;
            for (ULONG i = 0; i < list->count; ++i) n += list->entries[i].processId == processId;
            return n;
        }
        buffer.resize(buffer.size() * 2);
    }
    return -1;
}

// Memory a process has committed (PagefileUsage: PrivateUsage is 0 under
// Wine 8), from GetProcessMemoryInfo looked up at run time in kernel32; 0
// when unknown.
inline SIZE_T CommittedBytes(HANDLE process) {
    typedef BOOL(WINAPI * InfoFn)(HANDLE, PPROCESS_MEMORY_COUNTERS, DWORD);
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    InfoFn info = reinterpret_cast<InfoFn>(
        reinterpret_cast<void*>(GetProcAddress(kernel, "K32GetProcessMemoryInfo")));
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof counters;
    if (!info || !info(process, &counters, sizeof counters)) return 0;
    return counters.PagefileUsage;
}

#endif
