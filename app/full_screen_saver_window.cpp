#include "app/full_screen_saver_window.h"

FullScreenSaverWindow::FullScreenSaverWindow() : SaverWindow(), firstMousePos(0) {}

FullScreenSaverWindow::~FullScreenSaverWindow() {}

// A borderless window over the whole screen; `parent` is not used.
int FullScreenSaverWindow::Create(HWND) {
    return MakeWindow(SAVER_CLASS, "velmor", WS_POPUP, 0, 0, GetSystemMetrics(SM_CXSCREEN),
                      GetSystemMetrics(SM_CYSCREEN), nullptr);
}

bool EndsFullScreenSaver(UINT message, WPARAM wParam, LPARAM lParam, LPARAM& firstMousePos) {
    switch (message) {
        case WM_ACTIVATE:
            return LOWORD(wParam) == WA_INACTIVE;
        case WM_ACTIVATEAPP:
            return wParam == 0;  // another application is being activated
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN:
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
        case WM_MBUTTONDOWN:
            return true;
        case WM_MOUSEMOVE:
            // A window that appears under the pointer is told where it is: the
            // first position counts as none moved yet.
            if (firstMousePos == 0) {
                firstMousePos = lParam;
                return false;
            }
            return lParam != firstMousePos;
        default:
            return false;
    }
}
