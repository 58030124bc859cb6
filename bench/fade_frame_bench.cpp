// Times one fade frame as the slide show draws it into an 800 x 600 window:
//   - Fade + Draw of a 360 x 480 picture (IMGDAT 140), drawn at its own size;
//   - FadeRect + Draw of a third of the 1420 x 360 wide picture (IMGDAT 151).
// For comparison in the same run it also times Draw alone (a steady frame)
// and the fades alone.  Rounds alternate between the cases; the median of
// the rounds is printed, in milliseconds per frame.
//
// Usage: fade_frame_bench.exe [frames-per-round] [rounds]
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "image/jpeg_image.h"

namespace {

const int WINDOW_WIDTH = 800;
const int WINDOW_HEIGHT = 600;

double Now() {
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return 1000.0 * static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

void PumpMessages() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
}

HWND MakeWindow() {
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    windowClass.lpszClassName = "velmor_fade_bench";
    RegisterClassA(&windowClass);
    HWND window = CreateWindowExA(0, "velmor_fade_bench", "fade bench", WS_POPUP | WS_VISIBLE, 0, 0,
                                  WINDOW_WIDTH, WINDOW_HEIGHT, nullptr, nullptr,
                                  windowClass.hInstance, nullptr);
    PumpMessages();
    return window;
}

struct Case {
    const char* name;
    std::vector<double> roundMs;
};

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    const int frames = argc > 1 ? std::atoi(argv[1]) : 60;
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 9;

    JpegImage portrait;
    JpegImage wide;
    if (!portrait.LoadFromResource(140, nullptr) || !wide.LoadFromResource(151, nullptr)) {
        std::printf("pictures 140 and 151 did not load\n");
        return 1;
    }
    HWND window = MakeWindow();
    HDC dc = GetDC(window);

    // Layout in an 800 x 600 client area: both are drawn at their own size,
    // centred (the wide picture shows a third of its width, 473 pixels).
    const int pw = portrait.Width(), ph = portrait.Height(true);
    const int px = (WINDOW_WIDTH - pw) / 2, py = (WINDOW_HEIGHT - ph) / 2;
    const int ww = wide.Width(), wh = wide.Height(true);
    const int third = ww / 3;
    const int wx = (WINDOW_WIDTH - third) / 2, wy = (WINDOW_HEIGHT - wh) / 2;

    Case cases[] = {{"Fade + Draw, 360x480", {}},
                    {"FadeRect + Draw, 473x360 of 1420x360", {}},
                    {"Draw only, 360x480 (steady frame)", {}},
                    {"Draw only, 473x360 of 1420x360", {}},
                    {"Fade only, 360x480", {}},
                    {"FadeRect only, 473x360 of 1420x360", {}}};

    for (int round = 0; round < rounds; ++round) {
        for (int c = 0; c < 6; ++c) {
            const double start = Now();
            for (int f = 0; f < frames; ++f) {
                const int step = 1 + f % 29;  // table path: 0 < step < 30
                const int right = ww - (f * 7) % (ww - third + 1);
                const int left = right - third;
                switch (c) {
                    case 0:
                        portrait.Fade(dc, step, 30);
                        portrait.Draw(dc, px, py, px + pw, py + ph, 0, 0, pw, ph, SRCCOPY);
                        break;
                    case 1:
                        wide.FadeRect(dc, step, 30, left, 0, right, wh);
                        wide.Draw(dc, wx, wy, wx + third, wy + wh, left, 0, right, wh, SRCCOPY);
                        break;
                    case 2:
                        portrait.Draw(dc, px, py, px + pw, py + ph, 0, 0, pw, ph, SRCCOPY);
                        break;
                    case 3:
                        wide.Draw(dc, wx, wy, wx + third, wy + wh, left, 0, right, wh, SRCCOPY);
                        break;
                    case 4:
                        portrait.Fade(dc, step, 30);
                        break;
                    case 5:
                        wide.FadeRect(dc, step, 30, left, 0, right, wh);
                        break;
                }
                GdiFlush();
            }
            cases[c].roundMs.push_back((Now() - start) / frames);
            PumpMessages();
        }
    }

    std::printf("%d rounds of %d frames, median ms per frame:\n", rounds, frames);
    for (const Case& c : cases) {
        std::printf("  %-40s %7.3f  (min %.3f, max %.3f)\n", c.name, Median(c.roundMs),
                    *std::min_element(c.roundMs.begin(), c.roundMs.end()),
                    *std::max_element(c.roundMs.begin(), c.roundMs.end()));
    }
    std::printf("  ratio FadeRect+Draw / Fade+Draw: %.2f\n",
                Median(cases[1].roundMs) / Median(cases[0].roundMs));

    ReleaseDC(window, dc);
    DestroyWindow(window);
    return 0;
}
