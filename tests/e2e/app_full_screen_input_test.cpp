// The rules by which input ends the full-screen saver, each one on its own.

#include <doctest/doctest.h>

#include <string>

#include "tests/e2e/driver/saver_driver.h"

using namespace e2e;

namespace {

const DWORD START_TIMEOUT_MS = 15000;
const DWORD EXIT_TIMEOUT_MS = 10000;
// How long a saver that must stay has to stay.
const DWORD STAYS_MS = 700;

// A full-screen saver started under a pointer that does not move.  CTest
// runs this program with the X pointer held at the top-left corner, so the
// only real position the saver may be told of is 0,0, which it does not
// remember: the positions it remembers are the ones a test gives it.
class FullScreenSaver {
public:
    FullScreenSaver() {
        SettlePointer();
        started = saver.Start("/s");
        hwnd = started
                   ? WaitForTopLevelWindow(saver.Id(), "WindowScreenSaverClass", START_TIMEOUT_MS)
                   : nullptr;
        PumpMessages(300);
    }
    // True when the saver ended with exit code 0 within the time-out.
    bool EndsWithZero() {
        DWORD code = 1234;
        return saver.WaitForExit(EXIT_TIMEOUT_MS, &code) && code == 0;
    }
    bool Stays() { return saver.StillRunningAfter(STAYS_MS); }

    SaverProcess saver;
    bool started = false;
    HWND hwnd = nullptr;
};

}  // namespace

TEST_CASE("full screen ends on a key, a system key and each mouse button") {
    struct Case {
        const char* name;
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
    };
    const Case cases[] = {
        {"key", WM_KEYDOWN, VK_SPACE, 0x00390001},
        {"shift key", WM_KEYDOWN, VK_SHIFT, 0x002A0001},
        {"Alt+F4", WM_SYSKEYDOWN, VK_F4, 0x203E0001},
        {"left button", WM_LBUTTONDOWN, MK_LBUTTON, 0},
        {"right button", WM_RBUTTONDOWN, MK_RBUTTON, 0},
        {"middle button", WM_MBUTTONDOWN, MK_MBUTTON, 0},
    };
    for (const Case& c : cases) {
        std::string name = c.name;
        CAPTURE(name);
        FullScreenSaver fullScreen;
        REQUIRE(fullScreen.hwnd != nullptr);
        PostMessageA(fullScreen.hwnd, c.message, c.wParam, c.lParam);
        CHECK(fullScreen.EndsWithZero());
    }
}

TEST_CASE("full screen ends on a key typed at the keyboard") {
    FullScreenSaver fullScreen;
    REQUIRE(fullScreen.hwnd != nullptr);
    TypeKey('Q');
    CHECK(fullScreen.EndsWithZero());
}

TEST_CASE("full screen ends on Alt+F4 typed at the keyboard") {
    FullScreenSaver fullScreen;
    REQUIRE(fullScreen.hwnd != nullptr);
    TypeKeyWithAlt(VK_F4);
    CHECK(fullScreen.EndsWithZero());
}

TEST_CASE("full screen ends on a mouse click") {
    FullScreenSaver fullScreen;
    REQUIRE(fullScreen.hwnd != nullptr);
    POINT pointer = {};
    GetCursorPos(&pointer);
    ClickScreenPoint(pointer.x, pointer.y);
    CHECK(fullScreen.EndsWithZero());
}

