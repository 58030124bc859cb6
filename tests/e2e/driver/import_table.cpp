#include "tests/e2e/driver/import_table.h"

namespace {

bool WriteSlot(ULONG_PTR* slot, void* replacement) {
    DWORD protection = 0;
    if (!VirtualProtect(slot, sizeof *slot, PAGE_READWRITE, &protection)) return false;
    *slot = reinterpret_cast<ULONG_PTR>(replacement);
    VirtualProtect(slot, sizeof *slot, protection, &protection);
    return true;
}

// Whether a lookup-table entry names `function` (entries by ordinal name none).
bool NamesFunction(BYTE* base, const IMAGE_THUNK_DATA& lookup, const char* function) {
    if (IMAGE_SNAP_BY_ORDINAL(lookup.u1.Ordinal)) return false;
    const IMAGE_IMPORT_BY_NAME* name =
        reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + lookup.u1.AddressOfData);
    return lstrcmpA(reinterpret_cast<const char*>(name->Name), function) == 0;
}

}  // namespace

bool RedirectImport(HMODULE module, const char* library, const char* function, void* replacement,
                    void** original) {
    BYTE* base = reinterpret_cast<BYTE*>(module);
    const IMAGE_NT_HEADERS* headers = reinterpret_cast<const IMAGE_NT_HEADERS*>(
        base + reinterpret_cast<const IMAGE_DOS_HEADER*>(base)->e_lfanew);
    const IMAGE_DATA_DIRECTORY& imports =
        headers->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (imports.VirtualAddress == 0) return false;
    bool redirected = false;
    for (const IMAGE_IMPORT_DESCRIPTOR* imported =
             reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
         imported->Name != 0; ++imported) {
        if (lstrcmpiA(reinterpret_cast<const char*>(base + imported->Name), library) != 0 ||
            imported->OriginalFirstThunk == 0)
            continue;
        const IMAGE_THUNK_DATA* lookup =
            reinterpret_cast<const IMAGE_THUNK_DATA*>(base + imported->OriginalFirstThunk);
        IMAGE_THUNK_DATA* slot = reinterpret_cast<IMAGE_THUNK_DATA*>(base + imported->FirstThunk);
        for (; lookup->u1.AddressOfData != 0; ++lookup, ++slot) {
            if (!NamesFunction(base, *lookup, function)) continue;
            if (original) *original = reinterpret_cast<void*>(slot->u1.Function);
            if (!WriteSlot(&slot->u1.Function, replacement)) return false;
            redirected = true;
        }
    }
    return redirected;
}
