#ifndef VELMOR_IMAGE_LOCKED_BLOCK_H
#define VELMOR_IMAGE_LOCKED_BLOCK_H

#include <windows.h>

// Keeps a movable local-memory block locked for the lifetime of this object,
// so that every exit of an operation unlocks it again.
class LockedBlock {
public:
    explicit LockedBlock(HLOCAL block)
        : block(block), data(block ? static_cast<BYTE*>(LocalLock(block)) : nullptr) {}
    ~LockedBlock() {
        if (data) LocalUnlock(block);
    }
    LockedBlock(const LockedBlock&) = delete;
    LockedBlock& operator=(const LockedBlock&) = delete;

    BYTE* Bytes() const { return data; }
    // Size of the block in bytes; 0 when it could not be locked.
    SIZE_T Size() const { return data ? LocalSize(block) : 0; }

private:
    HLOCAL block;
    BYTE* data;
};

#endif
