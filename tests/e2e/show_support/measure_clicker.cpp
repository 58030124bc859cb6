// Helper of measure_cpu.sh: gives the windowed saver a 640 x 480 client area
// (where 360 x 480 pictures are blitted at their own size) and clicks it:
// once, or every `period` ms for `seconds` s.
//   show_measure_clicker <period ms> <seconds>    (period 0: one click)

#include <windows.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    int period = argc > 1 ? std::atoi(argv[1]) : 0;
    int seconds = argc > 2 ? std::atoi(argv[2]) : 0;
    HWND window = nullptr;
    for (int i = 0; i < 200 && !window; ++i) {
        window = FindWindowA("velmor_CN", nullptr);
        if (!window) Sleep(50);
    }
    if (!window) {
        std::fprintf(stderr, "no saver window\n");
        return 1;
    }
    RECT r = {0, 0, 640, 480};
    AdjustWindowRectEx(&r, static_cast<DWORD>(GetWindowLongA(window, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongA(window, GWL_EXSTYLE)));
    SetWindowPos(window, nullptr, 0, 0, r.right - r.left, r.bottom - r.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    DWORD end = GetTickCount() + static_cast<DWORD>(seconds) * 1000;
    int clicks = 0;
    do {
        DWORD_PTR result = 0;
        SendMessageTimeoutA(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10), SMTO_NORMAL,
                            10000, &result);
        ++clicks;
        if (period > 0) Sleep(static_cast<DWORD>(period));
    } while (period > 0 && static_cast<LONG>(end - GetTickCount()) > 0);
    std::printf("%d clicks\n", clicks);
    return 0;
}
