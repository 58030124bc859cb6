#include "app/full_screen_saver_window.h"

#include "app/monitors.h"

namespace {

// One stage on each monitor; the primary one alone where the system lists
// no monitors.
int FullScreenStages(const FullScreenPlacement& place, Stage (&stages)[ShowSet::MOST_SHOWS]) {
    POINT origin = {place.window.left, place.window.top};
    int count = MonitorStages(origin, stages, ShowSet::MOST_SHOWS);
    if (count > 0) return count;
    stages[0] = Stage();
    stages[0].area = place.stage;
    stages[0].primary = true;
    return 1;
}

}  // namespace

FullScreenSaverWindow::FullScreenSaverWindow()
    : SaverWindow(), firstMousePos(0), pointerAtDisplayChange(0) {}

FullScreenSaverWindow::~FullScreenSaverWindow() {}

// A borderless window over every monitor, a show on each; `parent` is not
// used.
int FullScreenSaverWindow::Create(HWND) {
    FullScreenPlacement place = CurrentFullScreenPlacement();
    Stage stages[ShowSet::MOST_SHOWS];
    if (shows.SetStages(stages, FullScreenStages(place, stages)) == 0) return 0;
    const RECT& area = place.window;
    return MakeWindow(SAVER_CLASS, "velmor", WS_POPUP, area.left, area.top, area.right - area.left,
                      area.bottom - area.top, nullptr);
}

void FullScreenSaverWindow::FollowDisplayChange() {
    FullScreenPlacement place = CurrentFullScreenPlacement();
    const RECT& area = place.window;
    SetWindowPos(hwnd, nullptr, area.left, area.top, area.right - area.left, area.bottom - area.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    // The client coordinates of the pointer changed with the window's place
    // (and the system may have moved the pointer off a monitor that went),
    // and the system may report the pointer again.  Neither is input: a
    // first position seen before becomes where the pointer is now, and with
    // none seen yet, a report of the pointer there does not make one.
    POINT pointer = {0, 0};
    POINT origin = {0, 0};
    if (GetCursorPos(&pointer) && ClientToScreen(hwnd, &origin)) {
        LPARAM where = PointerInClient(pointer, origin);
        if (firstMousePos != 0)
            firstMousePos = where;
        else
            pointerAtDisplayChange = where;
    }
    Stage stages[ShowSet::MOST_SHOWS];
    shows.SetStages(stages, FullScreenStages(place, stages));
}

FullScreenPlacement PlaceFullScreen(const RECT& virtualScreen, int primaryWidth,
                                    int primaryHeight) {
    FullScreenPlacement place;
    place.window = virtualScreen;
    if (IsRectEmpty(&virtualScreen)) {
        SetRect(&place.window, 0, 0, primaryWidth, primaryHeight);
    }
    // The primary monitor is at 0,0 of the screen.
    int left = -place.window.left;
    int top = -place.window.top;
    SetRect(&place.stage, left, top, left + primaryWidth, top + primaryHeight);
    return place;
}

FullScreenPlacement CurrentFullScreenPlacement() {
    int left = GetSystemMetrics(SM_XVIRTUALSCREEN);
    int top = GetSystemMetrics(SM_YVIRTUALSCREEN);
    RECT virtualScreen = {left, top, left + GetSystemMetrics(SM_CXVIRTUALSCREEN),
                          top + GetSystemMetrics(SM_CYVIRTUALSCREEN)};
    return PlaceFullScreen(virtualScreen, GetSystemMetrics(SM_CXSCREEN),
                           GetSystemMetrics(SM_CYSCREEN));
}

LPARAM PointerInClient(POINT pointer, POINT clientOrigin) {
    return MAKELPARAM(pointer.x - clientOrigin.x, pointer.y - clientOrigin.y);
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
