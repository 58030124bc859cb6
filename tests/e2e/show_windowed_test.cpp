// The slide show in its ordinary window: a left click moves on to the next
// picture from black, closing stores the picture on screen, which the next
// start shows again, and a steady picture is drawn again only once it has
// been covered.

#include <doctest/doctest.h>

#include <string>

#include "tests/e2e/driver/saver_driver.h"
#include "tests/e2e/show_support/cover.h"
#include "tests/e2e/show_support/pictures.h"
#include "tests/e2e/show_support/session.h"

using namespace show_e2e;

namespace {

// Gives a window a 640 x 480 client area at the top-left of the screen.
void SetClientSize640x480(HWND hwnd) {
    RECT r = {0, 0, 640, 480};
    AdjustWindowRectEx(&r, e2e::StyleOf(hwnd), FALSE, e2e::ExStyleOf(hwnd));
    SetWindowPos(hwnd, nullptr, 0, 0, r.right - r.left, r.bottom - r.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    Wait(200);
}

// Starts the windowed saver and gives its window a 640 x 480 client area;
// the new size takes effect at the next picture.
HWND StartWindowed640x480(e2e::SaverProcess& saver) {
    REQUIRE(saver.Start(""));
    HWND window = e2e::WaitForTopLevelWindow(saver.Id(), "velmor_CN", START_TIMEOUT_MS);
    REQUIRE(window != nullptr);
    SetClientSize640x480(window);
    return window;
}

}  // namespace

TEST_CASE("a click during the fade-in clears the window and fades the next picture in") {
    StoreSettings(nullptr, nullptr);  // picture 1, 30 s
    e2e::SaverProcess saver;
    HWND window = StartWindowed640x480(saver);
    RECT client = ClientAreaOnScreen(window);
    REQUIRE(client.right - client.left == 640);
    REQUIRE(client.bottom - client.top == 480);

    Wait(800);  // picture 1 is part-way through its fade-in
    Pixels before = Capture(client);
    REQUIRE(before.width == 640);
    CHECK(MaxChannel(before) > 40);

    e2e::SendWithTimeout(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 20), 10000);
    e2e::SendWithTimeout(window, WM_LBUTTONUP, 0, MAKELPARAM(20, 20));
    Wait(30);  // the window's repaint clears it
    double clickedMs = NowMs();
    Pixels after = Capture(client);
    // Black, apart from the first fade steps of the new picture.
    CHECK(MaxChannel(after) <= 255 * 2 / 30);
    int bad = 0;
    Pixels newPicture = Crop(after, 140, 0, 500, 480);
    int step = BestFadeStep(newPicture, Reference(2), 0, 0, 30, &bad);
    CHECK(bad == 0);
    CHECK(step <= 2);
    CHECK(CountNonBlack(after, 0, 0, 140, 480) == 0);
    CHECK(CountNonBlack(after, 500, 0, 640, 480) == 0);

    // Picture 2 fades in, laid out for the new client area: 640 x 480 takes
    // the scaled path at its own size, (140, 0, 500, 480).
    double left = 2600 - (NowMs() - clickedMs);
    if (left > 0) Wait(static_cast<DWORD>(left));
    Pixels full = Capture(client);
    CHECK(CountMismatches(Crop(full, 140, 0, 500, 480), Reference(2), 0, 0, 30, 30) == 0);
    CHECK(CountNonBlack(full, 0, 0, 140, 480) == 0);
    CHECK(CountNonBlack(full, 500, 0, 640, 480) == 0);

    // Closing stores picture 2, the one on screen.
    PostMessageA(window, WM_CLOSE, 0, 0);
    DWORD code = 99;
    REQUIRE(saver.WaitForExit(EXIT_TIMEOUT_MS, &code));
    CHECK(code == 0);
    CHECK(StoredStartPicture() == "2");

    // The next start shows it again (full screen, where its place is known).
    e2e::SaverProcess next;
    REQUIRE(next.Start("/s"));
    HWND full2 = e2e::WaitForTopLevelWindow(next.Id(), "WindowScreenSaverClass", START_TIMEOUT_MS);
    REQUIRE(full2 != nullptr);
    Wait(2600);
    Pixels screen = Capture(RECT{0, 0, 800, 600});
    CHECK(CountMismatches(Crop(screen, 220, 60, 580, 540), Reference(2), 0, 0, 30, 30) == 0);
    e2e::PostKey(full2, VK_SHIFT);
    REQUIRE(next.WaitForExit(EXIT_TIMEOUT_MS, &code));
    CHECK(code == 0);
    CHECK(StoredStartPicture() == "2");
}

TEST_CASE("closing while picture 12 is on screen stores 12") {
    StoreSettings("12", nullptr);
    e2e::SaverProcess saver;
    REQUIRE(saver.Start(""));
    HWND window = e2e::WaitForTopLevelWindow(saver.Id(), "velmor_CN", START_TIMEOUT_MS);
    REQUIRE(window != nullptr);
    Wait(500);
    PostMessageA(window, WM_CLOSE, 0, 0);
    DWORD code = 99;
    REQUIRE(saver.WaitForExit(EXIT_TIMEOUT_MS, &code));
    CHECK(code == 0);
    CHECK(StoredStartPicture() == "12");
}

TEST_CASE("a steady picture is not drawn again until uncovered, then within two ticks") {
    StoreSettings(nullptr, nullptr);  // picture 1, 30 s
    e2e::SaverProcess saver;
    HWND window = StartWindowed640x480(saver);
    RECT client = ClientAreaOnScreen(window);
    // Picture 2 comes laid out for the new client area, at (140, 0, 500, 480).
    e2e::SendWithTimeout(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 20), 10000);
    Wait(2600);  // past its fade-in: steady from here
    RECT picture = {client.left + 140, client.top, client.left + 500, client.top + 480};
    REQUIRE(CountMismatches(Capture(picture), Reference(2), 0, 0, 30, 30) == 0);

    // Another program paints over the picture; steady ticks leave that alone.
    RECT box = {200, 100, 260, 160};  // client coordinates, inside the picture
    HDC dc = GetDC(window);
    FillRect(dc, &box, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    ReleaseDC(window, dc);
    Wait(5 * TICK_MS);
    RECT boxOnScreen = box;
    OffsetRect(&boxOnScreen, client.left, client.top);
    e2e::Screenshot painted;
    REQUIRE(e2e::CaptureScreen(boxOnScreen, &painted));
    CHECK(painted.CountOtherThan(0xFFFFFF, 0, 0, painted.width, painted.height) == 0);

    // A window covers part of the picture, the box included, and goes: the
    // picture is whole again within two ticks.
    {
        WhiteCover cover(
            RECT{client.left + 100, client.top + 50, client.left + 400, client.top + 300});
        Pixels covered = Capture(picture);
        CHECK(CountMismatches(covered, Reference(2), 0, 0, 30, 30) > 200 * 200);
    }
    Wait(2 * TICK_MS);
    CHECK(CountMismatches(Capture(picture), Reference(2), 0, 0, 30, 30) == 0);

    PostMessageA(window, WM_CLOSE, 0, 0);
    DWORD code = 99;
    REQUIRE(saver.WaitForExit(EXIT_TIMEOUT_MS, &code));
    CHECK(code == 0);
}
