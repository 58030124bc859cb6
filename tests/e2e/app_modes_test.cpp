// Each mode's window as the control panel and a user see it: class, title,
// style, position, size and cursor; and which switches select which mode.

#include <doctest/doctest.h>

#include <string>

#include "tests/e2e/driver/saver_driver.h"

using namespace e2e;

namespace {

const DWORD START_TIMEOUT_MS = 15000;
const DWORD EXIT_TIMEOUT_MS = 10000;

const char FULL_SCREEN_CLASS[] = "WindowScreenSaverClass";
const char WINDOWED_CLASS[] = "velmor_CN";

enum class Opened { FullScreen, Windowed, Dialog, Nothing };

const char* NameOf(Opened opened) {
    switch (opened) {
        case Opened::FullScreen:
            return "full screen";
        case Opened::Windowed:
            return "windowed";
        case Opened::Dialog:
            return "dialog";
        default:
            return "nothing";
    }
}

// Starts the saver with `arguments` and says which kind of window it opened.
Opened WhatOpens(SaverProcess& saver, const std::string& arguments) {
    if (!saver.Start(arguments)) {
        return Opened::Nothing;
    }
    DWORD start = GetTickCount();
    while (GetTickCount() - start < START_TIMEOUT_MS) {
        for (HWND hwnd : TopLevelWindowsOf(saver.Id())) {
            if (!IsWindowVisible(hwnd)) {
                continue;
            }
            std::string className = ClassNameOf(hwnd);
            if (className == FULL_SCREEN_CLASS) {
                return Opened::FullScreen;
            }
            if (className == WINDOWED_CLASS) {
                return Opened::Windowed;
            }
            if (className == "#32770" && TextOf(hwnd) == "velmor") {
                return Opened::Dialog;
            }
        }
        if (!saver.IsRunning()) {
            return Opened::Nothing;
        }
        PumpMessages(20);
    }
    return Opened::Nothing;
}

// Ends the saver as its user would and checks that it exits with 0.
void CloseAndExpectExitZero(SaverProcess& saver, HWND hwnd) {
    PostMessageA(hwnd, WM_CLOSE, 0, 0);
    DWORD code = 1234;
    REQUIRE(saver.WaitForExit(EXIT_TIMEOUT_MS, &code));
    CHECK(code == 0);
}

bool SameRect(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

}  // namespace

TEST_CASE("full screen: a borderless window over the whole screen with an invisible pointer") {
    SettlePointer();
    SaverProcess saver;
    REQUIRE(saver.Start("/s"));
    HWND hwnd = WaitForTopLevelWindow(saver.Id(), FULL_SCREEN_CLASS, START_TIMEOUT_MS);
    REQUIRE(hwnd != nullptr);

    CHECK(TextOf(hwnd) == "velmor");
    DWORD style = StyleOf(hwnd);
    CHECK((style & WS_POPUP) != 0);
    CHECK((style & (WS_CAPTION | WS_THICKFRAME | WS_CHILD | WS_SYSMENU)) == 0);
    CHECK((style & WS_VISIBLE) != 0);
    CHECK(ExStyleOf(hwnd) == 0);
    RECT screen = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    CHECK(SameRect(ScreenRectOf(hwnd), screen));
    CHECK(GetParent(hwnd) == nullptr);

    // The class brush paints the window black; a corner stays black
    // whatever picture the show puts in the middle.
    PumpMessages(300);
    Screenshot shot;
    RECT corner = {0, 0, 16, 16};
    REQUIRE(CaptureScreen(corner, &shot));
    CHECK(shot.CountOtherThan(0x000000, 0, 0, 16, 16) == 0);

    // The pointer is not moved: a move would end the saver.
    CursorReport cursor = ProbeCursor(hwnd);
    CHECK(cursor.classCursor == CURSOR_KIND_BLANK);
    CHECK(cursor.shownCursor != CURSOR_KIND_ARROW);
    REQUIRE(saver.IsRunning());

    CloseAndExpectExitZero(saver, hwnd);
}

TEST_CASE("windowed: an ordinary overlapped window with the arrow pointer") {
    SaverProcess saver;
    REQUIRE(saver.Start(""));
    HWND hwnd = WaitForTopLevelWindow(saver.Id(), WINDOWED_CLASS, START_TIMEOUT_MS);
    REQUIRE(hwnd != nullptr);

    CHECK(TextOf(hwnd) == "velmor");
    DWORD style = StyleOf(hwnd);
    CHECK((style & WS_OVERLAPPEDWINDOW) == WS_OVERLAPPEDWINDOW);
    CHECK((style & (WS_POPUP | WS_CHILD)) == 0);
    CHECK(GetParent(hwnd) == nullptr);
    RECT rect = ScreenRectOf(hwnd);
    CHECK(rect.right - rect.left > 100);
    CHECK(rect.bottom - rect.top > 100);

    RECT client = ClientRectOf(hwnd);
    POINT centre = {client.right / 2, client.bottom / 2};
    ClientToScreen(hwnd, &centre);
    MovePointerTo(centre.x, centre.y);
    CursorReport cursor = ProbeCursor(hwnd);
    SettlePointer();
    CHECK(cursor.classCursor == CURSOR_KIND_ARROW);
    CHECK(cursor.shownCursor == CURSOR_KIND_ARROW);

    // Keys and mouse moves do not end the windowed saver.
    PostKey(hwnd, 'A');
    PostMouseMove(hwnd, 10, 10);
    PostMouseMove(hwnd, 20, 30);
    CHECK(saver.StillRunningAfter(500));

    // The close box: the system command that closes the window.
    PostMessageA(hwnd, WM_SYSCOMMAND, SC_CLOSE, 0);
    DWORD code = 1234;
    REQUIRE(saver.WaitForExit(EXIT_TIMEOUT_MS, &code));
    CHECK(code == 0);
}

TEST_CASE("switches: the letter alone or behind one '-' or '/' selects its mode") {
    struct Case {
        const char* arguments;
        Opened expected;
    };
    const Case cases[] = {
        {"s", Opened::FullScreen},    {"-S", Opened::FullScreen},
        {"/s", Opened::FullScreen},   {"/S extra words here", Opened::FullScreen},
        {"/c", Opened::Dialog},       {"/c:123", Opened::Dialog},
        {"-C:5", Opened::Dialog},     {"//s", Opened::Windowed},
        {"//c", Opened::Windowed},    {"/s:1", Opened::Windowed},
        {"/p:123", Opened::Windowed}, {"/s\t1", Opened::Windowed},
        {"/c\t1", Opened::Windowed},  {"", Opened::Windowed},
        {"x", Opened::Windowed},
    };
    SettlePointer();
    for (const Case& c : cases) {
        std::string arguments = c.arguments;
        CAPTURE(arguments);
        SaverProcess saver;
        Opened opened = WhatOpens(saver, c.arguments);
        CHECK(std::string(NameOf(opened)) == NameOf(c.expected));
        DWORD code = 1234;
        if (opened == Opened::FullScreen || opened == Opened::Windowed) {
            HWND hwnd =
                TopLevelWindowsOf(saver.Id(),
                                  opened == Opened::FullScreen ? FULL_SCREEN_CLASS : WINDOWED_CLASS)
                    .front();
            CloseAndExpectExitZero(saver, hwnd);
        } else if (opened == Opened::Dialog) {
            HWND dialog = WaitForTopLevelWindow(saver.Id(), "#32770", 1000, "velmor");
            REQUIRE(dialog != nullptr);
            PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
            REQUIRE(saver.WaitForExit(EXIT_TIMEOUT_MS, &code));
            CHECK(code == 0);
        }
    }
}
