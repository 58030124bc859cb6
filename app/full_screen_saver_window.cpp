#include "app/full_screen_saver_window.h"

FullScreenSaverWindow::FullScreenSaverWindow() : SaverWindow(), firstMousePos(0) {}

FullScreenSaverWindow::~FullScreenSaverWindow() {}

// A borderless window over the whole screen; `parent` is not used.
int FullScreenSaverWindow::Create(HWND) {
    hwnd = CreateWindowExA(0, "WindowScreenSaverClass", "velmor", WS_POPUP, 0, 0,
                           GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), nullptr,
                           nullptr, GetModuleHandleA(nullptr), this);
    if (hwnd == nullptr) {
        return 0;
    }
    ShowWindow(hwnd, SW_SHOWNORMAL);
    UpdateWindow(hwnd);  // the first WM_PAINT starts the show
    return 1;
}
