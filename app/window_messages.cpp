// Every message handler of the saver's windows: the class window procedure
// that binds a window to its object, and the two objects' WindowProc, which
// hand the slide show its start, its ticks and its stop.

#include "app/full_screen_saver_window.h"
#include "app/saver_window.h"

LRESULT CALLBACK SaverWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    SaverWindow* window = reinterpret_cast<SaverWindow*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (window == nullptr) {
        if (message != WM_CREATE) {
            return DefWindowProcA(hwnd, message, wParam, lParam);
        }
        const CREATESTRUCTA* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
        window = static_cast<SaverWindow*>(create->lpCreateParams);
        if (window == nullptr) {
            return DefWindowProcA(hwnd, message, wParam, lParam);
        }
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(window));
        // CreateWindowExA has not returned yet; the messages sent during
        // creation still need the real handle for their default processing.
        window->Bind(hwnd);
    }
    return window->WindowProc(message, wParam, lParam);
}

LRESULT SaverWindow::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_TIMER:
            if (wParam == shows.timer.timerId) {
                shows.OnTimer();
            }
            break;
        case WM_PAINT: {
            // No drawing here: the default processing erases with black, and
            // the shows there draw their pictures again at their next tick.
            RECT updated = {0, 0, 0, 0};
            GetUpdateRect(hwnd, &updated, FALSE);
            shows.OnPaint(updated);
            break;
        }
        case WM_LBUTTONDOWN:
            shows.OnClick();  // a tick at once, which moves on to the next picture
            break;
        case WM_DESTROY:
            shows.StopShow();
            PostQuitMessage(0);
            return 0;
        case WM_NCDESTROY: {
            HWND window = hwnd;
            // Nothing may reach the object through the window once it is gone.
            SetWindowLongPtrA(window, GWLP_USERDATA, 0);
            ReleaseAfterWindow();
            return DefWindowProcA(window, message, wParam, lParam);
        }
        default:
            break;
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

// The full-screen saver ends by posting WM_CLOSE to itself whenever its
// input rule says so; it refuses to give up its activation by other means.
LRESULT FullScreenSaverWindow::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_TIMER:
        case WM_PAINT:
        case WM_DESTROY:
        case WM_NCDESTROY:
            return SaverWindow::WindowProc(message, wParam, lParam);
        case WM_NCACTIVATE:
            if (wParam == 0) {
                return 0;  // stay active
            }
            break;
        case WM_SYSCOMMAND:
            // The whole wParam is compared: only these exact commands are refused.
            if (wParam == SC_SCREENSAVE || wParam == SC_CLOSE) {
                return 0;
            }
            break;
        case WM_DISPLAYCHANGE:
            FollowDisplayChange();  // not input: the rule below lets it pass
            break;
        case WM_MOUSEMOVE:
            if (firstMousePos == 0 && lParam == pointerAtDisplayChange) {
                // The pointer where the display change left it: not input.
                return DefWindowProcA(hwnd, message, wParam, lParam);
            }
            break;
        default:
            break;
    }
    if (EndsFullScreenSaver(message, wParam, lParam, firstMousePos)) {
        PostMessageA(hwnd, WM_CLOSE, 0, 0);
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}
