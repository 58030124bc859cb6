# Cross-compiles for 64-bit Windows with the mingw-w64 x86_64 toolchain: the
# native velmor.scr for 64-bit Windows (PE32+, x86-64), run under wine64.
set(VELMOR_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(VELMOR_WINE_BITS 64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
