// The full-screen saver on several monitors of different sizes: it covers
// every one of them, shows a picture of its own exactly in the middle of
// each (the primary one's the stored picture, in the place a single screen
// has it), ends on a mouse move over another one, follows monitors that are
// plugged in, resized, moved and unplugged while it runs, and lets a steady
// show sleep.
//
// CTest runs this program on a private Xorg with the dummy video driver
// (tools/xorg-monitors.sh), in a Wine prefix of its own; each test sets its
// monitor layout through xrandr and checks from here that Wine sees exactly
// that layout before it looks at a single pixel.  The X root is magenta, so
// a monitor that no window covers cannot pass for black.

#include <doctest/doctest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "tests/e2e/driver/saver_driver.h"
#include "tests/e2e/show_support/full_screen_saver.h"
#include "tests/e2e/show_support/pictures.h"
#include "tests/e2e/show_support/session.h"

using namespace show_e2e;

namespace {

// A monitor layout: as tools/xorg-monitors.sh sets it (X screen coordinates,
// the primary first) and as Windows programs see it (the primary's top-left
// corner at 0,0), with where picture 1 (360 x 480) goes on the primary.
struct Layout {
    const char* xrandr;
    int monitors;
    RECT virtualScreen;
    int primaryWidth;
    int primaryHeight;
    RECT picture;
};

// A 1280x1024 monitor left of a 1024x768 primary.
const Layout LEFT = {
    "1024x768+1280+0,1280x1024+0+0", 2, {-1280, 0, 1024, 1024}, 1024, 768, {332, 144, 692, 624}};
// An 800x600 monitor plugged in above the primary.  xrandr puts the top-left
// corner of a layout at 0,0 of the X screen, so the primary moves down there
// and the left monitor stays; for Windows the left monitor moves up.
const Layout ABOVE_ADDED = {"1024x768+1280+600,1280x1024+0+0,800x600+1280+0",
                            3,
                            {-1280, -600, 1024, 768},
                            1024,
                            768,
                            {332, 144, 692, 624}};
// The primary at 1152x864.
const Layout PRIMARY_RESIZED = {"1152x864+1280+600,1280x1024+0+0,800x600+1280+0",
                                3,
                                {-1280, -600, 1152, 864},
                                1152,
                                864,
                                {396, 192, 756, 672}};
// The monitor above unplugged, the primary back up beside the left one.
const Layout ABOVE_UNPLUGGED = {
    "1152x864+1280+0,1280x1024+0+0", 2, {-1280, 0, 1152, 1024}, 1152, 864, {396, 192, 756, 672}};

// Where the tests keep the X pointer when they do not move it: on the left
// monitor, which stays where it is on the X screen in every layout here, so
// that no layout change pushes the pointer off a monitor (the X server
// would move it then, and Wine would report that as a mouse move).
const int POINTER_X = 640;
const int POINTER_Y = 900;

RECT VirtualScreen() {
    int left = GetSystemMetrics(SM_XVIRTUALSCREEN);
    int top = GetSystemMetrics(SM_YVIRTUALSCREEN);
    return RECT{left, top, left + GetSystemMetrics(SM_CXVIRTUALSCREEN),
                top + GetSystemMetrics(SM_CYVIRTUALSCREEN)};
}

bool SeesLayout(const Layout& layout) {
    RECT screen = VirtualScreen();
    return GetSystemMetrics(SM_CMONITORS) == layout.monitors &&
           EqualRect(&screen, &layout.virtualScreen) &&
           GetSystemMetrics(SM_CXSCREEN) == layout.primaryWidth &&
           GetSystemMetrics(SM_CYSCREEN) == layout.primaryHeight;
}

BOOL CALLBACK AddMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM list) {
    MONITORINFO info = {};
    info.cbSize = sizeof info;
    if (GetMonitorInfoA(monitor, &info))
        reinterpret_cast<std::vector<RECT>*>(list)->push_back(info.rcMonitor);
    return TRUE;
}

std::vector<RECT> Monitors() {
    std::vector<RECT> monitors;
    EnumDisplayMonitors(nullptr, nullptr, AddMonitor, reinterpret_cast<LPARAM>(&monitors));
    return monitors;
}

