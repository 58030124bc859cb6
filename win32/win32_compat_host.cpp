// Host stand-ins for the few Win32 services the decoder uses.
#include "win32/win32_compat.h"

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>

namespace {

struct LocalBlock {
    SIZE_T size;
    int locks;
    // The bytes follow, aligned for any scalar type.
    alignas(std::max_align_t) unsigned char data[1];
};

std::atomic<long> liveBlocks{0};
std::atomic<SIZE_T> allocationLimit{SIZE_MAX};
std::mutex debugMutex;
std::string lastDebugText;
int debugTextCount = 0;

LocalBlock* ToBlock(HLOCAL handle) {
    return static_cast<LocalBlock*>(handle);
}

}  // namespace

HLOCAL LocalAlloc(UINT flags, SIZE_T bytes) {
    if (bytes > allocationLimit.load() || bytes > SIZE_MAX - sizeof(LocalBlock)) return nullptr;
    const SIZE_T total = offsetof(LocalBlock, data) + (bytes ? bytes : 1);
    void* memory = (flags & LMEM_ZEROINIT) ? std::calloc(1, total) : std::malloc(total);
    if (!memory) return nullptr;
    LocalBlock* block = static_cast<LocalBlock*>(memory);
    block->size = bytes;
    block->locks = 0;
    ++liveBlocks;
    return block;
}

void* LocalLock(HLOCAL handle) {
    if (!handle) return nullptr;
    LocalBlock* block = ToBlock(handle);
    ++block->locks;
    return block->data;
}

BOOL LocalUnlock(HLOCAL handle) {
    if (!handle) return 0;
    LocalBlock* block = ToBlock(handle);
    if (block->locks > 0) --block->locks;
    return block->locks > 0;
}

HLOCAL LocalFree(HLOCAL handle) {
    if (!handle) return nullptr;
    std::free(handle);
    --liveBlocks;
    return nullptr;
}

SIZE_T LocalSize(HLOCAL handle) {
    return handle ? ToBlock(handle)->size : 0;
}

void OutputDebugStringA(const char* text) {
    std::lock_guard<std::mutex> guard(debugMutex);
    lastDebugText = text ? text : "";
    ++debugTextCount;
}

namespace velmor_host {

const char* LastDebugText() {
    std::lock_guard<std::mutex> guard(debugMutex);
    return lastDebugText.c_str();
}

int DebugTextCount() {
    std::lock_guard<std::mutex> guard(debugMutex);
    return debugTextCount;
}

void ClearDebugText() {
    std::lock_guard<std::mutex> guard(debugMutex);
    lastDebugText.clear();
    debugTextCount = 0;
}

long LiveBlocks() {
    return liveBlocks.load();
}

int LockCount(HLOCAL handle) {
    return handle ? ToBlock(handle)->locks : 0;
}

void SetAllocationLimit(SIZE_T bytes) {
    allocationLimit.store(bytes);
}

}  // namespace velmor_host
