#include "tests/e2e/show_pictures.h"

#include "jpeg/jpeg_image.h"

namespace {

BYTE Channel(DWORD rgb, int shift) { return static_cast<BYTE>((rgb >> shift) & 0xFF); }

}  // namespace

Pixels DecodeReference(const std::string& exePath, int id)
{
    Pixels out;
    HMODULE module = LoadLibraryExA(exePath.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!module)
        return out;
    JpegImage image;
    if (image.LoadFromResource(id, module) == 1) {
        int w = image.Width();
        int h = image.Height(true);
        int stride = image.RowStride();
        HLOCAL block = image.PixelBlock();
        const BYTE* p = block ? static_cast<const BYTE*>(LocalLock(block)) : nullptr;
        if (p && w > 0 && h > 0 && static_cast<long long>(stride) * h <= image.ImageSize()) {
            out.width = w;
            out.height = h;
            out.rgb.resize(static_cast<size_t>(w) * h);
            for (int y = 0; y < h; ++y) {
                const BYTE* row = p + static_cast<size_t>(h - 1 - y) * stride;   // bottom-up
                for (int x = 0; x < w; ++x)
                    out.rgb[static_cast<size_t>(y) * w + x] =
                        (row[3 * x + 2] << 16) | (row[3 * x + 1] << 8) | row[3 * x];
            }
        }
        if (p)
            LocalUnlock(block);
    }
    FreeLibrary(module);
    return out;
}

Pixels CaptureScreen(int left, int top, int right, int bottom)
{
    Pixels out;
    int w = right - left;
    int h = bottom - top;
    if (w <= 0 || h <= 0)
        return out;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = w;
    info.bmiHeader.biHeight = -h;   // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP section = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (section && bits) {
        HGDIOBJ old = SelectObject(memory, section);
        if (BitBlt(memory, 0, 0, w, h, screen, left, top, SRCCOPY)) {
            out.width = w;
            out.height = h;
            const DWORD* px = static_cast<const DWORD*>(bits);
            out.rgb.assign(px, px + static_cast<size_t>(w) * h);
            for (DWORD& v : out.rgb)
                v &= 0xFFFFFF;
        }
        SelectObject(memory, old);
    }
    if (section)
        DeleteObject(section);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return out;
}

DWORD FadePixel(DWORD rgb, int step, int steps)
{
    if (step <= 0)
        return 0;
    if (step >= steps)
        return rgb & 0xFFFFFF;
    DWORD r = Channel(rgb, 16) * step / steps;
    DWORD g = Channel(rgb, 8) * step / steps;
    DWORD b = Channel(rgb, 0) * step / steps;
    return (r << 16) | (g << 8) | b;
}

int CountMismatches(const Pixels& shot, const Pixels& ref, int srcLeft, int srcTop, int step,
                    int steps)
{
    int bad = 0;
    for (int y = 0; y < shot.height; ++y) {
        for (int x = 0; x < shot.width; ++x) {
            int rx = srcLeft + x;
            int ry = srcTop + y;
            DWORD want = 0x1000000;   // no such pixel: never matches
            if (rx >= 0 && ry >= 0 && rx < ref.width && ry < ref.height)
                want = FadePixel(ref.At(rx, ry), step, steps);
            bad += shot.At(x, y) != want;
        }
    }
    return bad;
}

int BestFadeStep(const Pixels& shot, const Pixels& ref, int srcLeft, int srcTop, int steps,
                 int* mismatches)
{
    int best = 0;
    int bestBad = -1;
    for (int step = 0; step <= steps; ++step) {
        int bad = CountMismatches(shot, ref, srcLeft, srcTop, step, steps);
        if (bestBad < 0 || bad < bestBad) {
            best = step;
            bestBad = bad;
        }
    }
    if (mismatches)
        *mismatches = bestBad;
    return best;
}

int MaxChannel(const Pixels& shot)
{
    int most = 0;
    for (DWORD v : shot.rgb)
        for (int shift = 0; shift <= 16; shift += 8)
            if (Channel(v, shift) > most)
                most = Channel(v, shift);
    return most;
}

int CountNonBlack(const Pixels& shot, int x0, int y0, int x1, int y1)
{
    int n = 0;
    for (int y = y0; y < y1 && y < shot.height; ++y)
        for (int x = x0; x < x1 && x < shot.width; ++x)
            n += shot.At(x, y) != 0;
    return n;
}
