// The slide show in the control panel's preview area: it runs in a child of
// another process's window, moves on at a click, and closing it stores
// nothing.  (Under Wine 8 a child window's drawing does not reach the screen
// when its parent belongs to another process, so the preview's pixels are
// checked in-process by the engine's unit tests instead.)

#include <doctest/doctest.h>

#include <cstdio>
#include <string>

#include "tests/e2e/driver/saver_driver.h"
#include "tests/e2e/show_support/session.h"

using namespace show_e2e;

TEST_CASE("the preview runs in its parent's client area and closing it stores nothing") {
    StoreSettings("5", "15");
    std::string settingsBefore;
    REQUIRE(e2e::ReadIniBytes(&settingsBefore));

    // The preview area: a popup whose client area is exactly 152 x 112.
    WNDCLASSA wc = {};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    wc.lpszClassName = "velmor_show_test_preview_area";
    RegisterClassA(&wc);
    HWND area = CreateWindowExA(0, wc.lpszClassName, "preview area",
                                WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 200, 150, 152, 112,
                                nullptr, nullptr, wc.hInstance, nullptr);
    REQUIRE(area != nullptr);
    Wait(200);

    char arguments[64];
    std::snprintf(arguments, sizeof arguments, "/p %lu",
                  static_cast<unsigned long>(reinterpret_cast<UINT_PTR>(area)));
    e2e::SaverProcess saver;
    REQUIRE(saver.Start(arguments));
    HWND preview =
        e2e::WaitForChildWindow(area, saver.Id(), "WindowScreenSaverClass", START_TIMEOUT_MS);
    REQUIRE(preview != nullptr);
    RECT client = e2e::ClientRectOf(preview);
    CHECK(client.right == 152);
    CHECK(client.bottom == 112);

    // Clicks move the preview on through several pictures; none of that
    // may reach the settings file.
    Wait(500);
    for (int i = 0; i < 4; ++i)
        e2e::SendWithTimeout(preview, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5), 10000);
    Wait(500);
    CHECK(saver.IsRunning());

    // The control panel ends the preview by destroying the area.
    DestroyWindow(area);
    DWORD code = 99;
    REQUIRE(saver.WaitForExit(EXIT_TIMEOUT_MS, &code));
    CHECK(code == 0);
    std::string settingsAfter;
    REQUIRE(e2e::ReadIniBytes(&settingsAfter));
    CHECK(settingsAfter == settingsBefore);
}
