#ifndef VELMOR_IMAGE_GDI_OBJECT_H
#define VELMOR_IMAGE_GDI_OBJECT_H

#include <windows.h>

// Owns a GDI object (a bitmap, palette, region...) and deletes it when the
// owner goes, unless it was handed on with Release.
template <typename Handle>
class GdiObject {
public:
    explicit GdiObject(Handle object = nullptr) : object(object) {}
    ~GdiObject() { Reset(nullptr); }
    GdiObject(const GdiObject&) = delete;
    GdiObject& operator=(const GdiObject&) = delete;

    Handle Get() const { return object; }
    explicit operator bool() const { return object != nullptr; }
    Handle Release() {
        Handle handed = object;
        object = nullptr;
        return handed;
    }
    void Reset(Handle replacement) {
        if (object) DeleteObject(object);
        object = replacement;
    }

private:
    Handle object;
};

#endif
