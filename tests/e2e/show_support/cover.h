#ifndef VELMOR_TESTS_E2E_SHOW_SUPPORT_COVER_H
#define VELMOR_TESTS_E2E_SHOW_SUPPORT_COVER_H

#include <windows.h>

#include "tests/e2e/driver/saver_driver.h"

namespace show_e2e {

// A white window of this process over the whole screen, so that whatever
// the saver leaves undrawn shows up as white rather than as the black
// desktop; or over a part of the screen, to cover part of a window and
// uncover it again when the cover goes.
class WhiteCover {
public:
    WhiteCover()
        : WhiteCover(RECT{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)}) {}
    explicit WhiteCover(const RECT& area) {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = DefWindowProcA;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
        wc.lpszClassName = "velmor_show_test_cover";
        RegisterClassA(&wc);
        hwnd = CreateWindowExA(0, wc.lpszClassName, "cover", WS_POPUP | WS_VISIBLE, area.left,
                               area.top, area.right - area.left, area.bottom - area.top, nullptr,
                               nullptr, wc.hInstance, nullptr);
        e2e::PumpMessages(200);
    }
    ~WhiteCover() {
        if (IsWindow(hwnd)) DestroyWindow(hwnd);
    }
    HWND hwnd;
};

}  // namespace show_e2e

#endif
