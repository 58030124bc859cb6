#ifndef VELMOR_WIN32_DEVICE_CONTEXT_H
#define VELMOR_WIN32_DEVICE_CONTEXT_H

// Device contexts and what is selected into them, each released or put
// back by its owner on every exit.
#include <windows.h>

// A window's device context (GetDC), released when the owner goes.
class WindowDc {
public:
    explicit WindowDc(HWND hwnd) : hwnd(hwnd), dc(GetDC(hwnd)) {}
    ~WindowDc() {
        if (dc) ReleaseDC(hwnd, dc);
    }
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;

    HDC Get() const { return dc; }

private:
    HWND hwnd;
    HDC dc;
};

// A memory device context compatible with another; the bitmap and palette
// selected into it are put back before it is deleted.
class MemoryDc {
public:
    explicit MemoryDc(HDC compatibleWith) : dc(CreateCompatibleDC(compatibleWith)) {}
    ~MemoryDc() {
        if (!dc) return;
        if (previousBitmap) SelectObject(dc, previousBitmap);
        if (previousPalette) ::SelectPalette(dc, previousPalette, FALSE);
        DeleteDC(dc);
    }
    MemoryDc(const MemoryDc&) = delete;
    MemoryDc& operator=(const MemoryDc&) = delete;

    HDC Get() const { return dc; }
    void SelectBitmap(HBITMAP bitmap) {
        HGDIOBJ previous = SelectObject(dc, bitmap);
        if (!previousBitmap) previousBitmap = previous;
    }
    // Selects `palette` (not forced to the background) and realises it.
    void SelectPalette(HPALETTE palette) {
        HPALETTE previous = ::SelectPalette(dc, palette, FALSE);
        if (!previousPalette) previousPalette = previous;
        RealizePalette(dc);
    }
    // Puts the palette that was there first back now, before the owner goes.
    void RestorePalette() {
        if (previousPalette) ::SelectPalette(dc, previousPalette, FALSE);
        previousPalette = nullptr;
    }

private:
    HDC dc;
    HGDIOBJ previousBitmap = nullptr;
    HPALETTE previousPalette = nullptr;
};

// A palette selected into a device context that the caller owns (not forced
// to the background) and realised; the palette it replaced goes back, forced
// to the background, when the owner goes.  A null palette selects nothing.
class SelectedPalette {
public:
    SelectedPalette(HDC dc, HPALETTE palette)
        : dc(dc), previous(palette ? SelectPalette(dc, palette, FALSE) : nullptr) {
        if (palette) RealizePalette(dc);
    }
    ~SelectedPalette() {
        if (previous) SelectPalette(dc, previous, TRUE);
    }
    SelectedPalette(const SelectedPalette&) = delete;
    SelectedPalette& operator=(const SelectedPalette&) = delete;

private:
    HDC dc;
    HPALETTE previous;
};

// StretchBlt in HALFTONE mode for the owner's lifetime: the source pixels
// that meet in one destination pixel are averaged, where the default mode
// ANDs them (dark lines across a scaled photograph) and COLORONCOLOR drops
// them.  HALFTONE needs the brush origin set after the mode is chosen; mode
// and origin go back when the owner goes.
class HalftoneStretch {
public:
    explicit HalftoneStretch(HDC dc) : dc(dc), previousMode(SetStretchBltMode(dc, HALFTONE)) {
        if (!SetBrushOrgEx(dc, 0, 0, &previousOrigin)) previousOrigin = {0, 0};
    }
    ~HalftoneStretch() {
        SetBrushOrgEx(dc, previousOrigin.x, previousOrigin.y, nullptr);
        if (previousMode) SetStretchBltMode(dc, previousMode);
    }
    HalftoneStretch(const HalftoneStretch&) = delete;
    HalftoneStretch& operator=(const HalftoneStretch&) = delete;

private:
    HDC dc;
    int previousMode;
    POINT previousOrigin = {0, 0};
};

#endif
