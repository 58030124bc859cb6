#ifndef VELMOR_WIN32_GDI_OBJECT_H
#define VELMOR_WIN32_GDI_OBJECT_H

#include <windows.h>

#include "win32/owned_handle.h"

struct GdiObjectTraits {
    template <typename Handle>
    static bool Holds(Handle object) {
        return object != nullptr;
    }
    template <typename Handle>
    static bool Close(Handle object) {
        return DeleteObject(object) != 0;
    }
};

// Owns a GDI object (a bitmap, palette, region...) and deletes it when the
// owner goes, unless it was handed on with Release.
template <typename Handle>
using GdiObject = OwnedHandle<Handle, GdiObjectTraits>;

#endif
