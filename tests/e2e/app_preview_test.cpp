// The preview as the display control panel runs it: a child window over the
// panel's preview area, ended by destroying that area.

#include <doctest/doctest.h>

#include <cstdio>
#include <string>

#include "tests/e2e/driver/saver_driver.h"

using namespace e2e;

namespace {

const DWORD START_TIMEOUT_MS = 15000;
const DWORD EXIT_TIMEOUT_MS = 10000;
const char SAVER_CLASS[] = "WindowScreenSaverClass";

// A top-level window of this process of the given class, standing in for
// the control panel's preview area (or for a running saver).
class HostWindow {
public:
    HostWindow(const char* className, int x, int y, int width, int height) {
        WNDCLASSA windowClass = {};
        windowClass.lpfnWndProc = DefWindowProcA;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
        windowClass.lpszClassName = className;
        RegisterClassA(&windowClass);
        hwnd = CreateWindowExA(0, className, "host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, x, y, width,
                               height, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        PumpMessages(100);
    }
    ~HostWindow() {
        if (IsWindow(hwnd)) {
            DestroyWindow(hwnd);
        }
    }
    std::string Number() const {
        char text[32];
        std::snprintf(text, sizeof text, "%lu",
                      static_cast<unsigned long>(reinterpret_cast<UINT_PTR>(hwnd)));
        return text;
    }
    HWND hwnd;
};

// Runs the saver with `arguments`; true when it ended with exit code 0
// without ever showing a window of its own (top-level or inside `host`).
bool EndsAtOnceWithoutWindow(const std::string& arguments, HWND host) {
    SaverProcess saver;
    if (!saver.Start(arguments)) {
        return false;
    }
    bool windowSeen = false;
    DWORD code = 1234;
    DWORD start = GetTickCount();
    while (!saver.WaitForExit(20, &code)) {
        if (!TopLevelWindowsOf(saver.Id(), SAVER_CLASS).empty() ||
            !TopLevelWindowsOf(saver.Id(), "velmor_CN").empty() ||
            (host != nullptr && !ChildWindowsOf(host, saver.Id()).empty())) {
            windowSeen = true;
        }
        if (GetTickCount() - start > EXIT_TIMEOUT_MS) {
            return false;
        }
    }
    return code == 0 && !windowSeen;
}

}  // namespace

TEST_CASE("preview: a child window exactly over the parent's client area") {
    HostWindow panel("velmor_e2e_preview_area", 120, 90, 260, 210);
    REQUIRE(panel.hwnd != nullptr);
    SaverProcess saver;
    REQUIRE(saver.Start("/p " + panel.Number()));
    HWND preview = WaitForChildWindow(panel.hwnd, saver.Id(), SAVER_CLASS, START_TIMEOUT_MS);
    REQUIRE(preview != nullptr);

    CHECK(ClassNameOf(preview) == SAVER_CLASS);
    CHECK(TextOf(preview) == "velmor_SSPT");
    DWORD style = StyleOf(preview);
    CHECK((style & WS_CHILD) != 0);
    CHECK((style & (WS_POPUP | WS_CAPTION | WS_THICKFRAME)) == 0);
    CHECK(GetParent(preview) == panel.hwnd);

    RECT client = ClientRectOf(panel.hwnd);
    POINT origin = {0, 0};
    ClientToScreen(panel.hwnd, &origin);
    RECT rect = ScreenRectOf(preview);
    CHECK(rect.left == origin.x);
    CHECK(rect.top == origin.y);
    CHECK(rect.right - rect.left == client.right);
    CHECK(rect.bottom - rect.top == client.bottom);

    MovePointerTo((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
    CursorReport cursor = ProbeCursor(preview);
    SettlePointer();
    CHECK(cursor.classCursor == CURSOR_KIND_ARROW);
    CHECK(cursor.shownCursor == CURSOR_KIND_ARROW);

    // Destroying the preview area destroys the preview and ends the saver.
    DestroyWindow(panel.hwnd);
    DWORD code = 1234;
    REQUIRE(saver.WaitForExit(EXIT_TIMEOUT_MS, &code));
    CHECK(code == 0);
}

TEST_CASE("preview: words after the parent's number are ignored") {
    HostWindow panel("velmor_e2e_preview_area", 120, 90, 200, 150);
    SaverProcess saver;
    REQUIRE(saver.Start("-P " + panel.Number() + " 77 more"));
    HWND preview = WaitForChildWindow(panel.hwnd, saver.Id(), SAVER_CLASS, START_TIMEOUT_MS);
    REQUIRE(preview != nullptr);
    DestroyWindow(panel.hwnd);
    DWORD code = 1234;
    REQUIRE(saver.WaitForExit(EXIT_TIMEOUT_MS, &code));
    CHECK(code == 0);
}

TEST_CASE("preview without a usable parent ends at once with 0 and shows nothing") {
    CHECK(EndsAtOnceWithoutWindow("/p", nullptr));
    CHECK(EndsAtOnceWithoutWindow("/p 0", nullptr));
    CHECK(EndsAtOnceWithoutWindow("/p abc", nullptr));
    // A number that names no window: the child cannot be created.
    CHECK(EndsAtOnceWithoutWindow("/p 987654", nullptr));
}

TEST_CASE("preview while another saver window exists ends at once with 0") {
    HostWindow panel("velmor_e2e_preview_area", 120, 90, 200, 150);
    HostWindow runningSaver(SAVER_CLASS, 300, 300, 100, 100);
    REQUIRE(runningSaver.hwnd != nullptr);
    CHECK(EndsAtOnceWithoutWindow("/p " + panel.Number(), panel.hwnd));
}

namespace {

// A preview area that goes away while the preview is being made: it
// destroys itself when told that its child window was created, as Screen
// Saver Settings does when it closes just then.
LRESULT CALLBACK VanishingAreaProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_PARENTNOTIFY && LOWORD(wParam) == WM_CREATE) {
        DestroyWindow(hwnd);
        return 0;
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

HWND CreateVanishingArea() {
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = VanishingAreaProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "velmor_e2e_vanishing_area";
    RegisterClassA(&windowClass);
    return CreateWindowExA(0, windowClass.lpszClassName, "host", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                           120, 90, 200, 150, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
}

// The saver's exit code after a preview of `area`, whose own code may
// destroy it at any time; `destroyAfterMs` destroys it from here instead
// (0: never).  1234 when the saver did not end.
DWORD PreviewExitCode(HWND area, DWORD destroyAfterMs) {
    char number[32];
    std::snprintf(number, sizeof number, "%lu",
                  static_cast<unsigned long>(reinterpret_cast<UINT_PTR>(area)));
    SaverProcess saver;
    if (!saver.Start(std::string("/p ") + number)) return 1234;
    DWORD start = GetTickCount();
    DWORD code = 1234;
    while (!saver.WaitForExit(20, &code)) {
        PumpMessages(20);  // the area hears of its child, and may go
        if (destroyAfterMs != 0 && IsWindow(area) && GetTickCount() - start >= destroyAfterMs)
            DestroyWindow(area);
        if (GetTickCount() - start > START_TIMEOUT_MS + EXIT_TIMEOUT_MS) return 1234;
    }
    return code;
}

}  // namespace

// Run with Wine's heap checking (the test command greps the saver's log for
// heap errors): freed memory is filled, so a window object that is used or
// freed again after its window went away crashes.
TEST_CASE("preview: a parent destroyed while the preview is made, or later, ends it cleanly") {
    for (int run = 0; run < 10; ++run) {
        CAPTURE(run);
        HWND area = CreateVanishingArea();
        REQUIRE(area != nullptr);
        CHECK(PreviewExitCode(area, 0) == 0);
        CHECK_FALSE(IsWindow(area));
    }
    for (int run = 0; run < 10; ++run) {
        CAPTURE(run);
        HostWindow panel("velmor_e2e_preview_area", 120, 90, 200, 150);
        CHECK(PreviewExitCode(panel.hwnd, 1000) == 0);
    }
}
