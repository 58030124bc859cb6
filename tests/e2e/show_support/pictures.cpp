#include "tests/e2e/show_support/pictures.h"

#include <cstdlib>

#include "tests/e2e/driver/saver_driver.h"

#include "image/jpeg_image.h"

namespace {

BYTE Channel(DWORD rgb, int shift) {
    return static_cast<BYTE>((rgb >> shift) & 0xFF);
}

}  // namespace

Pixels DecodeReference(const std::string& exePath, int id) {
    Pixels out;
    HMODULE module = LoadLibraryExA(exePath.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!module) return out;
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
                const BYTE* row = p + static_cast<size_t>(h - 1 - y) * stride;  // bottom-up
                for (int x = 0; x < w; ++x)
                    out.rgb[static_cast<size_t>(y) * w + x] =
                        (row[3 * x + 2] << 16) | (row[3 * x + 1] << 8) | row[3 * x];
            }
        }
        if (p) LocalUnlock(block);
    }
    FreeLibrary(module);
    return out;
}

Pixels Capture(const RECT& screenRect) {
    Pixels out;
    e2e::Screenshot shot;
    if (!e2e::CaptureScreen(screenRect, &shot)) return out;
    out.width = shot.width;
    out.height = shot.height;
    out.rgb.resize(static_cast<size_t>(shot.width) * shot.height);
    for (int y = 0; y < shot.height; ++y)
        for (int x = 0; x < shot.width; ++x)
            out.rgb[static_cast<size_t>(y) * shot.width + x] = shot.Pixel(x, y) & 0xFFFFFF;
    return out;
}

RECT ClientAreaOnScreen(HWND hwnd) {
    RECT r = {0, 0, 0, 0};
    GetClientRect(hwnd, &r);
    POINT origin = {0, 0};
    ClientToScreen(hwnd, &origin);
    OffsetRect(&r, origin.x, origin.y);
    return r;
}

Pixels Crop(const Pixels& shot, int left, int top, int right, int bottom) {
    Pixels out;
    if (left < 0 || top < 0 || right > shot.width || bottom > shot.height || right <= left ||
        bottom <= top)
        return out;
    out.width = right - left;
    out.height = bottom - top;
    for (int y = top; y < bottom; ++y)
        for (int x = left; x < right; ++x) out.rgb.push_back(shot.At(x, y));
    return out;
}

double MeanDifference(const Pixels& shot, const Pixels& ref, int srcLeft, int srcTop, int srcRight,
                      int srcBottom, int step, int steps) {
    if (shot.width <= 0 || shot.height <= 0 || srcRight <= srcLeft || srcBottom <= srcTop)
        return 1e9;
    long long total = 0;
    for (int y = 0; y < shot.height; ++y) {
        int ry = srcTop +
                 static_cast<int>(static_cast<long long>(y) * (srcBottom - srcTop) / shot.height);
        for (int x = 0; x < shot.width; ++x) {
            int rx = srcLeft + static_cast<int>(static_cast<long long>(x) * (srcRight - srcLeft) /
                                                shot.width);
            if (rx < 0 || ry < 0 || rx >= ref.width || ry >= ref.height) return 1e9;
            DWORD want = FadePixel(ref.At(rx, ry), step, steps);
            DWORD got = shot.At(x, y);
            for (int shift = 0; shift <= 16; shift += 8)
                total += std::abs(static_cast<int>((want >> shift) & 0xFF) -
                                  static_cast<int>((got >> shift) & 0xFF));
        }
    }
    return static_cast<double>(total) / (3.0 * shot.width * shot.height);
}

int ClosestFadeStep(const Pixels& shot, const Pixels& ref, int srcLeft, int srcTop, int srcRight,
                    int srcBottom, int steps, double* difference) {
    int best = 0;
    double bestDiff = -1;
    for (int step = 0; step <= steps; ++step) {
        double d = MeanDifference(shot, ref, srcLeft, srcTop, srcRight, srcBottom, step, steps);
        if (bestDiff < 0 || d < bestDiff) {
            best = step;
            bestDiff = d;
        }
    }
    if (difference) *difference = bestDiff;
    return best;
}

DWORD FadePixel(DWORD rgb, int step, int steps) {
    if (step <= 0) return 0;
    if (step >= steps) return rgb & 0xFFFFFF;
    DWORD r = Channel(rgb, 16) * step / steps;
    DWORD g = Channel(rgb, 8) * step / steps;
    DWORD b = Channel(rgb, 0) * step / steps;
    return (r << 16) | (g << 8) | b;
}

int CountMismatches(const Pixels& shot, const Pixels& ref, int srcLeft, int srcTop, int step,
                    int steps) {
    int bad = 0;
    for (int y = 0; y < shot.height; ++y) {
        for (int x = 0; x < shot.width; ++x) {
            int rx = srcLeft + x;
            int ry = srcTop + y;
            DWORD want = 0x1000000;  // no such pixel: never matches
            if (rx >= 0 && ry >= 0 && rx < ref.width && ry < ref.height)
                want = FadePixel(ref.At(rx, ry), step, steps);
            bad += shot.At(x, y) != want;
        }
    }
    return bad;
}

int BestFadeStep(const Pixels& shot, const Pixels& ref, int srcLeft, int srcTop, int steps,
                 int* mismatches) {
    int best = 0;
    int bestBad = -1;
    for (int step = 0; step <= steps; ++step) {
        int bad = CountMismatches(shot, ref, srcLeft, srcTop, step, steps);
        if (bestBad < 0 || bad < bestBad) {
            best = step;
            bestBad = bad;
        }
    }
    if (mismatches) *mismatches = bestBad;
    return best;
}

int MaxChannel(const Pixels& shot) {
    int most = 0;
    for (DWORD v : shot.rgb)
        for (int shift = 0; shift <= 16; shift += 8)
            if (Channel(v, shift) > most) most = Channel(v, shift);
    return most;
}

int CountNonBlack(const Pixels& shot, int x0, int y0, int x1, int y1) {
    int n = 0;
    for (int y = y0; y < y1 && y < shot.height; ++y)
        for (int x = x0; x < x1 && x < shot.width; ++x) n += shot.At(x, y) != 0;
    return n;
}
