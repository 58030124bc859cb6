#ifndef VELMOR_WIN32_WIN32_COMPAT_H
#define VELMOR_WIN32_WIN32_COMPAT_H

// The decoder uses a handful of Win32 declarations.  On Windows they come
// from <windows.h>; elsewhere (the host build for sanitizers, fuzzing and
// benchmarks) this header supplies equivalents.
#ifdef _WIN32
#include <windows.h>
#else

#include <cstddef>
#include <cstdint>

typedef std::uint8_t BYTE;
typedef std::uint16_t WORD;
typedef std::uint32_t DWORD;
typedef std::int32_t LONG;
typedef unsigned int UINT;
typedef int BOOL;
typedef std::size_t SIZE_T;
typedef void* HLOCAL;

struct BITMAPINFOHEADER {
    DWORD biSize;
    LONG biWidth;
    LONG biHeight;
    WORD biPlanes;
    WORD biBitCount;
    DWORD biCompression;
    DWORD biSizeImage;
    LONG biXPelsPerMeter;
    LONG biYPelsPerMeter;
    DWORD biClrUsed;
    DWORD biClrImportant;
};
static_assert(sizeof(BITMAPINFOHEADER) == 40, "BITMAPINFOHEADER must keep the Win32 layout");

#define BI_RGB 0L
#define LMEM_FIXED 0x0000
#define LMEM_MOVEABLE 0x0002
#define LMEM_ZEROINIT 0x0040

// Local memory: a block is a malloc'ed record with a lock count; the handle
// is the record's address.  LocalFree returns null on success, as on Windows.
HLOCAL LocalAlloc(UINT flags, SIZE_T bytes);
void* LocalLock(HLOCAL block);
BOOL LocalUnlock(HLOCAL block);
HLOCAL LocalFree(HLOCAL block);
SIZE_T LocalSize(HLOCAL block);

// Debugger output: the host keeps the last text and a count so that tests
// can observe it.
void OutputDebugStringA(const char* text);

// Observation and fault injection for host tests.
namespace velmor_host {
const char* LastDebugText();  // "" until something was sent
int DebugTextCount();         // texts sent so far
void ClearDebugText();
long LiveBlocks();            // blocks allocated and not yet freed
int LockCount(HLOCAL block);  // current lock count of a block
// Allocations of more than `bytes` fail (return null); SIZE_MAX lifts it.
void SetAllocationLimit(SIZE_T bytes);
}  // namespace velmor_host

#endif
#endif
