// velmor_faults.dll: loaded into velmor.scr before any of its code runs, it
// points the saver's imports of the watched functions at the hooks below.
// Each hook counts the call by call site and, when the plan of the run
// (fault_plan.h) says so, fails it the way Windows or the C runtime
// reports that failure: the failure value and the matching last error (or
// errno).  The clock functions answer the driver's clock, and the heap, GDI
// and thread functions keep count of what the saver holds
// (held_resources.h).

#include <windows.h>

#include <cerrno>
#include <cstdlib>
#include <string>
#include <vector>

#include "tests/e2e/driver/import_table.h"
#include "tests/faults/call_sites.h"
#include "tests/faults/fault_injector.h"
#include "tests/faults/fault_shared.h"
#include "tests/faults/held_resources.h"

namespace {

// The clock the hooks report: a 10 MHz performance counter.
const LONGLONG COUNTER_TICKS_PER_MS = 10000;

FaultShared ownBlock;  // when no driver shares one: counts go nowhere
FaultShared* shared = &ownBlock;

void* real[FAULT_FUNCTION_COUNT];
void* realQueryPerformanceCounter;
void* realQueryPerformanceFrequency;
void* realGetTickCount;
void* realLocalFree;
void* realFree;
void* realMsize;
void* realDeleteObject;
void* realDeleteDC;
void* realReleaseDC;

template <typename Function>
Function Real(int function) {
    return reinterpret_cast<Function>(real[function]);
}

template <typename Function>
Function Real(void* function) {
    return reinterpret_cast<Function>(function);
}

template <typename Value>
Value Failed(Value value, DWORD error) {
    SetLastError(error);
    return value;
}

#define CALL_SITE() SiteOf(__builtin_return_address(0))

// The allocator's call site: past the runtime's operator new (call_sites.h).
__attribute__((noinline)) DWORD AllocatorSite(const void* returnAddress) {
    void* marker = nullptr;
    void* const* word = &marker;
    for (int i = 0; i < 64; ++i) {
        if (word[i] == returnAddress) return AllocatorSiteOf(returnAddress, word + i);
    }
    return SiteOf(returnAddress);
}

// ---- Heap ------------------------------------------------------------------

HLOCAL WINAPI HookLocalAlloc(UINT flags, SIZE_T bytes) {
    if (Injects(FAULT_LOCAL_ALLOC, CALL_SITE()))
        return Failed<HLOCAL>(nullptr, ERROR_NOT_ENOUGH_MEMORY);
    HLOCAL block = Real<decltype(&LocalAlloc)>(FAULT_LOCAL_ALLOC)(flags, bytes);
    if (block) HeapBytesChanged(LocalSize(block), true);
    return block;
}

HLOCAL WINAPI HookLocalReAlloc(HLOCAL block, SIZE_T bytes, UINT flags) {
    if (Injects(FAULT_LOCAL_RE_ALLOC, CALL_SITE()))
        return Failed<HLOCAL>(nullptr, ERROR_NOT_ENOUGH_MEMORY);
    const SIZE_T before = LocalSize(block);
    HLOCAL moved = Real<decltype(&LocalReAlloc)>(FAULT_LOCAL_RE_ALLOC)(block, bytes, flags);
    if (moved) {
        HeapBytesChanged(before, false);
        HeapBytesChanged(LocalSize(moved), true);
    }
    return moved;
}

HLOCAL WINAPI WatchLocalFree(HLOCAL block) {
    const SIZE_T bytes = block ? LocalSize(block) : 0;
    HLOCAL left = Real<decltype(&LocalFree)>(realLocalFree)(block);
    if (!left) HeapBytesChanged(bytes, false);
    return left;
}

// A movable block whose memory is gone (discarded) cannot be locked.
LPVOID WINAPI HookLocalLock(HLOCAL block) {
    if (Injects(FAULT_LOCAL_LOCK, CALL_SITE())) return Failed<LPVOID>(nullptr, ERROR_DISCARDED);
    return Real<decltype(&LocalLock)>(FAULT_LOCAL_LOCK)(block);
}

// The size of a runtime heap block (msvcrt's _msize); 0 for none.
size_t SizeOf(void* block) {
    typedef size_t(__cdecl * SizeFunction)(void*);
    return block && realMsize ? reinterpret_cast<SizeFunction>(realMsize)(block) : 0;
}

void* Made(void* block) {
    HeapBytesChanged(SizeOf(block), true);
    return block;
}

void* __cdecl HookMalloc(size_t bytes) {
    if (Injects(FAULT_MALLOC, AllocatorSite(__builtin_return_address(0)))) {
        errno = ENOMEM;
        return nullptr;
    }
    return Made(Real<decltype(&malloc)>(FAULT_MALLOC)(bytes));
}

void* __cdecl HookCalloc(size_t count, size_t bytes) {
    if (Injects(FAULT_CALLOC, AllocatorSite(__builtin_return_address(0)))) {
        errno = ENOMEM;
        return nullptr;
    }
    return Made(Real<decltype(&calloc)>(FAULT_CALLOC)(count, bytes));
}

// A failed realloc leaves the old block as it was.
void* __cdecl HookRealloc(void* block, size_t bytes) {
    if (Injects(FAULT_REALLOC, AllocatorSite(__builtin_return_address(0)))) {
        errno = ENOMEM;
        return nullptr;
    }
    const size_t before = SizeOf(block);
    void* moved = Real<decltype(&realloc)>(FAULT_REALLOC)(block, bytes);
    if (moved || bytes == 0) HeapBytesChanged(before, false);
    return Made(moved);
}

void __cdecl WatchFree(void* block) {
    HeapBytesChanged(SizeOf(block), false);
    Real<decltype(&free)>(realFree)(block);
}

// ---- GDI -----------------------------------------------------------------

HBITMAP WINAPI HookCreateDIBSection(HDC dc, const BITMAPINFO* info, UINT usage, void** bits,
                                    HANDLE mapping, DWORD offset) {
    if (Injects(FAULT_CREATE_DIB_SECTION, CALL_SITE())) {
        if (bits) *bits = nullptr;
        return Failed<HBITMAP>(nullptr, ERROR_NOT_ENOUGH_MEMORY);
    }
    HBITMAP made = Real<decltype(&CreateDIBSection)>(FAULT_CREATE_DIB_SECTION)(
        dc, info, usage, bits, mapping, offset);
    GdiObjectMade(made);
    return made;
}

HDC WINAPI HookCreateCompatibleDC(HDC dc) {
    if (Injects(FAULT_CREATE_COMPATIBLE_DC, CALL_SITE()))
        return Failed<HDC>(nullptr, ERROR_NOT_ENOUGH_MEMORY);
    HDC made = Real<decltype(&CreateCompatibleDC)>(FAULT_CREATE_COMPATIBLE_DC)(dc);
    GdiObjectMade(made);
    return made;
}

HDC WINAPI HookGetDC(HWND hwnd) {
    if (Injects(FAULT_GET_DC, CALL_SITE())) return Failed<HDC>(nullptr, ERROR_NOT_ENOUGH_MEMORY);
    HDC got = Real<decltype(&GetDC)>(FAULT_GET_DC)(hwnd);
    GdiObjectMade(got);
    return got;
}

// GDI reports a failed selection of a region with HGDI_ERROR, of anything
// else with null.
HGDIOBJ WINAPI HookSelectObject(HDC dc, HGDIOBJ object) {
    if (Injects(FAULT_SELECT_OBJECT, CALL_SITE())) {
        return Failed<HGDIOBJ>(GetObjectType(object) == OBJ_REGION ? HGDI_ERROR : nullptr,
                               ERROR_INVALID_PARAMETER);
    }
    return Real<decltype(&SelectObject)>(FAULT_SELECT_OBJECT)(dc, object);
}

HPALETTE WINAPI HookCreatePalette(const LOGPALETTE* logical) {
    if (Injects(FAULT_CREATE_PALETTE, CALL_SITE()))
        return Failed<HPALETTE>(nullptr, ERROR_NOT_ENOUGH_MEMORY);
    HPALETTE made = Real<decltype(&CreatePalette)>(FAULT_CREATE_PALETTE)(logical);
    GdiObjectMade(made);
    return made;
}

BOOL WINAPI HookBitBlt(HDC dc, int x, int y, int width, int height, HDC source, int sourceX,
                       int sourceY, DWORD rop) {
    if (Injects(FAULT_BIT_BLT, CALL_SITE())) return Failed(FALSE, ERROR_NOT_ENOUGH_MEMORY);
    return Real<decltype(&BitBlt)>(FAULT_BIT_BLT)(dc, x, y, width, height, source, sourceX, sourceY,
                                                  rop);
}

BOOL WINAPI HookStretchBlt(HDC dc, int x, int y, int width, int height, HDC source, int sourceX,
                           int sourceY, int sourceWidth, int sourceHeight, DWORD rop) {
    if (Injects(FAULT_STRETCH_BLT, CALL_SITE())) return Failed(FALSE, ERROR_NOT_ENOUGH_MEMORY);
    return Real<decltype(&StretchBlt)>(FAULT_STRETCH_BLT)(dc, x, y, width, height, source, sourceX,
                                                          sourceY, sourceWidth, sourceHeight, rop);
}

BOOL WINAPI WatchDeleteObject(HGDIOBJ object) {
    const BOOL deleted = Real<decltype(&DeleteObject)>(realDeleteObject)(object);
    if (deleted) GdiObjectGone(object);
    return deleted;
}

BOOL WINAPI WatchDeleteDC(HDC dc) {
    const BOOL deleted = Real<decltype(&DeleteDC)>(realDeleteDC)(dc);
    if (deleted) GdiObjectGone(dc);
    return deleted;
}

int WINAPI WatchReleaseDC(HWND hwnd, HDC dc) {
    const int released = Real<decltype(&ReleaseDC)>(realReleaseDC)(hwnd, dc);
    if (released) GdiObjectGone(dc);
    return released;
}

// ---- Threads -------------------------------------------------------------

HANDLE WINAPI HookCreateThread(LPSECURITY_ATTRIBUTES security, SIZE_T stack,
                               LPTHREAD_START_ROUTINE routine, LPVOID parameter, DWORD flags,
                               LPDWORD id) {
    if (Injects(FAULT_CREATE_THREAD, CALL_SITE()))
        return Failed<HANDLE>(nullptr, ERROR_NOT_ENOUGH_MEMORY);
    return CreateCountedThread(Real<CreateThreadFunction>(FAULT_CREATE_THREAD), security, stack,
                               routine, parameter, flags, id);
}

DWORD WINAPI HookWaitForSingleObject(HANDLE object, DWORD ms) {
    if (Injects(FAULT_WAIT_FOR_SINGLE_OBJECT, CALL_SITE()))
        return Failed<DWORD>(WAIT_FAILED, ERROR_INVALID_HANDLE);
    return Real<decltype(&WaitForSingleObject)>(FAULT_WAIT_FOR_SINGLE_OBJECT)(object, ms);
}

// ---- Windows -------------------------------------------------------------

UINT_PTR WINAPI HookSetTimer(HWND hwnd, UINT_PTR id, UINT ms, TIMERPROC routine) {
    if (Injects(FAULT_SET_TIMER, CALL_SITE()))
        return Failed<UINT_PTR>(0, ERROR_NO_SYSTEM_RESOURCES);
    return Real<decltype(&SetTimer)>(FAULT_SET_TIMER)(hwnd, id, ms, routine);
}

ATOM WINAPI HookRegisterClassA(const WNDCLASSA* windowClass) {
    if (Injects(FAULT_REGISTER_CLASS, CALL_SITE())) return Failed<ATOM>(0, ERROR_NOT_ENOUGH_MEMORY);
    return Real<decltype(&RegisterClassA)>(FAULT_REGISTER_CLASS)(windowClass);
}

HWND WINAPI HookCreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR title, DWORD style, int x,
                                int y, int width, int height, HWND parent, HMENU menu,
                                HINSTANCE instance, LPVOID parameter) {
    if (Injects(FAULT_CREATE_WINDOW, CALL_SITE()))
        return Failed<HWND>(nullptr, ERROR_NOT_ENOUGH_MEMORY);
    return Real<decltype(&CreateWindowExA)>(FAULT_CREATE_WINDOW)(
        exStyle, className, title, style, x, y, width, height, parent, menu, instance, parameter);
}

