#ifndef VELMOR_IMAGE_BRIGHTNESS_H
#define VELMOR_IMAGE_BRIGHTNESS_H

#include "win32/win32_compat.h"

// Darkens `count` bytes for one fade frame: each byte v becomes
// v * step / steps, rounded toward zero (the brightness table's entry v).
// For 0 < step < steps.  `source` and `target` may not overlap.
void ScaleBrightness(const BYTE* source, BYTE* target, SIZE_T count, int step, int steps);

#endif
