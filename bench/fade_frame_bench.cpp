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
#include "win32/device_context.h"

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

// The two pictures and where the slide show would draw them in the 800 x 600
// client area: at their own size, centred (the wide picture shows a third
// of its width, 473 pixels).
struct Scene {
    JpegImage portrait;
    JpegImage wide;
    int pw = 0, ph = 0, px = 0, py = 0;
    int ww = 0, wh = 0, third = 0, wx = 0, wy = 0;

    bool Load() {
        if (!portrait.LoadFromResource(140, nullptr) || !wide.LoadFromResource(151, nullptr))
            return false;
        pw = portrait.Width(), ph = portrait.Height(true);
        px = (WINDOW_WIDTH - pw) / 2, py = (WINDOW_HEIGHT - ph) / 2;
        ww = wide.Width(), wh = wide.Height(true);
        third = ww / 3;
        wx = (WINDOW_WIDTH - third) / 2, wy = (WINDOW_HEIGHT - wh) / 2;
        return true;
    }

    // Frame f of case c (the order of the cases in main).
    void Frame(HDC dc, int c, int f) {
        const int step = 1 + f % 29;  // 0 < step < 30: the darkening path
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
};

void PrintResults(const Case* cases, int count, int rounds, int frames) {
    std::printf("%d rounds of %d frames, median ms per frame:\n", rounds, frames);
    for (int c = 0; c < count; ++c) {
        const std::vector<double>& ms = cases[c].roundMs;
        std::printf("  %-40s %7.3f  (min %.3f, max %.3f)\n", cases[c].name, Median(ms),
                    *std::min_element(ms.begin(), ms.end()),
                    *std::max_element(ms.begin(), ms.end()));
    }
    std::printf("  ratio FadeRect+Draw / Fade+Draw: %.2f\n",
                Median(cases[1].roundMs) / Median(cases[0].roundMs));
}

// Rounds alternate between the cases; each round times `frames` frames of
// every case, and the median over the rounds is printed.
void RunCases(HDC dc, Scene& scene, int frames, int rounds) {
    Case cases[] = {{"Fade + Draw, 360x480", {}},
                    {"FadeRect + Draw, 473x360 of 1420x360", {}},
                    {"Draw only, 360x480 (steady frame)", {}},
                    {"Draw only, 473x360 of 1420x360", {}},
                    {"Fade only, 360x480", {}},
                    {"FadeRect only, 473x360 of 1420x360", {}}};
    const int caseCount = static_cast<int>(sizeof cases / sizeof cases[0]);
    for (int round = 0; round < rounds; ++round) {
        for (int c = 0; c < caseCount; ++c) {
            const double start = Now();
            for (int f = 0; f < frames; ++f) scene.Frame(dc, c, f);
            cases[c].roundMs.push_back((Now() - start) / frames);
            PumpMessages();
        }
    }
    PrintResults(cases, caseCount, rounds, frames);
}

}  // namespace

int main(int argc, char** argv) {
    const int frames = argc > 1 ? std::atoi(argv[1]) : 60;
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 9;

    Scene scene;
    if (!scene.Load()) {
        std::printf("pictures 140 and 151 did not load\n");
        return 1;
    }
    HWND window = MakeWindow();
    {
        WindowDc dc(window);
        RunCases(dc.Get(), scene, frames, rounds);
    }
    DestroyWindow(window);
    return 0;
}
