#ifndef VELMOR_IMAGE_GDI_OBJECT_H
#define VELMOR_IMAGE_GDI_OBJECT_H

#include <windows.h>

#include "image/scoped_handle.h"

template <typename ObjectHandle>
struct GdiObjectTraits {
    using Handle = ObjectHandle;
    static Handle None() { return nullptr; }
    static bool IsValid(Handle object) { return object != nullptr; }
    static bool Free(Handle object) { return DeleteObject(object) != 0; }
};

// Owns a GDI object (a bitmap, palette, region...) and deletes it when the
// owner goes: GdiObject<HRGN> region(CreateRectRgn(...)).
template <typename ObjectHandle>
using GdiObject = ScopedHandle<GdiObjectTraits<ObjectHandle>>;

#endif
