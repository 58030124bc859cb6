#ifndef VELMOR_IMAGE_JPEG_IMAGE_H
#define VELMOR_IMAGE_JPEG_IMAGE_H

#include "image/dib_image.h"

// A picture filled from a JPEG stream stored in an "IMGDAT" resource.
class JpegImage : public DibImage {
public:
    JpegImage();
    ~JpegImage() override;

    // Decodes IMGDAT resource `id` of `module` (null: the executable).
    // 1 when the resource was found and decoded into a picture, else 0.
    int LoadFromResource(int id, HMODULE module);

private:
    // Replaces the picture with the one `length` bytes of JPEG stream hold.
    int Decode(const BYTE* stream, DWORD length);
};

#endif