// Sets the layout on the X server and waits until Wine reports it; fails
// the test when Wine sees anything else (one monitor, say: a Wine without
// its RandR libraries, or a prefix whose wineserver serves another display).
void SetLayout(const Layout& layout) {
    std::string xrandr = layout.xrandr;
    CAPTURE(xrandr);
    REQUIRE(e2e::RunUnixCommand(std::string("bash ") + VELMOR_XORG_MONITORS_UNIX_PATH + " layout " +
                                layout.xrandr));
    for (int i = 0; i < 100 && !SeesLayout(layout); ++i) Wait(100);
    RECT screen = VirtualScreen();
    CAPTURE(screen.left);
    CAPTURE(screen.top);
    CAPTURE(screen.right);
    CAPTURE(screen.bottom);
    REQUIRE(GetSystemMetrics(SM_CMONITORS) == layout.monitors);
    REQUIRE(SeesLayout(layout));
    REQUIRE(Monitors().size() == static_cast<size_t>(layout.monitors));
}

// Moves the X pointer, as a user moves the mouse (X screen coordinates).
void MoveXPointer(int x, int y) {
    REQUIRE(e2e::RunUnixCommand(std::string("python3 ") + VELMOR_POINTER_AT_UNIX_PATH + " " +
                                std::to_string(x) + " " + std::to_string(y)));
}

bool Equal(const RECT& a, const RECT& b) {
    return EqualRect(&a, &b) != 0;
}

// Where picture `number` goes on a monitor: at its own size in the
// middle, as every picture fits the monitors here with a margin (the wide
// picture a third of its width at a time).  Screen coordinates.
RECT PlaceOn(const RECT& monitor, int number) {
    const Pixels& picture = Reference(number);
    int width = number == 11 ? picture.width / 3 : picture.width;
    int left = monitor.left + (monitor.right - monitor.left - width) / 2;
    int top = monitor.top + (monitor.bottom - monitor.top - picture.height) / 2;
    return RECT{left, top, left + width, top + picture.height};
}

// The picture shown at full brightness, exactly, in the middle of
// `monitor`; 0 for none.  (The wide picture, which pans, is not looked for.)
int PictureOn(const RECT& monitor) {
    for (int number = 1; number <= 12; ++number) {
        if (number == 11) continue;
        if (CountMismatches(Capture(PlaceOn(monitor, number)), Reference(number), 0, 0, 30, 30) ==
            0)
            return number;
    }
    return 0;
}

// The picture on each monitor (in the order the system lists them), once
// every monitor shows one: after their fade-in, or once a display change has
// had them drawn in their new places.  Waits up to 8 s.
std::vector<int> PicturesShown() {
    std::vector<int> shown;
    for (int i = 0; i < 80; ++i) {
        shown.clear();
        bool all = true;
        for (const RECT& monitor : Monitors()) {
            shown.push_back(PictureOn(monitor));
            all = all && shown.back() != 0;
        }
        if (all) break;
        Wait(100);
    }
    return shown;
}

// The saver's window covers the virtual screen; every monitor shows a
// picture of its own, pixel for pixel in its middle on black, and the
// primary the stored picture 1 where a single screen of its size has it;
// whatever of the virtual screen no monitor shows is black.  The pictures,
// in the order of Monitors().
std::vector<int> CheckPictures(const FullScreenSaver& saver, const Layout& layout) {
    std::vector<int> shown = PicturesShown();
    std::vector<RECT> monitors = Monitors();
    RECT window = e2e::ScreenRectOf(saver.window);
    CAPTURE(window.left);
    CAPTURE(window.top);
    CAPTURE(window.right);
    CAPTURE(window.bottom);
    CHECK(Equal(window, layout.virtualScreen));

    const RECT& all = layout.virtualScreen;
    Pixels screen = Capture(all);
    REQUIRE(screen.width == all.right - all.left);
    REQUIRE(screen.height == all.bottom - all.top);
    for (size_t i = 0; i < monitors.size(); ++i) {
        const RECT& monitor = monitors[i];
        CAPTURE(monitor.left);
        CAPTURE(monitor.top);
        CAPTURE(monitor.right);
        CAPTURE(monitor.bottom);
        CAPTURE(shown[i]);
        REQUIRE(shown[i] != 0);
        for (size_t j = 0; j < i; ++j) CHECK(shown[j] != shown[i]);
        RECT picture = PlaceOn(monitor, shown[i]);
        if (monitor.left == 0 && monitor.top == 0) {  // the primary
            CHECK(shown[i] == 1);
            CHECK(Equal(picture, layout.picture));
        }
        // Blank the picture out: the rest of the monitor is black.
        OffsetRect(&picture, -all.left, -all.top);
        for (int y = picture.top; y < picture.bottom; ++y)
            for (int x = picture.left; x < picture.right; ++x)
                screen.rgb[static_cast<size_t>(y) * screen.width + x] = 0;
        RECT m = monitor;
        OffsetRect(&m, -all.left, -all.top);
        CHECK(CountNonBlack(screen, m.left, m.top, m.right, m.bottom) == 0);
    }
    CHECK(CountNonBlack(screen, 0, 0, screen.width, screen.height) == 0);
    return shown;
}