// ---- Resources -----------------------------------------------------------

HRSRC WINAPI HookFindResourceA(HMODULE module, LPCSTR name, LPCSTR type) {
    if (Injects(FAULT_FIND_RESOURCE, CALL_SITE()))
        return Failed<HRSRC>(nullptr, ERROR_RESOURCE_NAME_NOT_FOUND);
    return Real<decltype(&FindResourceA)>(FAULT_FIND_RESOURCE)(module, name, type);
}

HGLOBAL WINAPI HookLoadResource(HMODULE module, HRSRC resource) {
    if (Injects(FAULT_LOAD_RESOURCE, CALL_SITE()))
        return Failed<HGLOBAL>(nullptr, ERROR_RESOURCE_DATA_NOT_FOUND);
    return Real<decltype(&LoadResource)>(FAULT_LOAD_RESOURCE)(module, resource);
}

LPVOID WINAPI HookLockResource(HGLOBAL resource) {
    if (Injects(FAULT_LOCK_RESOURCE, CALL_SITE()))
        return Failed<LPVOID>(nullptr, ERROR_RESOURCE_DATA_NOT_FOUND);
    return Real<decltype(&LockResource)>(FAULT_LOCK_RESOURCE)(resource);
}

DWORD WINAPI HookSizeofResource(HMODULE module, HRSRC resource) {
    if (Injects(FAULT_SIZEOF_RESOURCE, CALL_SITE()))
        return Failed<DWORD>(0, ERROR_RESOURCE_DATA_NOT_FOUND);
    return Real<decltype(&SizeofResource)>(FAULT_SIZEOF_RESOURCE)(module, resource);
}