TEST_CASE("full screen ends when it loses activation") {
    SUBCASE("WM_ACTIVATE with WA_INACTIVE") {
        FullScreenSaver fullScreen;
        REQUIRE(fullScreen.hwnd != nullptr);
        PostMessageA(fullScreen.hwnd, WM_ACTIVATE, WA_INACTIVE, 0);
        CHECK(fullScreen.EndsWithZero());
    }
    SUBCASE("WM_ACTIVATEAPP for another application") {
        FullScreenSaver fullScreen;
        REQUIRE(fullScreen.hwnd != nullptr);
        PostMessageA(fullScreen.hwnd, WM_ACTIVATEAPP, FALSE, 0);
        CHECK(fullScreen.EndsWithZero());
    }
    SUBCASE("another window coming to the foreground") {
        FullScreenSaver fullScreen;
        REQUIRE(fullScreen.hwnd != nullptr);
        HWND other =
            CreateWindowExA(0, "STATIC", "another application", WS_OVERLAPPEDWINDOW, 50, 50, 200,
                            100, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        REQUIRE(other != nullptr);
        ShowWindow(other, SW_SHOWNORMAL);
        SetForegroundWindow(other);
        CHECK(fullScreen.EndsWithZero());
        DestroyWindow(other);
    }
    SUBCASE("being activated or told of its own activation does not end it") {
        FullScreenSaver fullScreen;
        REQUIRE(fullScreen.hwnd != nullptr);
        PostMessageA(fullScreen.hwnd, WM_ACTIVATE, WA_ACTIVE, 0);
        PostMessageA(fullScreen.hwnd, WM_ACTIVATEAPP, TRUE, 0);
        CHECK(fullScreen.Stays());
        PostMessageA(fullScreen.hwnd, WM_CLOSE, 0, 0);
        CHECK(fullScreen.EndsWithZero());
    }
}

TEST_CASE("full screen refuses to deactivate its caption and the close and screen-save commands") {
    FullScreenSaver fullScreen;
    REQUIRE(fullScreen.hwnd != nullptr);
    CHECK(SendWithTimeout(fullScreen.hwnd, WM_NCACTIVATE, FALSE, 0) == 0);
    CHECK(SendWithTimeout(fullScreen.hwnd, WM_NCACTIVATE, TRUE, 0) != 0);
    CHECK(SendWithTimeout(fullScreen.hwnd, WM_SYSCOMMAND, SC_CLOSE, 0) == 0);
    CHECK(SendWithTimeout(fullScreen.hwnd, WM_SYSCOMMAND, SC_SCREENSAVE, 0) == 0);
    PostMessageA(fullScreen.hwnd, WM_SYSCOMMAND, SC_CLOSE, 0);
    PostMessageA(fullScreen.hwnd, WM_SYSCOMMAND, SC_SCREENSAVE, 0);
    CHECK(fullScreen.Stays());
    CHECK(IsWindow(fullScreen.hwnd));

    // Key releases, characters and the wheel do not end it either.
    PostMessageA(fullScreen.hwnd, WM_KEYUP, VK_SPACE, static_cast<LPARAM>(0xC0390001u));
    PostMessageA(fullScreen.hwnd, WM_CHAR, ' ', 0x00390001);
    PostMessageA(fullScreen.hwnd, WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), 0);
    CHECK(fullScreen.Stays());

    // SC_CLOSE with its low four bits set is another command: it closes.
    PostMessageA(fullScreen.hwnd, WM_SYSCOMMAND, SC_CLOSE | 1, 0);
    CHECK(fullScreen.EndsWithZero());
}

TEST_CASE("full screen: the first mouse position is remembered, a second one ends it") {
    SUBCASE("moves to the remembered position keep it running") {
        FullScreenSaver fullScreen;
        REQUIRE(fullScreen.hwnd != nullptr);
        PostMouseMove(fullScreen.hwnd, 200, 150);
        CHECK(fullScreen.Stays());
        PostMouseMove(fullScreen.hwnd, 200, 150);
        PostMouseMove(fullScreen.hwnd, 200, 150);
        CHECK(fullScreen.Stays());
        PostMouseMove(fullScreen.hwnd, 201, 150);
        CHECK(fullScreen.EndsWithZero());
    }
    SUBCASE("a first move reported at 0,0 is not remembered") {
        FullScreenSaver fullScreen;
        REQUIRE(fullScreen.hwnd != nullptr);
        PostMouseMove(fullScreen.hwnd, 0, 0);
        PostMouseMove(fullScreen.hwnd, 0, 0);
        CHECK(fullScreen.Stays());
        PostMouseMove(fullScreen.hwnd, 300, 40);  // becomes the reference
        CHECK(fullScreen.Stays());
        PostMouseMove(fullScreen.hwnd, 300, 40);
        CHECK(fullScreen.Stays());
        PostMouseMove(fullScreen.hwnd, 0, 0);
        CHECK(fullScreen.EndsWithZero());
    }
}
