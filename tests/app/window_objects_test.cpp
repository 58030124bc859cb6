#include <doctest/doctest.h>

#include <windows.h>

#include "app/full_screen_saver_window.h"
#include "app/saver_window.h"

namespace {

const char PROBE_CLASS[] = "velmor_window_objects_test";

int destroyedProbes = 0;

// A full-screen window object that records what the binding hands it.
class ProbeWindow : public FullScreenSaverWindow {
public:
    ~ProbeWindow() override { ++destroyedProbes; }
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == WM_CREATE) {
            hwndAtCreate = hwnd;
        }
        return FullScreenSaverWindow::WindowProc(message, wParam, lParam);
    }
    HWND hwndAtCreate = nullptr;
};

void RegisterProbeClass() {
    static bool registered = false;
    if (registered) {
        return;
    }
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = SaverWndProc;
    windowClass.cbWndExtra = 4;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    windowClass.lpszClassName = PROBE_CLASS;
    registered = RegisterClassA(&windowClass) != 0;
}

// A hidden window bound to a new ProbeWindow (no painting, so no show).
ProbeWindow* CreateProbe(HWND* handle) {
    RegisterProbeClass();
    ProbeWindow* probe = new ProbeWindow();
    *handle = CreateWindowExA(0, PROBE_CLASS, "probe", WS_POPUP, 0, 0, 64, 48, nullptr, nullptr,
                              GetModuleHandleA(nullptr), probe);
    return probe;
}

// Takes a posted WM_CLOSE for `hwnd` out of the queue; true if there was one.
bool TakeClose(HWND hwnd) {
    MSG message;
    bool found = false;
    while (PeekMessageA(&message, hwnd, WM_CLOSE, WM_CLOSE, PM_REMOVE)) {
        found = true;
    }
    return found;
}

void DrainQuit() {
    MSG message;
    while (PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
}

}  // namespace

TEST_CASE("a new window object and a new show start with the documented field values") {
    FullScreenSaverWindow window;
    CHECK(window.shows.Count() == 0);  // its shows come with its monitors
    CHECK(window.shows.savePictureNumber == 1);
    CHECK(window.shows.timer.timerId == 0);
    CHECK(window.firstMousePos == 0);
    SlideShow show;
    CHECK(show.loaderControl.load() == 1);
    CHECK(show.loaderThread.Get() == nullptr);
    CHECK(show.loaderThreadId == 0);
    CHECK(show.preparedPicture == nullptr);
    CHECK(show.currentPicture == nullptr);
    CHECK(show.clicked == 0);
}

TEST_CASE("the window procedure binds the object at WM_CREATE with the real handle") {
    HWND hwnd = nullptr;
    ProbeWindow* probe = CreateProbe(&hwnd);
    REQUIRE(hwnd != nullptr);
    CHECK(probe->hwndAtCreate == hwnd);
    CHECK(reinterpret_cast<ProbeWindow*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA)) == probe);

    int before = destroyedProbes;
    DestroyWindow(hwnd);
    CHECK(destroyedProbes == before + 1);  // deleted itself at WM_NCDESTROY
    CHECK_FALSE(IsWindow(hwnd));

    MSG quit;
    REQUIRE(PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    CHECK(quit.wParam == 0);
}

TEST_CASE("full-screen input that ends the saver posts WM_CLOSE") {
    HWND hwnd = nullptr;
    CreateProbe(&hwnd);
    REQUIRE(hwnd != nullptr);
    TakeClose(hwnd);

    struct Input {
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
    };
    const Input closing[] = {
        {WM_KEYDOWN, 'A', 0x001E0001},
        {WM_SYSKEYDOWN, VK_F4, 0x203E0001},  // Alt+F4
        {WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5)},
        {WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(5, 5)},
        {WM_MBUTTONDOWN, MK_MBUTTON, MAKELPARAM(5, 5)},
        {WM_ACTIVATE, WA_INACTIVE, 0},
        {WM_ACTIVATEAPP, 0, 0},
    };
    for (const Input& input : closing) {
        CAPTURE(input.message);
        SendMessageA(hwnd, input.message, input.wParam, input.lParam);
        CHECK(TakeClose(hwnd));
        CHECK(IsWindow(hwnd));  // closing is left to WM_CLOSE
    }

    const Input harmless[] = {
        {WM_KEYUP, 'A', static_cast<LPARAM>(0xC01E0001u)},     {WM_CHAR, 'a', 0x001E0001},
        {WM_MOUSEWHEEL, MAKEWPARAM(0, 120), MAKELPARAM(5, 5)}, {WM_ACTIVATE, WA_ACTIVE, 0},
        {WM_ACTIVATE, MAKEWPARAM(WA_CLICKACTIVE, 1), 0},       {WM_ACTIVATEAPP, 1, 0},
    };
    for (const Input& input : harmless) {
        CAPTURE(input.message);
        SendMessageA(hwnd, input.message, input.wParam, input.lParam);
        CHECK_FALSE(TakeClose(hwnd));
    }
    DestroyWindow(hwnd);
    DrainQuit();
}