// ---- Settings file -------------------------------------------------------

// A file that cannot be read gives the default, as a missing key does.
UINT WINAPI HookGetPrivateProfileIntA(LPCSTR section, LPCSTR key, INT fallback, LPCSTR file) {
    if (Injects(FAULT_GET_PROFILE_INT, CALL_SITE(), key))
        return Failed(static_cast<UINT>(fallback), ERROR_ACCESS_DENIED);
    return Real<decltype(&GetPrivateProfileIntA)>(FAULT_GET_PROFILE_INT)(section, key, fallback,
                                                                         file);
}

BOOL WINAPI HookWritePrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR value, LPCSTR file) {
    if (Injects(FAULT_WRITE_PROFILE_STRING, CALL_SITE(), key))
        return Failed(FALSE, ERROR_ACCESS_DENIED);
    return Real<decltype(&WritePrivateProfileStringA)>(FAULT_WRITE_PROFILE_STRING)(section, key,
                                                                                   value, file);
}

BOOL WINAPI HookCreateDirectoryA(LPCSTR path, LPSECURITY_ATTRIBUTES security) {
    if (Injects(FAULT_CREATE_DIRECTORY, CALL_SITE())) return Failed(FALSE, ERROR_ACCESS_DENIED);
    return Real<decltype(&CreateDirectoryA)>(FAULT_CREATE_DIRECTORY)(path, security);
}

