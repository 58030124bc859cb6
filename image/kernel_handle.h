#ifndef VELMOR_IMAGE_KERNEL_HANDLE_H
#define VELMOR_IMAGE_KERNEL_HANDLE_H

#include <windows.h>

#include "image/scoped_handle.h"

// Both null and INVALID_HANDLE_VALUE mean "none": CreateThread reports
// failure with the one, CreateFileA with the other.
struct KernelHandleTraits {
    using Handle = HANDLE;
    static Handle None() { return nullptr; }
    static bool IsValid(Handle handle) {
        return handle != nullptr && handle != INVALID_HANDLE_VALUE;
    }
    static bool Free(Handle handle) { return CloseHandle(handle) != 0; }
};

// Owns a kernel handle (a file, a thread) and closes it when the owner goes.
using KernelHandle = ScopedHandle<KernelHandleTraits>;

#endif
