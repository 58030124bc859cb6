#ifndef VELMOR_JPEG_WIN32_COMPAT_H
#define VELMOR_JPEG_WIN32_COMPAT_H

// The decoder uses a handful of Win32 declarations.  On Windows they come
// from <windows.h>; elsewhere (the host build for sanitizers, fuzzing and
// benchmarks) this header supplies equivalents.
#ifdef _WIN32
#include <windows.h>
#else
#error "host declarations not written yet"
#endif

#endif