BOOL WINAPI HookCopyFileA(LPCSTR from, LPCSTR to, BOOL failIfExists) {
    if (Injects(FAULT_COPY_FILE, CALL_SITE())) return Failed(FALSE, ERROR_ACCESS_DENIED);
    return Real<decltype(&CopyFileA)>(FAULT_COPY_FILE)(from, to, failIfExists);
}

// ---- The driver's clock --------------------------------------------------

BOOL WINAPI ClockQueryPerformanceCounter(LARGE_INTEGER* counter) {
    if (!shared->useClock)
        return Real<decltype(&QueryPerformanceCounter)>(realQueryPerformanceCounter)(counter);
    counter->QuadPart = static_cast<LONGLONG>(shared->clockMs) * COUNTER_TICKS_PER_MS;
    return TRUE;
}

BOOL WINAPI ClockQueryPerformanceFrequency(LARGE_INTEGER* frequency) {
    if (!shared->useClock)
        return Real<decltype(&QueryPerformanceFrequency)>(realQueryPerformanceFrequency)(frequency);
    frequency->QuadPart = COUNTER_TICKS_PER_MS * 1000;
    return TRUE;
}

DWORD WINAPI ClockGetTickCount() {
    if (!shared->useClock) return Real<decltype(&GetTickCount)>(realGetTickCount)();
    return static_cast<DWORD>(shared->clockMs);
}

// ---- Attaching -----------------------------------------------------------

struct Redirection {
    const char* library;
    const char* name;
    void* hook;
    void** original;
};

void* const FAULT_HOOKS[FAULT_FUNCTION_COUNT] = {
    reinterpret_cast<void*>(&HookLocalAlloc),
    reinterpret_cast<void*>(&HookLocalReAlloc),
    reinterpret_cast<void*>(&HookLocalLock),
    reinterpret_cast<void*>(&HookMalloc),
    reinterpret_cast<void*>(&HookCalloc),
    reinterpret_cast<void*>(&HookRealloc),
    reinterpret_cast<void*>(&HookCreateDIBSection),
    reinterpret_cast<void*>(&HookCreateCompatibleDC),
    reinterpret_cast<void*>(&HookGetDC),
    reinterpret_cast<void*>(&HookSelectObject),
    reinterpret_cast<void*>(&HookCreatePalette),
    reinterpret_cast<void*>(&HookBitBlt),
    reinterpret_cast<void*>(&HookStretchBlt),
    reinterpret_cast<void*>(&HookCreateThread),
    reinterpret_cast<void*>(&HookWaitForSingleObject),
    reinterpret_cast<void*>(&HookSetTimer),
    reinterpret_cast<void*>(&HookRegisterClassA),
    reinterpret_cast<void*>(&HookCreateWindowExA),
    reinterpret_cast<void*>(&HookFindResourceA),
    reinterpret_cast<void*>(&HookLoadResource),
    reinterpret_cast<void*>(&HookLockResource),
    reinterpret_cast<void*>(&HookSizeofResource),
    reinterpret_cast<void*>(&HookGetPrivateProfileIntA),
    reinterpret_cast<void*>(&HookWritePrivateProfileStringA),
    reinterpret_cast<void*>(&HookCreateDirectoryA),
    reinterpret_cast<void*>(&HookCopyFileA),
};

