# Cross-compiles for 32-bit Windows with the mingw-w64 i686 toolchain: the
# primary velmor.scr (PE32, i386), run under 32-bit Wine.
set(VELMOR_MINGW_TRIPLET i686-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(VELMOR_WINE_BITS 32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