TEST_CASE("full-screen system commands SC_CLOSE and SC_SCREENSAVE are refused") {
    HWND hwnd = nullptr;
    CreateProbe(&hwnd);
    REQUIRE(hwnd != nullptr);

    CHECK(SendMessageA(hwnd, WM_SYSCOMMAND, SC_CLOSE, 0) == 0);
    CHECK(SendMessageA(hwnd, WM_SYSCOMMAND, SC_SCREENSAVE, 0) == 0);
    CHECK(IsWindow(hwnd));
    CHECK_FALSE(TakeClose(hwnd));

    // With its low four bits set the command is no longer refused: the
    // default processing of SC_CLOSE sends WM_CLOSE, which destroys it.
    int before = destroyedProbes;
    SendMessageA(hwnd, WM_SYSCOMMAND, SC_CLOSE | 0x2, 0);
    CHECK_FALSE(IsWindow(hwnd));
    CHECK(destroyedProbes == before + 1);
    DrainQuit();
}

TEST_CASE("full-screen deactivation of the caption is refused") {
    HWND hwnd = nullptr;
    CreateProbe(&hwnd);
    REQUIRE(hwnd != nullptr);
    CHECK(SendMessageA(hwnd, WM_NCACTIVATE, FALSE, 0) == 0);
    CHECK(SendMessageA(hwnd, WM_NCACTIVATE, TRUE, 0) != 0);
    DestroyWindow(hwnd);
    DrainQuit();
}

TEST_CASE("full-screen mouse moves: the first position is remembered, another one closes") {
    HWND hwnd = nullptr;
    ProbeWindow* probe = CreateProbe(&hwnd);
    REQUIRE(hwnd != nullptr);
    TakeClose(hwnd);
    probe->firstMousePos = 0;  // whatever the system reported so far

    SUBCASE("a report of 0,0 is not remembered") {
        SendMessageA(hwnd, WM_MOUSEMOVE, 0, 0);
        CHECK(probe->firstMousePos == 0);
        SendMessageA(hwnd, WM_MOUSEMOVE, 0, MAKELPARAM(10, 20));
        CHECK_FALSE(TakeClose(hwnd));
        CHECK(probe->firstMousePos == MAKELPARAM(10, 20));
        SendMessageA(hwnd, WM_MOUSEMOVE, 0, MAKELPARAM(10, 20));
        CHECK_FALSE(TakeClose(hwnd));
        SendMessageA(hwnd, WM_MOUSEMOVE, 0, 0);
        CHECK(TakeClose(hwnd));
    }
    SUBCASE("the same position again does not close, a different one does") {
        SendMessageA(hwnd, WM_MOUSEMOVE, 0, MAKELPARAM(300, 200));
        CHECK_FALSE(TakeClose(hwnd));
        SendMessageA(hwnd, WM_MOUSEMOVE, MK_SHIFT, MAKELPARAM(300, 200));
        CHECK_FALSE(TakeClose(hwnd));
        SendMessageA(hwnd, WM_MOUSEMOVE, 0, MAKELPARAM(301, 200));
        CHECK(TakeClose(hwnd));
        SendMessageA(hwnd, WM_MOUSEMOVE, 0, MAKELPARAM(300, 201));
        CHECK(TakeClose(hwnd));
    }
    DestroyWindow(hwnd);
    DrainQuit();
}

TEST_CASE("the full-screen input rule: which messages end the saver") {
    LPARAM first = 0;
    const UINT ending[] = {WM_KEYDOWN, WM_SYSKEYDOWN, WM_LBUTTONDOWN, WM_RBUTTONDOWN,
                           WM_MBUTTONDOWN};
    for (UINT message : ending) {
        CAPTURE(message);
        CHECK(EndsFullScreenSaver(message, 0, 0, first));
    }
    CHECK(EndsFullScreenSaver(WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, 1), 0, first));
    CHECK_FALSE(EndsFullScreenSaver(WM_ACTIVATE, WA_CLICKACTIVE, 0, first));
    CHECK(EndsFullScreenSaver(WM_ACTIVATEAPP, 0, 0, first));
    CHECK_FALSE(EndsFullScreenSaver(WM_ACTIVATEAPP, 1, 0, first));
    const UINT harmless[] = {WM_KEYUP, WM_CHAR, WM_MOUSEWHEEL, WM_LBUTTONUP, WM_TIMER, WM_PAINT};
    for (UINT message : harmless) {
        CAPTURE(message);
        CHECK_FALSE(EndsFullScreenSaver(message, 0, 0, first));
    }
    CHECK(first == 0);

    // Mouse moves: 0,0 is not remembered; the first other position is, and
    // only a different one ends the saver.
    CHECK_FALSE(EndsFullScreenSaver(WM_MOUSEMOVE, 0, 0, first));
    CHECK(first == 0);
    CHECK_FALSE(EndsFullScreenSaver(WM_MOUSEMOVE, 0, MAKELPARAM(7, 9), first));
    CHECK(first == MAKELPARAM(7, 9));
    CHECK_FALSE(EndsFullScreenSaver(WM_MOUSEMOVE, MK_SHIFT, MAKELPARAM(7, 9), first));
    CHECK(EndsFullScreenSaver(WM_MOUSEMOVE, 0, MAKELPARAM(8, 9), first));
    CHECK(first == MAKELPARAM(7, 9));
}