// The brightness step of picture 1 on screen, once a clean frame of it shows
// (a capture may catch the window just erased, or torn between two frames);
// -1 when none showed within a second.
int FadeStepShown(const Layout& layout) {
    for (int i = 0; i < 40; ++i) {
        int bad = 0;
        int step = BestFadeStep(Capture(layout.picture), Reference(1), 0, 0, 30, &bad);
        if (bad == 0 && step > 0) return step;
        Wait(25);
    }
    return -1;
}

// Windows tells every top-level window of a change of the monitors with
// WM_DISPLAYCHANGE.  Wine 8 takes a change made with xrandr into its
// monitor list but tells no running window (it does only for changes made
// through its own ChangeDisplaySettingsEx), so this sends the saver the
// message Windows would: the bits per pixel and the primary's new size.
void TellDisplayChange(HWND window) {
    HDC screen = GetDC(nullptr);
    int bits = GetDeviceCaps(screen, BITSPIXEL);
    ReleaseDC(nullptr, screen);
    e2e::SendWithTimeout(window, WM_DISPLAYCHANGE, static_cast<WPARAM>(bits),
                         MAKELPARAM(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)));
}

// Tells the saver of the pointer, which has not moved, where the system now
// puts it in the saver's client area (as Windows does once a window has
// moved under the pointer).  A saver that took the display change for a
// move, or kept the first position in the old client coordinates, ends.
// (For Wine a pointer that stays put on the X screen keeps its client
// coordinates in a window over the whole X screen; under Windows it keeps
// its screen coordinates instead, which the unit tests cover.)
void ReportUnmovedPointer(HWND window) {
    POINT pointer = {};
    REQUIRE(GetCursorPos(&pointer));
    RECT client = e2e::ScreenRectOf(window);
    e2e::PostMouseMove(window, pointer.x - client.left, pointer.y - client.top);
}

void StartWithPointerStill(const Layout& layout) {
    SetLayout(layout);
    MoveXPointer(POINTER_X, POINTER_Y);
    // Wine keeps the pointer where it last knew it, clipped to the new
    // virtual screen, until the X pointer moves; told so, the saver would
    // take the X pointer's place for a move.  Put Wine's pointer where the
    // X pointer is: the primary's top-left corner on the X screen is 0,0.
    int primaryX = 0, primaryY = 0;
    REQUIRE(std::sscanf(layout.xrandr, "%*dx%*d+%d+%d", &primaryX, &primaryY) == 2);
    SetCursorPos(POINTER_X - primaryX, POINTER_Y - primaryY);
    e2e::SettlePointer();
    StoreSettings(nullptr, nullptr);  // picture 1, 30 s
}

}  // namespace

// The saver's wakeups over `seconds`: the voluntary context switches of all
// its threads, counted from /proc by the Unix side.  -1 when they could not
// be counted.
int SaverWakeups(int seconds) {
    std::string file = "/tmp/velmor-wakeups-" + std::to_string(GetCurrentProcessId()) + ".txt";
    if (!e2e::RunUnixCommand(std::string("bash ") + VELMOR_COUNT_WAKEUPS_UNIX_PATH + " " +
                                 std::to_string(seconds) + " --path " + VELMOR_SCR_UNIX_PATH +
                                 " >" + file,
                             (seconds + 20) * 1000))
        return -1;
    std::string text;
    if (!e2e::ReadFileBytes(e2e::WindowsPathOf(file), &text)) return -1;
    DeleteFileA(e2e::WindowsPathOf(file).c_str());
    int count = -1;
    return std::sscanf(text.c_str(), "%d", &count) == 1 ? count : -1;
}

