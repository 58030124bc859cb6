#ifndef VELMOR_TESTS_FAULTS_FAULT_FUNCTIONS_H
#define VELMOR_TESTS_FAULTS_FAULT_FUNCTIONS_H

// The Windows and C runtime functions whose calls from velmor.scr the fault
// library can make fail, as the saver imports them.

#include <cstring>

enum FaultFunction {
    FAULT_LOCAL_ALLOC,
    FAULT_LOCAL_RE_ALLOC,
    FAULT_LOCAL_LOCK,
    FAULT_MALLOC,
    FAULT_CALLOC,
    FAULT_REALLOC,
    FAULT_CREATE_DIB_SECTION,
    FAULT_CREATE_COMPATIBLE_DC,
    FAULT_GET_DC,
    FAULT_SELECT_OBJECT,
    FAULT_CREATE_PALETTE,
    FAULT_BIT_BLT,
    FAULT_STRETCH_BLT,
    FAULT_CREATE_THREAD,
    FAULT_WAIT_FOR_SINGLE_OBJECT,
    FAULT_SET_TIMER,
    FAULT_REGISTER_CLASS,
    FAULT_CREATE_WINDOW,
    FAULT_FIND_RESOURCE,
    FAULT_LOAD_RESOURCE,
    FAULT_LOCK_RESOURCE,
    FAULT_SIZEOF_RESOURCE,
    FAULT_GET_PROFILE_INT,
    FAULT_WRITE_PROFILE_STRING,
    FAULT_CREATE_DIRECTORY,
    FAULT_COPY_FILE,
    FAULT_FUNCTION_COUNT
};

struct FaultFunctionImport {
    const char* library;
    const char* name;
};

inline const FaultFunctionImport& ImportOf(int function) {
    static const FaultFunctionImport imports[FAULT_FUNCTION_COUNT] = {
        {"kernel32.dll", "LocalAlloc"},
        {"kernel32.dll", "LocalReAlloc"},
        {"kernel32.dll", "LocalLock"},
        {"msvcrt.dll", "malloc"},
        {"msvcrt.dll", "calloc"},
        {"msvcrt.dll", "realloc"},
        {"gdi32.dll", "CreateDIBSection"},
        {"gdi32.dll", "CreateCompatibleDC"},
        {"user32.dll", "GetDC"},
        {"gdi32.dll", "SelectObject"},
        {"gdi32.dll", "CreatePalette"},
        {"gdi32.dll", "BitBlt"},
        {"gdi32.dll", "StretchBlt"},
        {"kernel32.dll", "CreateThread"},
        {"kernel32.dll", "WaitForSingleObject"},
        {"user32.dll", "SetTimer"},
        {"user32.dll", "RegisterClassA"},
        {"user32.dll", "CreateWindowExA"},
        {"kernel32.dll", "FindResourceA"},
        {"kernel32.dll", "LoadResource"},
        {"kernel32.dll", "LockResource"},
        {"kernel32.dll", "SizeofResource"},
        {"kernel32.dll", "GetPrivateProfileIntA"},
        {"kernel32.dll", "WritePrivateProfileStringA"},
        {"kernel32.dll", "CreateDirectoryA"},
        {"kernel32.dll", "CopyFileA"},
    };
    return imports[function];
}

inline const char* NameOf(int function) {
    return ImportOf(function).name;
}

// The function of that name; -1 for none.
inline int FaultFunctionNamed(const char* name, size_t length) {
    for (int f = 0; f < FAULT_FUNCTION_COUNT; ++f)
        if (std::strlen(NameOf(f)) == length && std::strncmp(NameOf(f), name, length) == 0)
            return f;
    return -1;
}

#endif
