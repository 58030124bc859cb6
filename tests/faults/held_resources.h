#ifndef VELMOR_TESTS_FAULTS_HELD_RESOURCES_H
#define VELMOR_TESTS_FAULTS_HELD_RESOURCES_H

// What the saver holds, as the fault library sees it through the saver's
// imports, kept in the shared block for the driver's leak checks: the GDI
// objects and DCs it made and has not deleted or released (Wine's
// GetGuiResources answers 0), the bytes of its local and runtime heap
// blocks (committed memory grows by itself under Wine's heap checking), and
// the threads it started that have not returned.

#include <windows.h>

#include "tests/faults/fault_shared.h"

void InitHeldResources(FaultShared* shared);

// A GDI object or DC the saver got (null: nothing) and one it gave back.
void GdiObjectMade(HANDLE object);
void GdiObjectGone(HANDLE object);

// Heap blocks of `bytes` made (positive) or freed (negative).
void HeapBytesChanged(SIZE_T bytes, bool made);

// CreateThread with the thread counted as live until its routine returns.
typedef HANDLE(WINAPI* CreateThreadFunction)(LPSECURITY_ATTRIBUTES, SIZE_T, LPTHREAD_START_ROUTINE,
                                             LPVOID, DWORD, LPDWORD);
HANDLE CreateCountedThread(CreateThreadFunction create, LPSECURITY_ATTRIBUTES security,
                           SIZE_T stack, LPTHREAD_START_ROUTINE routine, LPVOID parameter,
                           DWORD flags, LPDWORD id);

#endif