const Redirection WATCHES[] = {
    {"kernel32.dll", "QueryPerformanceCounter",
     reinterpret_cast<void*>(&ClockQueryPerformanceCounter), &realQueryPerformanceCounter},
    {"kernel32.dll", "QueryPerformanceFrequency",
     reinterpret_cast<void*>(&ClockQueryPerformanceFrequency), &realQueryPerformanceFrequency},
    {"kernel32.dll", "GetTickCount", reinterpret_cast<void*>(&ClockGetTickCount),
     &realGetTickCount},
    {"kernel32.dll", "LocalFree", reinterpret_cast<void*>(&WatchLocalFree), &realLocalFree},
    {"msvcrt.dll", "free", reinterpret_cast<void*>(&WatchFree), &realFree},
    {"gdi32.dll", "DeleteObject", reinterpret_cast<void*>(&WatchDeleteObject), &realDeleteObject},
    {"gdi32.dll", "DeleteDC", reinterpret_cast<void*>(&WatchDeleteDC), &realDeleteDC},
    {"user32.dll", "ReleaseDC", reinterpret_cast<void*>(&WatchReleaseDC), &realReleaseDC},
};

bool IsFatal(DWORD code) {
    switch (code) {
        case EXCEPTION_ACCESS_VIOLATION:
        case EXCEPTION_ILLEGAL_INSTRUCTION:
        case EXCEPTION_PRIV_INSTRUCTION:
        case EXCEPTION_INT_DIVIDE_BY_ZERO:
        case EXCEPTION_STACK_OVERFLOW:
        case EXCEPTION_ARRAY_BOUNDS_EXCEEDED:
        case EXCEPTION_DATATYPE_MISALIGNMENT:
        case 0xC0000409:  // a failed security check (fast fail)
            return true;
        default:
            return false;
    }
}

// Notes the first fatal exception for the driver's report of a crash.
LONG CALLBACK NoteFatalException(EXCEPTION_POINTERS* exception) {
    const DWORD code = exception->ExceptionRecord->ExceptionCode;
    if (IsFatal(code) &&
        InterlockedCompareExchange(&shared->crashCode, static_cast<LONG>(code), 0) == 0)
        shared->crashOffset = SiteOf(exception->ExceptionRecord->ExceptionAddress);
    return EXCEPTION_CONTINUE_SEARCH;
}

std::string Environment(const char* name) {
    char value[1024];
    const DWORD length = GetEnvironmentVariableA(name, value, sizeof value);
    return length > 0 && length < sizeof value ? std::string(value, length) : std::string();
}

// The driver's shared block, or this library's own.
void OpenSharedBlock() {
    const std::string name = Environment("VELMOR_FAULT_SHARED");
    if (name.empty()) return;
    HANDLE mapping = OpenFileMappingA(FILE_MAP_ALL_ACCESS, FALSE, name.c_str());
    void* view =
        mapping ? MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, sizeof(FaultShared)) : nullptr;
    if (view) shared = static_cast<FaultShared*>(view);
}

void Attach() {
    OpenSharedBlock();
    std::vector<PlannedFault> plan;
    if (!ParseFaultPlan(Environment("VELMOR_FAULTS").c_str(), &plan)) return;
    HMODULE executable = GetModuleHandleA(nullptr);
    InitCallSites(executable, Environment("VELMOR_FAULT_PASS").c_str(),
                  Environment("VELMOR_FAULT_SPARE").c_str());
    InitInjector(shared, plan);
    InitHeldResources(shared);
    realMsize = reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("msvcrt.dll"), "_msize"));
    AddVectoredExceptionHandler(1, NoteFatalException);

    LONG redirected = 0;
    for (int f = 0; f < FAULT_FUNCTION_COUNT; ++f) {
        redirected += RedirectImport(executable, ImportOf(f).library, ImportOf(f).name,
                                     FAULT_HOOKS[f], &real[f]);
    }
    for (const Redirection& watch : WATCHES) {
        redirected +=
            RedirectImport(executable, watch.library, watch.name, watch.hook, watch.original);
    }
    shared->attached = redirected;
}

}  // namespace

BOOL WINAPI DllMain(HINSTANCE library, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        DisableThreadLibraryCalls(library);
        Attach();
    }
    return TRUE;
}
