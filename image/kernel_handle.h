#ifndef VELMOR_IMAGE_KERNEL_HANDLE_H
#define VELMOR_IMAGE_KERNEL_HANDLE_H

#include <windows.h>

// Owns a kernel handle (a file, a thread) and closes it when the owner goes.
// Both null and INVALID_HANDLE_VALUE mean "none": CreateFileA reports failure
// with the one, CreateThread with the other.
class KernelHandle {
public:
    explicit KernelHandle(HANDLE handle = nullptr) : handle(handle) {}
    ~KernelHandle() { Reset(nullptr); }
    KernelHandle(const KernelHandle&) = delete;
    KernelHandle& operator=(const KernelHandle&) = delete;

    HANDLE Get() const { return handle; }
    bool IsValid() const { return handle != nullptr && handle != INVALID_HANDLE_VALUE; }
    // Closes the handle held (if any) and holds `replacement` instead; false
    // when closing failed.
    bool Reset(HANDLE replacement) {
        bool closed = true;
        if (IsValid()) closed = CloseHandle(handle) != 0;
        handle = replacement;
        return closed;
    }

private:
    HANDLE handle;
};

#endif
