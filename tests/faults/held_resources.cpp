#include "tests/faults/held_resources.h"

namespace {

const int MAX_HELD_OBJECTS = 1024;

FaultShared* shared = nullptr;
CRITICAL_SECTION lock;
HANDLE held[MAX_HELD_OBJECTS];
int heldCount = 0;
int untracked = 0;  // made when the list was full: counted, never matched

struct ThreadStart {
    LPTHREAD_START_ROUTINE routine;
    LPVOID parameter;
};

DWORD WINAPI CountedThread(LPVOID started) {
    const ThreadStart start = *static_cast<ThreadStart*>(started);
    HeapFree(GetProcessHeap(), 0, started);
    const DWORD code = start.routine(start.parameter);
    InterlockedDecrement(&shared->liveThreads);
    return code;
}

void Publish() {
    shared->liveGdiObjects = heldCount + untracked;
}

}  // namespace

void InitHeldResources(FaultShared* block) {
    InitializeCriticalSection(&lock);
    shared = block;
}

void GdiObjectMade(HANDLE object) {
    if (!object) return;
    EnterCriticalSection(&lock);
    if (heldCount < MAX_HELD_OBJECTS)
        held[heldCount++] = object;
    else
        ++untracked;
    Publish();
    LeaveCriticalSection(&lock);
}

void GdiObjectGone(HANDLE object) {
    EnterCriticalSection(&lock);
    for (int i = 0; i < heldCount; ++i) {
        if (held[i] == object) {
            held[i] = held[--heldCount];
            break;
        }
    }
    Publish();
    LeaveCriticalSection(&lock);
}

void HeapBytesChanged(SIZE_T bytes, bool made) {
    const LONG change = static_cast<LONG>(bytes);
    InterlockedExchangeAdd(&shared->liveHeapBytes, made ? change : -change);
}

HANDLE CreateCountedThread(CreateThreadFunction create, LPSECURITY_ATTRIBUTES security,
                           SIZE_T stack, LPTHREAD_START_ROUTINE routine, LPVOID parameter,
                           DWORD flags, LPDWORD id) {
    ThreadStart* start =
        static_cast<ThreadStart*>(HeapAlloc(GetProcessHeap(), 0, sizeof(ThreadStart)));
    if (!start) return create(security, stack, routine, parameter, flags, id);
    start->routine = routine;
    start->parameter = parameter;
    // Counted before it can run, so that it is never seen to end first.
    InterlockedIncrement(&shared->liveThreads);
    HANDLE thread = create(security, stack, CountedThread, start, flags, id);
    if (!thread) {
        InterlockedDecrement(&shared->liveThreads);
        HeapFree(GetProcessHeap(), 0, start);
    }
    return thread;
}