TEST_CASE("two monitors: a picture of its own on each, and a steady show sleeps") {
    StartWithPointerStill(LEFT);
    FullScreenSaver saver;
    CheckPictures(saver, LEFT);
    // Both pictures stand at full brightness until their fade-out at 29 s,
    // and their next pictures are decoded a second after the fade-in: from
    // there on the saver wakes at most twice a second.
    Wait(1000);
    int wakeups = SaverWakeups(10);
    MESSAGE("two steady monitors: " << wakeups << " wakeups in 10 s");
    CHECK(wakeups >= 0);
    CHECK(wakeups <= 20);
    CHECK(saver.CloseWithKey() == 0);
    CHECK(StoredStartPicture() == "1");  // the primary's
}

TEST_CASE("three monitors: three different pictures, the stored one on the primary") {
    StartWithPointerStill(ABOVE_ADDED);
    FullScreenSaver saver;
    CheckPictures(saver, ABOVE_ADDED);
    CHECK(saver.CloseWithKey() == 0);
    CHECK(StoredStartPicture() == "1");
}

TEST_CASE("a mouse move over the monitor left of the primary ends the saver") {
    SetLayout(LEFT);
    // The pointer on the left monitor, at 300,400 of it, when the saver starts.
    MoveXPointer(300, 400);
    e2e::SettlePointer();
    StoreSettings(nullptr, nullptr);
    FullScreenSaver saver;
    saver.WaitUntilShownFor(1500);
    // Two moves: the first one may be the first position the saver is told.
    MoveXPointer(340, 430);
    Wait(300);
    if (saver.process.IsRunning()) MoveXPointer(380, 460);
    DWORD code = 99;
    REQUIRE(saver.process.WaitForExit(EXIT_TIMEOUT_MS, &code));
    CHECK(code == 0);
    CHECK(StoredStartPicture() == "1");
}

TEST_CASE("monitors plugged in, moved, resized and unplugged while the saver runs") {
    StartWithPointerStill(LEFT);
    FullScreenSaver saver;
    // A first mouse position, where the pointer is (the system may have told
    // the saver already).
    ReportUnmovedPointer(saver.window);

    // During the fade-in, a monitor comes above the primary: the window
    // grows upwards, the picture stays in the middle of the primary and goes
    // on fading in, the left monitor goes on with its picture (it moved, as
    // Windows sees it), and the new monitor gets a picture of its own.
    SetLayout(ABOVE_ADDED);
    int stepBefore = FadeStepShown(LEFT);
    TellDisplayChange(saver.window);
    // The window moved: told where the system now puts the pointer in its
    // client area, the saver stays.
    ReportUnmovedPointer(saver.window);
    int stepAfter = FadeStepShown(ABOVE_ADDED);
    MESSAGE("fade-in step " << stepBefore << " before the display change, " << stepAfter
                            << " after it");
    CHECK(stepBefore > 0);
    CHECK(stepAfter >= stepBefore);
    const std::vector<int> three = CheckPictures(saver, ABOVE_ADDED);

    // The primary is given another size: its picture moves to its new
    // middle; the others stay.
    SetLayout(PRIMARY_RESIZED);
    TellDisplayChange(saver.window);
    ReportUnmovedPointer(saver.window);
    CHECK(CheckPictures(saver, PRIMARY_RESIZED) == three);

    // The monitor above is unplugged: the window shrinks to the primary and
    // the left monitor, which go on with their pictures.
    SetLayout(ABOVE_UNPLUGGED);
    TellDisplayChange(saver.window);
    ReportUnmovedPointer(saver.window);
    const std::vector<int> two = CheckPictures(saver, ABOVE_UNPLUGGED);
    REQUIRE(two.size() == 2);
    CHECK(two[0] == three[0]);
    CHECK(two[1] == three[1]);

    // None of it was input.
    CHECK(saver.process.StillRunningAfter(500));
    CHECK(saver.CloseWithKey() == 0);
    CHECK(StoredStartPicture() == "1");
}
