# Shared part of the mingw-w64 toolchain files: the including file sets
# VELMOR_MINGW_TRIPLET (the tools' prefix), CMAKE_SYSTEM_PROCESSOR and
# VELMOR_WINE_BITS (which Wine runs the programs: 32 or 64).
set(CMAKE_SYSTEM_NAME Windows)

# The win32-threads variant needs no winpthread DLL at run time.
find_program(CMAKE_C_COMPILER NAMES ${VELMOR_MINGW_TRIPLET}-gcc-win32 ${VELMOR_MINGW_TRIPLET}-gcc)
find_program(CMAKE_CXX_COMPILER NAMES ${VELMOR_MINGW_TRIPLET}-g++-win32 ${VELMOR_MINGW_TRIPLET}-g++)
find_program(CMAKE_RC_COMPILER NAMES ${VELMOR_MINGW_TRIPLET}-windres)
find_program(VELMOR_OBJDUMP NAMES ${VELMOR_MINGW_TRIPLET}-objdump)

set(CMAKE_FIND_ROOT_PATH /usr/${VELMOR_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# Unit tests are Windows programs: CTest runs them through the Wine of their
# bitness (tools/wine-test.sh says why not straight through wine-run.sh).
# Tests that start Wine themselves use VELMOR_WINE_RUN too.
set(VELMOR_WINE_RUN ${CMAKE_CURRENT_LIST_DIR}/../tools/wine-test.sh --arch ${VELMOR_WINE_BITS})
set(CMAKE_CROSSCOMPILING_EMULATOR ${VELMOR_WINE_RUN})
