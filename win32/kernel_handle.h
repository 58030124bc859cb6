#ifndef VELMOR_WIN32_KERNEL_HANDLE_H
#define VELMOR_WIN32_KERNEL_HANDLE_H

#include <windows.h>

#include "win32/owned_handle.h"

// Both null and INVALID_HANDLE_VALUE mean "none": CreateFileA reports failure
// with the one, CreateThread with the other.
struct KernelHandleTraits {
    static bool Holds(HANDLE handle) { return handle != nullptr && handle != INVALID_HANDLE_VALUE; }
    static bool Close(HANDLE handle) { return CloseHandle(handle) != 0; }
};

// Owns a kernel handle (a file, a thread) and closes it when the owner goes.
class KernelHandle : public OwnedHandle<HANDLE, KernelHandleTraits> {
public:
    using OwnedHandle::OwnedHandle;
    bool IsValid() const { return static_cast<bool>(*this); }
};

#endif
