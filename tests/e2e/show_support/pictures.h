#ifndef VELMOR_TESTS_E2E_SHOW_SUPPORT_PICTURES_H
#define VELMOR_TESTS_E2E_SHOW_SUPPORT_PICTURES_H

// Screen captures and reference pictures for the slide-show's end-to-end
// tests: a reference is the saver's own IMGDAT resource decoded in the test
// process, and a capture is a rectangle of the screen read back through GDI.

#include <windows.h>

#include <string>
#include <vector>

// A picture as 0x00RRGGBB pixels, top row first.
struct Pixels {
    int width = 0;
    int height = 0;
    std::vector<DWORD> rgb;
    DWORD At(int x, int y) const { return rgb[static_cast<size_t>(y) * width + x]; }
};

// Decodes IMGDAT resource `id` of the executable at `exePath` (loaded as a
// data file) into a reference picture; empty when it cannot.
Pixels DecodeReference(const std::string& exePath, int id);

// Reads a screen rectangle (screen coordinates) through the e2e driver.
Pixels Capture(const RECT& screenRect);
// The client area of a window, in screen coordinates.
RECT ClientAreaOnScreen(HWND hwnd);

// The pixel a brightness step gives: each byte v becomes v * step / steps.
DWORD FadePixel(DWORD rgb, int step, int steps);

// Number of pixels of `shot` that differ from the reference's pixels
// starting at (srcLeft, srcTop), darkened to step/steps.
int CountMismatches(const Pixels& shot, const Pixels& ref, int srcLeft, int srcTop, int step,
                    int steps);

// The fade step 0..steps whose darkened reference matches the shot best;
// `mismatches` receives that step's count.  Ties go to the lowest step.
int BestFadeStep(const Pixels& shot, const Pixels& ref, int srcLeft, int srcTop, int steps,
                 int* mismatches);

// Mean absolute channel difference between the shot and the reference's
// rectangle (srcLeft, srcTop, srcRight, srcBottom) scaled to the shot's size
// by nearest sampling, darkened to step/steps.  For scaled draws, where an
// exact comparison is not possible.
double MeanDifference(const Pixels& shot, const Pixels& ref, int srcLeft, int srcTop, int srcRight,
                      int srcBottom, int step, int steps);

// The fade step whose darkened reference is closest by MeanDifference.
int ClosestFadeStep(const Pixels& shot, const Pixels& ref, int srcLeft, int srcTop, int srcRight,
                    int srcBottom, int steps, double* difference);

// Part of a shot: the rectangle [left, right) x [top, bottom) of it.
Pixels Crop(const Pixels& shot, int left, int top, int right, int bottom);

// Largest channel value in the shot (0 for an all-black rectangle).
int MaxChannel(const Pixels& shot);

// Pixels of the shot, inside x0 <= x < x1, y0 <= y < y1 (shot coordinates),
// that are not black.
int CountNonBlack(const Pixels& shot, int x0, int y0, int x1, int y1);

#endif