namespace {

bool SameRect(const RECT& r, int left, int top, int right, int bottom) {
    RECT expected = {left, top, right, bottom};
    return EqualRect(&r, &expected) != 0;
}

}  // namespace

TEST_CASE("the full-screen window spans the virtual screen, the show staged in the primary") {
    // One monitor: window and stage are the screen, as with a single monitor always.
    FullScreenPlacement one = PlaceFullScreen(RECT{0, 0, 800, 600}, 800, 600);
    CHECK(SameRect(one.window, 0, 0, 800, 600));
    CHECK(SameRect(one.stage, 0, 0, 800, 600));
    // A 1280x1024 monitor left of a 1024x768 primary and one above it: the
    // primary is at 0,0 of the screen, 1280,600 of the client area.
    FullScreenPlacement three = PlaceFullScreen(RECT{-1280, -600, 1024, 1024}, 1024, 768);
    CHECK(SameRect(three.window, -1280, -600, 1024, 1024));
    CHECK(SameRect(three.stage, 1280, 600, 2304, 1368));
    // A system that reports no virtual screen: the primary alone.
    FullScreenPlacement none = PlaceFullScreen(RECT{0, 0, 0, 0}, 640, 480);
    CHECK(SameRect(none.window, 0, 0, 640, 480));
    CHECK(SameRect(none.stage, 0, 0, 640, 480));
}

TEST_CASE("the pointer's place in a client area that starts left of and above the screen") {
    // The pointer at 900,700 of the screen, the client area from -1280,-600.
    CHECK(PointerInClient(POINT{900, 700}, POINT{-1280, -600}) == MAKELPARAM(2180, 1300));
}

TEST_CASE(
    "WM_DISPLAYCHANGE moves the full-screen window over the virtual screen and is not input") {
    HWND hwnd = nullptr;
    ProbeWindow* probe = CreateProbe(&hwnd);
    REQUIRE(hwnd != nullptr);
    TakeClose(hwnd);
    SetWindowPos(hwnd, nullptr, 100, 50, 64, 48, SWP_NOZORDER | SWP_NOACTIVATE);
    probe->firstMousePos = MAKELPARAM(5, 5);

    SendMessageA(hwnd, WM_DISPLAYCHANGE, 32,
                 MAKELPARAM(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)));
    CHECK_FALSE(TakeClose(hwnd));
    int left = GetSystemMetrics(SM_XVIRTUALSCREEN);
    int top = GetSystemMetrics(SM_YVIRTUALSCREEN);
    RECT rect = {};
    GetWindowRect(hwnd, &rect);
    CHECK(SameRect(rect, left, top, left + GetSystemMetrics(SM_CXVIRTUALSCREEN),
                   top + GetSystemMetrics(SM_CYVIRTUALSCREEN)));
    // The first position follows the pointer into the moved client area.
    POINT pointer = {};
    REQUIRE(GetCursorPos(&pointer));
    CHECK(probe->firstMousePos == MAKELPARAM(pointer.x - left, pointer.y - top));

    // With no first position seen, the pointer reported where the display
    // change left it is not one; a position elsewhere is.
    probe->firstMousePos = 0;
    SendMessageA(hwnd, WM_DISPLAYCHANGE, 32, 0);
    CHECK(probe->firstMousePos == 0);
    const LPARAM where = MAKELPARAM(pointer.x - left, pointer.y - top);
    SendMessageA(hwnd, WM_MOUSEMOVE, 0, where);
    CHECK(probe->firstMousePos == 0);
    SendMessageA(hwnd, WM_MOUSEMOVE, 0, where + 1);
    CHECK(probe->firstMousePos == where + 1);
    CHECK_FALSE(TakeClose(hwnd));
    DestroyWindow(hwnd);
    DrainQuit();
}
