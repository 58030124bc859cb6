#ifndef VELMOR_WIN32_LOCAL_BLOCK_H
#define VELMOR_WIN32_LOCAL_BLOCK_H

// Movable local-memory blocks, the memory every picture lives in: an owner
// that frees its block on every exit, and a lock held for one operation.
// The decoder uses them too, so they build on the host as well.
#include "win32/owned_handle.h"
#include "win32/win32_compat.h"

struct LocalBlockTraits {
    static bool Holds(HLOCAL block) { return block != nullptr; }
    static bool Close(HLOCAL block) { return LocalFree(block) == nullptr; }
};

// Owns one movable local-memory block and frees it when it goes, unless the
// block was handed on with Release.
class LocalBlock : public OwnedHandle<HLOCAL, LocalBlockTraits> {
public:
    using OwnedHandle::OwnedHandle;
    // A new movable, zero-initialised block; empty when memory is short.
    static LocalBlock Allocate(SIZE_T bytes) {
        return LocalBlock(LocalAlloc(LMEM_MOVEABLE | LMEM_ZEROINIT, bytes));
    }
};

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
