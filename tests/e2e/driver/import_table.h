#ifndef VELMOR_TESTS_E2E_IMPORT_TABLE_H
#define VELMOR_TESTS_E2E_IMPORT_TABLE_H

// Redirects a module's imported functions, inside its own process: the hook
// libraries point velmor.scr's import address table at functions of their
// own, so that every call the saver makes to that function reaches them.

#include <windows.h>

// Points every slot of `module`'s import table that imports `function` from
// `library` (by name, case-insensitive) at `replacement`.  The address the
// slot held goes into *original (if given).  False when the module imports
// no such function or a slot could not be written.
bool RedirectImport(HMODULE module, const char* library, const char* function, void* replacement,
                    void** original = nullptr);

#endif
