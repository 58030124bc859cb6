#include <doctest/doctest.h>

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/saver_window.h"
#include "config/settings.h"
#include "image/jpeg_image.h"
#include "show/show_set.h"
#include "tests/e2e/show_support/process_usage.h"
#include "tests/show/loader_event_log.h"

namespace {

const char INTERVAL_KEY_BYTES[] = "\x95\x5C\x8E\xA6\x8A\xD4\x8A\x75";

std::string IniFile() {
    char name[64];
    REQUIRE(GetIniFileName(name, sizeof name) == 1);
    return name;
}

void StoreSetting(const char* section, const char* key, const char* value) {
    WritePrivateProfileStringA(section, key, value, IniFile().c_str());
}

int StoredStartPicture() {
    return static_cast<int>(GetPrivateProfileIntA("Image", "NO", -1, IniFile().c_str()));
}

// The settings file's bytes, read from the Windows directory.
std::string SettingsBytes() {
    char directory[MAX_PATH];
    GetWindowsDirectoryA(directory, MAX_PATH);
    std::string bytes;
    FILE* file = std::fopen((std::string(directory) + "\\" + IniFile()).c_str(), "rb");
    if (!file) return bytes;
    char chunk[256];
    size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, file)) > 0) bytes.append(chunk, n);
    std::fclose(file);
    return bytes;
}

// A plain 800 x 600 popup window that the show draws into, with the
// SlideShow bound to it by hand; the test calls the show's operations the
// way the window procedure would.
class EngineFixture {
public:
    EngineFixture() {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = DefWindowProcA;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
        wc.lpszClassName = "velmor_show_engine_test";
        RegisterClassA(&wc);
        window = CreateWindowExA(0, wc.lpszClassName, "engine test", WS_POPUP | WS_VISIBLE, 0, 0,
                                 800, 600, nullptr, nullptr, wc.hInstance, nullptr);
        REQUIRE(window != nullptr);
        Stage whole;
        whole.primary = true;
        whole.wholeClient = true;
        REQUIRE(shows.SetStages(&whole, 1) == 1);
        shows.Bind(window);
        show = shows.Primary();
    }

    ~EngineFixture() {
        if (!stopped) shows.StopShow();
        DestroyWindow(window);
    }

    void Start(const char* startPicture, const char* intervalSeconds) {
        StoreSetting("Image", "NO", startPicture);
        StoreSetting("Config", INTERVAL_KEY_BYTES, intervalSeconds);
        REQUIRE(shows.OnFirstPaint() == 1);
        REQUIRE(shows.timer.timerId != 0);
    }

    void Ticks(int n) {
        for (int i = 0; i < n; ++i) show->Tick();
    }

    // A paint over the whole window.
    void Paint() { shows.OnPaint(RECT{0, 0, 800, 600}); }

    void Stop() {
        shows.StopShow();
        stopped = true;
    }

    HWND window;
    ShowSet shows;
    SlideShow* show;
    bool stopped = false;
};

void PumpMessagesFor(DWORD ms) {
    DWORD end = GetTickCount() + ms;
    MSG msg;
    while (static_cast<LONG>(end - GetTickCount()) > 0) {
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message != WM_QUIT) DispatchMessageA(&msg);
        }
        Sleep(5);
    }
}

// Reads `bitmap` (w x h) as 0xRRGGBB pixels, top row first, then frees the
// bitmap, the memory DC and the screen DC.
void ReadPixelsAndRelease(HDC screen, HDC memory, HBITMAP bitmap, int w, int h,
                          std::vector<DWORD>& pixels) {
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = w;
    info.bmiHeader.biHeight = -h;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    GetDIBits(memory, bitmap, 0, h, pixels.data(), &info, DIB_RGB_COLORS);
    for (DWORD& p : pixels) p &= 0xFFFFFF;
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
}

// 0xRRGGBB pixels of a screen rectangle, top row first.
std::vector<DWORD> CaptureScreen(const RECT& r) {
    int w = r.right - r.left, h = r.bottom - r.top;
    std::vector<DWORD> pixels(static_cast<size_t>(w) * h);
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, w, h);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
    SelectObject(memory, old);
    ReadPixelsAndRelease(screen, memory, bitmap, w, h, pixels);
    return pixels;
}

// IMGDAT `id` at full brightness, its part `src` (null: all of it) drawn at
// `dest` into a black bitmap of w x h, as 0xRRGGBB pixels, top row first.
std::vector<DWORD> DrawnAtFullBrightness(int id, int w, int h, const RECT& dest, const RECT* src) {
    JpegImage image;
    REQUIRE(image.LoadFromResource(id, nullptr) == 1);
    const RECT whole = {0, 0, image.Width(), image.Height(true)};
    if (!src) src = &whole;
    std::vector<DWORD> pixels(static_cast<size_t>(w) * h);
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, w, h);
    HGDIOBJ old = SelectObject(memory, bitmap);
    RECT all = {0, 0, w, h};
    FillRect(memory, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    image.Draw(memory, dest.left, dest.top, dest.right, dest.bottom, src->left, src->top,
               src->right, src->bottom, SRCCOPY);
    SelectObject(memory, old);
    ReadPixelsAndRelease(screen, memory, bitmap, w, h, pixels);
    return pixels;
}

// IMGDAT `id` as the preview draws it: scaled into a 152 x 112 area at
// (34, 0, 118, 112).
std::vector<DWORD> DrawnLikeThePreview(int id) {
    return DrawnAtFullBrightness(id, 152, 112, RECT{34, 0, 118, 112}, nullptr);
}

int NonBlackIn(const std::vector<DWORD>& shot, int w, int x0, int x1, int h) {
    int n = 0;
    for (int y = 0; y < h; ++y)
        for (int x = x0; x < x1; ++x) n += shot[static_cast<size_t>(y) * w + x] != 0;
    return n;
}

// A class of windows bound to SaverWindow objects, as the saver registers.
void RegisterSaverClass(const char* name) {
    WNDCLASSA wc = {};
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = SaverWndProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    wc.lpszClassName = name;
    RegisterClassA(&wc);
}

bool IsRunning(HANDLE thread) {
    return thread && WaitForSingleObject(thread, 0) == WAIT_TIMEOUT;
}

}  // namespace

TEST_CASE("a click before the first paint does nothing") {
    EngineFixture f;
    f.show->clicked = 1;
    CHECK(f.show->Tick() == 0);
    CHECK(f.show->currentPicture == nullptr);
    CHECK(f.show->loaderThread.Get() == nullptr);
    CHECK(f.show->state.cycleTick == 0);
    CHECK(f.show->state.shownTicks == 0);

    // Closing a window whose show never started saves nothing.
    StoreSetting("Image", "NO", nullptr);
    f.Stop();
    CHECK(StoredStartPicture() == -1);
}

TEST_CASE("the first paint starts the show once with the stored picture and interval") {
    EngineFixture f;
    f.Start("3", "20");
    SlideShow& s = *f.show;
    REQUIRE(s.currentPicture != nullptr);
    CHECK(s.currentPicture->Width() == 360);
    CHECK(s.currentPicture->Height(true) == 480);
    CHECK(s.pictureNumber == 4);
    CHECK(s.intervalTicks == 300);
    CHECK(f.shows.timer.timerId == 1);
    CHECK(f.show->state.shownTicks == 1);
    CHECK(f.show->state.cycleTick == 1);
    CHECK(f.show->state.destRect.left == 220);
    CHECK(f.show->state.destRect.top == 60);
    CHECK(f.show->state.destRect.right == 580);
    CHECK(f.show->state.destRect.bottom == 540);

    // The next picture's loader holds while the first one fades in.
    Sleep(250);
    CHECK(IsRunning(s.loaderThread.Get()));
    CHECK(s.preparedPicture == nullptr);

    // Later paints do not restart the show.
    CHECK(f.shows.OnFirstPaint() == 1);
    CHECK(f.show->state.shownTicks == 1);
    CHECK(s.pictureNumber == 4);
}

TEST_CASE("out-of-range settings start with picture 1 at 30 s") {
    const char* stored[] = {"0", "13", "x"};
    for (const char* value : stored) {
        CAPTURE(value);
        EngineFixture f;
        f.Start(value, "301");
        CHECK(f.show->pictureNumber == 2);
        CHECK(f.show->intervalTicks == 450);
    }
}

TEST_CASE("the interval setting in ticks: 15 per second, 30 s outside 15 to 300") {
    struct Row {
        const char* seconds;
        int ticks;
    };
    const Row rows[] = {{"14", 450}, {"15", 225}, {"300", 4500}, {"301", 450}, {"abc", 450}};
    for (const Row& row : rows) {
        CAPTURE(row.seconds);
        EngineFixture f;
        f.Start("1", row.seconds);
        CHECK(f.show->intervalTicks == row.ticks);
    }
}

TEST_CASE("the next decode starts only after the picture on screen has faded in") {
    LoaderEventLog log;
    EngineFixture f;
    f.Start("1", "15");
    CHECK(log.Count(LOADER_EVENT_DECODE_BEGIN) == 1);  // picture 1, synchronously

    // Slow fade-in frames: the loader must keep holding however long it takes.
    for (int i = 0; i < 29; ++i) {
        f.show->Tick();
        Sleep(10);
    }
    Sleep(300);
    CHECK(f.show->state.shownTicks == 30);
    CHECK(log.Count(LOADER_EVENT_DECODE_BEGIN) == 1);

    f.Ticks(2);  // shownTicks 30 (last fade-in step) and 31 (release)
    WaitForSingleObject(f.show->loaderThread.Get(), 5000);
    std::vector<LoggedEvent> events = log.Events();
    int release = -1, secondDecode = -1;
    for (size_t i = 0; i < events.size(); ++i) {
        if (events[i].event == LOADER_EVENT_RELEASE && release < 0) release = static_cast<int>(i);
        if (events[i].event == LOADER_EVENT_DECODE_BEGIN && i > 0 && secondDecode < 0)
            secondDecode = static_cast<int>(i);
    }
    REQUIRE(release >= 0);
    REQUIRE(secondDecode >= 0);
    CHECK(events[release].value == 31);
    CHECK(secondDecode > release);
    CHECK(events[secondDecode].value == 2);
    double waited = LoaderEventLog::Milliseconds(events[release].time, events[secondDecode].time);
    CHECK(waited < 200.0);
    REQUIRE(secondDecode + 1 < static_cast<int>(events.size()));
    CHECK(events[secondDecode + 1].event == LOADER_EVENT_DECODE_END);
    MESSAGE(
        "release at shownTicks 31; decode of picture 2 began "
        << waited << " ms later and took "
        << LoaderEventLog::Milliseconds(events[secondDecode].time, events[secondDecode + 1].time)
        << " ms; " << log.Count(LOADER_EVENT_HOLD_POLL) << " hold polls before it");

    // The decoded picture comes on screen at the end of the interval.
    f.Ticks(225 - 31);
    CHECK(f.show->pictureNumber == 3);
    CHECK(f.show->state.shownTicks == 1);
    CHECK(f.show->preparedPicture == nullptr);
    CHECK(log.Count(LOADER_EVENT_DECODE_BEGIN) == 2);  // picture 3 still held
}

TEST_CASE("the wide picture fades in its right third and pans left") {
    EngineFixture f;
    f.Start("11", "30");
    CHECK(f.show->pictureNumber == 12);
    CHECK(f.show->state.picWidth == 473);
    CHECK(f.show->state.destRect.left == 163);
    CHECK(f.show->state.destRect.top == 120);
    CHECK(f.show->state.destRect.right == 636);
    CHECK(f.show->state.destRect.bottom == 480);
    CHECK(f.show->state.srcRect.left == 946);
    CHECK(f.show->state.srcRect.right == 1420);
    CHECK(f.show->state.srcRect.bottom == 360);

    f.Ticks(31);  // shownTicks 1..31
    CHECK(f.show->state.srcRect.left == 945);
    CHECK(f.show->state.srcRect.right == 1418);
    f.Ticks(224);  // up to 255
    CHECK(f.show->state.srcRect.left == 474);
    CHECK(f.show->state.srcRect.right == 947);
    f.Ticks(225);  // up to 480
    CHECK(f.show->state.srcRect.left == 1);
    CHECK(f.show->state.srcRect.right == 474);
    f.Ticks(50);  // the view stays where the pan ended
    CHECK(f.show->state.srcRect.left == 1);
    f.Ticks(570 - 531 + 1);             // the 570th tick brings picture 12 at its late start
    CHECK(f.show->pictureNumber == 1);  // picture 12 on screen
    CHECK(f.show->state.cycleTick == 338);
    CHECK(f.show->currentPicture->Width() == 480);
}

TEST_CASE("closing saves the picture on screen; the preview saves nothing") {
    SUBCASE("windowed: picture 12") {
        EngineFixture f;
        f.Start("12", "30");
        f.Ticks(5);
        f.Stop();
        CHECK(StoredStartPicture() == 12);
    }
    SUBCASE("windowed: after a click from picture 1 to 2") {
        EngineFixture f;
        f.Start("1", "30");
        f.show->clicked = 1;
        f.show->Tick();
        f.Stop();
        CHECK(StoredStartPicture() == 2);
        CHECK(f.show->loaderThread.Get() == nullptr);
        CHECK(f.shows.timer.timerId == 0);
    }
    SUBCASE("windowed, but the timer could not be set: the file stays as it was") {
        EngineFixture f;
        StoreSetting("Image", "NO", "5");
        StoreSetting("Config", INTERVAL_KEY_BYTES, "30");
        std::string before = SettingsBytes();
        REQUIRE(!before.empty());
        // SetTimer fails for a window that is gone; no picture comes in.
        HWND gone = CreateWindowExA(0, "velmor_show_engine_test", "gone", WS_POPUP, 0, 0, 8, 8,
                                    nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        REQUIRE(gone != nullptr);
        DestroyWindow(gone);
        f.shows.Bind(gone);
        f.shows.OnFirstPaint();
        REQUIRE(f.shows.timer.timerId == 0);
        CHECK(f.show->currentPicture == nullptr);
        f.Stop();
        CHECK(SettingsBytes() == before);
    }
    SUBCASE("preview") {
        EngineFixture f;
        f.shows.savePictureNumber = 0;
        f.Start("5", "30");
        StoreSetting("Image", "NO", nullptr);
        f.Stop();
        CHECK(StoredStartPicture() == -1);
    }
}

TEST_CASE("a loader released before the stop finishes its decode first") {
    LoaderEventLog log;
    EngineFixture f;
    f.Start("1", "30");
    REQUIRE(IsRunning(f.show->loaderThread.Get()));
    f.show->loaderControl = LOADER_GO;  // released: it decodes at its next look
    for (int i = 0; i < 100 && log.Count(LOADER_EVENT_DECODE_BEGIN) < 2; ++i) Sleep(5);
    REQUIRE(log.Count(LOADER_EVENT_DECODE_BEGIN) == 2);
    f.Stop();
    CHECK(f.show->loaderThread.Get() == nullptr);
    // The decode finished before the stop returned; the picture belongs to
    // the window object and goes with it.
    REQUIRE(f.show->preparedPicture != nullptr);
    CHECK(f.show->preparedPicture->Width() == 360);
}

TEST_CASE("stopping while the loader holds ends it without a picture") {
    EngineFixture f;
    f.Start("1", "30");
    REQUIRE(IsRunning(f.show->loaderThread.Get()));
    f.Stop();
    CHECK(f.show->loaderThread.Get() == nullptr);
    CHECK(f.show->preparedPicture == nullptr);
}

TEST_CASE("picture changes do not leak thread handles") {
    EngineFixture f;
    f.Start("1", "30");
    for (int i = 0; i < 5; ++i) {
        f.show->clicked = 1;
        f.show->Tick();
    }
    int before = CountProcessHandles(GetCurrentProcessId());
    REQUIRE(before > 0);
    for (int i = 0; i < 40; ++i) {
        f.show->clicked = 1;
        f.show->Tick();
    }
    int after = CountProcessHandles(GetCurrentProcessId());
    CHECK(after <= before + 2);  // one loader thread at a time, whatever the count
    CHECK(f.show->pictureNumber == (1 + 45) % 12 + 1);
}

TEST_CASE("the preview in a 152 x 112 area: the picture scaled to (34, 0, 118, 112) on black") {
    EngineFixture f;  // registers the test class; its own window stays unused
    StoreSetting("Image", "NO", "5");
    StoreSetting("Config", INTERVAL_KEY_BYTES, "30");

    RegisterSaverClass(SAVER_CLASS);
    HWND area = CreateWindowExA(0, "velmor_show_engine_test", "preview area",
                                WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 300, 200, 152, 112,
                                nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    REQUIRE(area != nullptr);

    SaverWindow* preview = new SaverWindow();
    REQUIRE(preview->Create(area) == 1);  // the first paint started the show
    CHECK(preview->shows.savePictureNumber == 0);
    CHECK(preview->shows.Primary()->pictureNumber == 6);
    CHECK(preview->shows.Primary()->state.destRect.left == 34);
    CHECK(preview->shows.Primary()->state.destRect.top == 0);
    CHECK(preview->shows.Primary()->state.destRect.right == 118);
    CHECK(preview->shows.Primary()->state.destRect.bottom == 112);

    PumpMessagesFor(2600);  // the timer runs the fade-in
    RECT onScreen = {300, 200, 452, 312};
    std::vector<DWORD> shot = CaptureScreen(onScreen);
    CHECK(NonBlackIn(shot, 152, 0, 34, 112) == 0);
    CHECK(NonBlackIn(shot, 152, 118, 152, 112) == 0);
    // The same picture drawn the same way into a memory bitmap gives the
    // same pixels: a scaled draw of picture 5, not another.
    CHECK(shot == DrawnLikeThePreview(145));
    CHECK(shot != DrawnLikeThePreview(144));

    // Destroying the area destroys the preview, which stops the show, stores
    // nothing and deletes its object.
    DestroyWindow(area);
    MSG quit;
    CHECK(PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    CHECK(StoredStartPicture() == 5);
}

TEST_CASE("a steady picture is drawn again only after a paint") {
    StoreSetting("Image", "NO", "1");
    StoreSetting("Config", INTERVAL_KEY_BYTES, "30");
    RegisterSaverClass(WINDOWED_CLASS);
    SaverWindow* saver = new SaverWindow();
    REQUIRE(saver->Create(nullptr) == 1);
    HWND window = saver->hwnd;
    PumpMessagesFor(2600);  // the timer runs the fade-in; the picture is steady now

    const RECT& dest = saver->shows.Primary()->state.destRect;
    RECT box = {dest.left + 40, dest.top + 40, dest.left + 80, dest.top + 80};
    POINT origin = {0, 0};
    ClientToScreen(window, &origin);
    RECT boxOnScreen = box;
    OffsetRect(&boxOnScreen, origin.x, origin.y);
    std::vector<DWORD> picture = CaptureScreen(boxOnScreen);
    const std::vector<DWORD> white(40 * 40, 0xFFFFFF);
    REQUIRE(picture != white);

    // Something else draws over the picture: steady ticks leave that alone...
    HDC dc = GetDC(window);
    FillRect(dc, &box, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    ReleaseDC(window, dc);
    PumpMessagesFor(400);
    CHECK(CaptureScreen(boxOnScreen) == white);
    // ...until a paint, which erases the window: the next tick draws it again.
    InvalidateRect(window, nullptr, TRUE);
    PumpMessagesFor(300);
    CHECK(CaptureScreen(boxOnScreen) == picture);

    DestroyWindow(window);
    MSG quit;
    PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
}

namespace {

// A loader that ends at once without a picture, as one does whose picture
// object cannot be allocated.
DWORD WINAPI MakesNoPicture(LPVOID) {
    return 0;
}

DWORD WINAPI AdvanceOnItsOwnThread(LPVOID show) {
    static_cast<SlideShow*>(show)->Advance();
    return 0;
}

}  // namespace

TEST_CASE("advancing with no loader thread and the control word at hold loads at once") {
    // What a failed CreateThread for the previous picture leaves behind,
    // before any tick has released the loader.
    EngineFixture f;
    SlideShow& s = *f.show;
    f.shows.savePictureNumber = 0;
    s.pictureNumber = 3;
    s.loaderControl = LOADER_HOLD;
    REQUIRE(s.loaderThread.Get() == nullptr);

    HANDLE advancing = CreateThread(nullptr, 0, AdvanceOnItsOwnThread, &s, 0, nullptr);
    REQUIRE(advancing != nullptr);
    bool returned = WaitForSingleObject(advancing, 10000) == WAIT_OBJECT_0;
    CHECK(returned);
    if (!returned) {
        s.loaderControl = LOADER_GO;  // let the stuck load end, so the test can
        WaitForSingleObject(advancing, INFINITE);
    }
    CloseHandle(advancing);
    REQUIRE(s.currentPicture != nullptr);
    CHECK(s.currentPicture->Width() == 360);
    CHECK(s.pictureNumber == 4);
}

TEST_CASE("a loader that made nothing for picture 12 does not stall the show") {
    EngineFixture f;
    f.Start("11", "30");
    SlideShow& s = *f.show;
    REQUIRE(s.pictureNumber == 12);  // the wide picture is on screen

    // End the holding loader without a picture, and let the synchronous
    // load make nothing either, so that picture 12 comes out as no picture
    // at all.
    s.loaderControl = LOADER_QUIT;
    WaitForSingleObject(s.loaderThread.Get(), INFINITE);
    s.loaderThread.Reset(nullptr);
    s.loaderRoutine = MakesNoPicture;
    s.clicked = 1;
    CHECK(s.Tick() == 0);
    CHECK(s.currentPicture == nullptr);
    CHECK(s.pictureNumber == 1);
    s.loaderRoutine = LoaderThreadProc;

    // The next tick moves on to picture 1 instead of waiting out picture
    // 12's interval on a black window.
    CHECK(s.Tick() == 1);
    REQUIRE(s.currentPicture != nullptr);
    CHECK(s.currentPicture->Width() == 360);
    CHECK(s.pictureNumber == 2);
    CHECK(f.show->state.shownTicks == 1);
}

namespace {

// The clock of the clock-driven tests: the show's time is what they set.
DWORD fakeNow = 0;
DWORD FakeClock() {
    return fakeNow;
}

// What the counters and the view of a show say after a tick.
struct Counters {
    int pictureNumber, cycleTick, shownTicks;
    LONG viewLeft, viewRight;
    bool operator==(const Counters& o) const {
        return pictureNumber == o.pictureNumber && cycleTick == o.cycleTick &&
               shownTicks == o.shownTicks && viewLeft == o.viewLeft && viewRight == o.viewRight;
    }
};

Counters CountersOf(const SlideShow& s) {
    return Counters{s.pictureNumber, s.state.cycleTick, s.state.shownTicks, s.state.srcRect.left,
                    s.state.srcRect.right};
}

// From picture 10 at 15 s: its change to the wide picture at tick 225, the
// wide picture's fade-in, its pan to the end at tick 705, picture 12 at 795.
const char* const CLOCK_START_PICTURE = "10";
const char* const CLOCK_INTERVAL = "15";
const int CLOCK_TICKS = 800;

// The counters after ticks 0, 1, 2, ...: one Tick() per tick, what an exact
// timer gives.
std::vector<Counters> ExactSchedule(const char* startPicture = CLOCK_START_PICTURE,
                                    const char* interval = CLOCK_INTERVAL,
                                    int ticks = CLOCK_TICKS) {
    EngineFixture f;
    f.shows.timer.clock = FakeClock;
    f.Start(startPicture, interval);
    std::vector<Counters> states{CountersOf(*f.show)};
    while (static_cast<int>(states.size()) < ticks) {
        f.show->Tick();
        states.push_back(CountersOf(*f.show));
    }
    return states;
}

// A timer as a real system runs it: the gap in ms before its n-th message,
// and how much of it the show's time counts (a clock set back counts
// nothing, a leap of an hour one period).
struct TimerModel {
    const char* name;
    DWORD (*gap)(int n);
    DWORD (*counted)(int n);
};

DWORD Every78(int) {
    return 78;
}
DWORD Every55(int) {
    return 55;
}
DWORD Irregular(int n) {
    return 1 + static_cast<DWORD>(n * 7919u + 13u) % 150u;
}
// Regular, but the GUI thread stalls for 3 s half-way through the wide
// picture's fade-in (tick 240 of 225..255), past its end.
DWORD StallsInFadeIn(int n) {
    return n == 240 ? 3000 : 66;
}
DWORD ClockSetBackAnHour(int n) {
    return n == 10 ? static_cast<DWORD>(66 - 3600000) : 66;
}
DWORD ClockSetForwardAnHour(int n) {
    return n == 10 ? 66 + 3600000 : 66;
}
DWORD AllOf(int) {
    return 0;  // marker: the gap counts in full
}
DWORD NothingAt10(int n) {
    return n == 10 ? 1 : 0;  // 1: nothing counted
}
DWORD OnePeriodAt10(int n) {
    return n == 10 ? 2 : 0;  // 2: one period counted
}

}  // namespace

TEST_CASE("the schedule follows the clock whatever the timer does") {
    const std::vector<Counters> exact = ExactSchedule();
    const TimerModel models[] = {
        {"every 78 ms (current Windows)", Every78, AllOf},
        {"every 55 ms (Windows 9x)", Every55, AllOf},
        {"irregular, 1 to 150 ms", Irregular, AllOf},
        {"a 3 s stall in a fade-in", StallsInFadeIn, AllOf},
        {"the clock set back an hour", ClockSetBackAnHour, NothingAt10},
        {"the clock set forward an hour", ClockSetForwardAnHour, OnePeriodAt10},
    };
    for (const TimerModel& model : models) {
        CAPTURE(model.name);
        EngineFixture f;
        fakeNow = 0xFFFFFFFFu - 20000u;  // the clock wraps 20 s in
        f.shows.timer.clock = FakeClock;
        f.Start(CLOCK_START_PICTURE, CLOCK_INTERVAL);

        long long showMs = 0;
        int firstWrong = -1, timerMessages = 0;
        for (int n = 0;; ++n) {
            DWORD gap = model.gap(n);
            DWORD kind = model.counted(n);
            showMs += kind == 0 ? gap : kind == 1 ? 0 : 66;
            int due = static_cast<int>((showMs + 33) / 66);
            if (due >= CLOCK_TICKS) break;
            fakeNow += gap;
            f.shows.OnTimer();
            ++timerMessages;
            if (firstWrong < 0 && !(CountersOf(*f.show) == exact[due])) firstWrong = due;
        }
        CAPTURE(timerMessages);
        CHECK(firstWrong == -1);  // at every message, the state of the tick due then
    }
}

TEST_CASE("after a stall past the end of a fade-in the picture is drawn at full brightness") {
    EngineFixture f;
    fakeNow = 0;
    f.shows.timer.clock = FakeClock;
    f.Start("11", "30");
    for (int tick = 1; tick <= 15; ++tick) {  // half-way through the fade-in
        fakeNow = tick * 66;
        f.shows.OnTimer();
    }
    fakeNow = 60 * 66;  // a pan frame, the rest of the fade passed over
    f.shows.OnTimer();
    REQUIRE(f.show->state.shownTicks == 61);
    const RECT dest = f.show->state.destRect;
    const RECT src = f.show->state.srcRect;
    CHECK(src.left == 1420 - 473 - 30 * 946 / 450);
    ValidateRect(f.window, nullptr);  // no paint erases it before it reaches the screen
    PumpMessagesFor(100);
    std::vector<DWORD> shot = CaptureScreen(dest);
    RECT at = {0, 0, dest.right - dest.left, dest.bottom - dest.top};
    CHECK(shot == DrawnAtFullBrightness(151, at.right, at.bottom, at, &src));
}

TEST_CASE("a steady picture lets the timer sleep until its fade-out; paints and clicks wake it") {
    EngineFixture f;
    fakeNow = 0;
    f.shows.timer.clock = FakeClock;
    f.Start("1", "30");  // 450 ticks: the fade-out starts at tick 435
    for (int tick = 1; tick <= 31; ++tick) {
        fakeNow = tick * 66;
        f.shows.OnTimer();
        if (tick < 31) CHECK(f.shows.timer.periodMs == 66);  // fade-in, then the loader's release
    }
    CHECK(f.shows.timer.periodMs == (435 - 31) * 66);

    f.Paint();  // a paint: the picture is drawn again at the next tick
    CHECK(f.shows.timer.periodMs == 66);
    fakeNow = 32 * 66;
    f.shows.OnTimer();
    CHECK(f.shows.timer.periodMs == (435 - 32) * 66);

    fakeNow = 435 * 66 + 20;  // the timer comes a little late for the fade-out
    f.shows.OnTimer();
    CHECK(f.show->state.cycleTick == 436);
    CHECK(f.shows.timer.periodMs == 66);

    for (int tick = 437; tick <= 450; ++tick) {  // the fade-out, then picture 2
        fakeNow = tick * 66;
        f.shows.OnTimer();
    }
    REQUIRE(f.show->pictureNumber == 3);
    for (int tick = 451; tick <= 481; ++tick) {
        fakeNow = tick * 66;
        f.shows.OnTimer();
    }
    REQUIRE(f.shows.timer.periodMs > 66);

    fakeNow = 700 * 66;  // a click while the timer sleeps: the next picture fades in at once
    f.shows.OnClick();
    CHECK(f.show->pictureNumber == 4);
    CHECK(f.shows.timer.periodMs == 66);
    fakeNow = 701 * 66;
    f.shows.OnTimer();
    CHECK(f.show->state.shownTicks == 2);  // from step 1, not where the sleep would have been
}

TEST_CASE("a relayout moves the picture into the new stage; its pan goes on from where it is") {
    EngineFixture f;
    f.Start("11", "30");
    f.Ticks(255);  // mid-pan: source columns 474 to 947
    REQUIRE(f.show->state.srcRect.left == 474);
    int shown = f.show->state.shownTicks;

    f.show->SetStage(RECT{100, 50, 900, 650});
    f.show->Relayout();
    const RECT& dest = f.show->state.destRect;
    CHECK(dest.left == 263);
    CHECK(dest.top == 170);
    CHECK(dest.right == 736);
    CHECK(dest.bottom == 530);
    CHECK(f.show->state.srcRect.left == 474);
    CHECK(f.show->state.srcRect.right == 947);
    CHECK(f.show->state.shownTicks == shown);

    f.Ticks(1);
    CHECK(f.show->state.srcRect.left == 472);  // the pan's next column
    CHECK(dest.left == 263);
    CHECK(f.show->state.shownTicks == shown + 1);
}

TEST_CASE("a paint during a sleep neither loses nor adds show time") {
    // Picture 1 at 30 s: the timer sleeps from tick 31 until the fade-out at
    // tick 435 (26.7 s); picture 2 comes in at tick 450.
    const std::vector<Counters> exact = ExactSchedule("1", "30", 500);
    const DWORD sleepStart = 31 * 66;
    const DWORD sleepEnd = 435 * 66;
    const DWORD paints[] = {sleepStart + 1, sleepStart + 5000, sleepStart + 20000, sleepEnd - 1};
    for (DWORD paintAt : paints) {
        CAPTURE(paintAt);
        EngineFixture f;
        fakeNow = 0;
        f.shows.timer.clock = FakeClock;
        f.Start("1", "30");
        // The timer's messages come when its period says; the paint comes
        // in between and wakes it.
        bool painted = false;
        int firstWrong = -1;
        DWORD now = 0;
        for (;;) {
            DWORD next = now + f.shows.timer.periodMs;
            if (!painted && paintAt < next) {
                fakeNow = now = paintAt;
                f.Paint();
                painted = true;
                continue;
            }
            fakeNow = now = next;
            int due = static_cast<int>((now + 33) / 66);
            if (due >= 500) break;
            f.shows.OnTimer();
            if (firstWrong < 0 && !(CountersOf(*f.show) == exact[due])) firstWrong = due;
        }
        CHECK(painted);
        CHECK(firstWrong == -1);
        CHECK(f.show->pictureNumber == 3);  // picture 2 on screen, on time
    }
}

TEST_CASE("a click just before or just after a picture change shows the next picture") {
    // Picture 1 at 15 s: picture 2 comes in at tick 225.
    struct Case {
        const char* name;
        DWORD timerUpTo;  // the timer has run the ticks up to here
        DWORD clickAt;
    };
    const Case cases[] = {
        {"a tick before the change", 223 * 66, 224 * 66 + 10},
        {"the change due, its timer message not yet handled", 224 * 66, 225 * 66 + 20},
        {"the change drawn in black by the timer", 225 * 66, 225 * 66 + 40},
    };
    for (const Case& c : cases) {
        CAPTURE(std::string(c.name));
        EngineFixture f;
        fakeNow = 0;
        f.shows.timer.clock = FakeClock;
        f.Start("1", "15");
        for (DWORD t = 66; t <= c.timerUpTo; t += 66) {
            fakeNow = t;
            f.shows.OnTimer();
        }
        fakeNow = c.clickAt;
        f.shows.OnClick();
        CHECK(f.show->pictureNumber == 3);  // picture 2 on screen
        REQUIRE(f.show->currentPicture != nullptr);
        CHECK(f.show->state.shownTicks <= 3);  // at the start of its fade-in
        // It stays for its interval: the timer does not bring another one.
        for (DWORD t = c.clickAt + 66; t <= c.clickAt + 100 * 66; t += 66) {
            fakeNow = t;
            f.shows.OnTimer();
        }
        CHECK(f.show->pictureNumber == 3);
    }
}

namespace {

Stage MonitorStage(const RECT& area, const char* device, bool primary) {
    Stage stage;
    stage.area = area;
    lstrcpynA(stage.device, device, sizeof stage.device);
    stage.primary = primary;
    return stage;
}

bool Placed(const SlideShow& show, const RECT& expected) {
    return EqualRect(&show.state.destRect, &expected) != 0;
}

}  // namespace

TEST_CASE("a show on each monitor: its own picture, one timer, and the set follows the monitors") {
    EngineFixture f;  // the window; its own one-stage shows stay unused
    StoreSetting("Image", "NO", "1");
    StoreSetting("Config", INTERVAL_KEY_BYTES, "30");
    const RECT left = {0, 0, 400, 600}, right = {400, 0, 800, 600};
    const Stage two[] = {MonitorStage(left, "\\\\.\\DISPLAY1", true),
                         MonitorStage(right, "\\\\.\\DISPLAY2", false)};
    ShowSet shows;
    REQUIRE(shows.SetStages(two, 2) == 2);
    shows.Bind(f.window);
    fakeNow = 0;
    shows.timer.clock = FakeClock;
    CHECK(shows.OnTimer() == 0);  // nothing runs before the first paint
    CHECK(shows.OnClick() == 0);
    ShowSet none;  // nor in a set without shows
    CHECK(none.OnClick() == 0);
    shows.OnFirstPaint();
    SlideShow* first = shows.At(0);
    SlideShow* second = shows.At(1);
    REQUIRE(first != nullptr);
    REQUIRE(second != nullptr);
    CHECK(shows.Primary() == first);
    CHECK(shows.At(-1) == nullptr);
    CHECK(shows.At(ShowSet::MOST_SHOWS) == nullptr);
    CHECK(first->shownNumber == 1);  // the stored picture, on the primary
    CHECK(second->shownNumber != 1);
    REQUIRE(second->currentPicture != nullptr);
    CHECK(Placed(*first, RECT{20, 60, 380, 540}));
    CHECK(Placed(*second, RECT{420, 60, 780, 540}));

    // One timer: it runs while either fades, then sleeps until the first
    // fade-out of the two.
    for (int tick = 1; tick <= 31; ++tick) {
        fakeNow = tick * 66;
        shows.OnTimer();
    }
    CHECK(shows.timer.periodMs == (435 - 31) * 66);
    CHECK(first->state.shownTicks == 32);
    CHECK(second->state.shownTicks == 32);
    // A paint on one monitor wakes the timer to draw it again; a click moves
    // only the primary show on.
    shows.OnPaint(RECT{500, 100, 600, 200});
    CHECK(shows.timer.periodMs == 66);
    const int onSecond = second->shownNumber;
    fakeNow = 33 * 66;
    shows.OnClick();
    CHECK(first->shownNumber == 2);
    CHECK(second->shownNumber == onSecond);

    // The primary monitor goes; the other one becomes the primary, at the
    // left; a new monitor comes at the right.
    const int shownOnSecond = second->shownNumber;
    const Stage changed[] = {MonitorStage(left, "\\\\.\\DISPLAY2", true),
                             MonitorStage(right, "\\\\.\\DISPLAY3", false)};
    fakeNow = 40 * 66;
    REQUIRE(shows.SetStages(changed, 2) == 2);
    CHECK(shows.Count() == 2);
    CHECK(shows.Primary() == second);
    CHECK(second->shownNumber == shownOnSecond);  // it goes on where it is
    CHECK(Placed(*second, RECT{20, 60, 380, 540}));
    SlideShow* added = shows.At(0) == second ? shows.At(1) : shows.At(0);
    REQUIRE(added != nullptr);
    REQUIRE(added->currentPicture != nullptr);
    CHECK(added->shownNumber != shownOnSecond);
    CHECK(Placed(*added, RECT{420, 60, 780, 540}));
    CHECK(added->startTick == 40);

    // Monitors coming and going leave no threads or pictures behind.
    for (int round = 0; round < 2; ++round) {
        const int handles = CountProcessHandles(GetCurrentProcessId());
        const SIZE_T memory = CommittedBytes(GetCurrentProcess());
        for (int i = 0; i < 6; ++i) {
            const Stage other =
                MonitorStage(right, i % 2 ? "\\\\.\\DISPLAY3" : "\\\\.\\DISPLAY4", false);
            const Stage list[] = {changed[0], other};
            REQUIRE(shows.SetStages(list, 2) == 2);
        }
        if (round == 0) continue;  // the first round warms the heap up
        CHECK(CountProcessHandles(GetCurrentProcessId()) <= handles + 2);
        // A picture and its section left behind at each change would be 4 MB.
        CHECK(CommittedBytes(GetCurrentProcess()) < memory + 1024 * 1024);
    }

    // The picture stored at close is the new primary's.
    shows.StopShow();
    CHECK(StoredStartPicture() == shownOnSecond);

    // Monitors without device names are known by their place; where no
    // stage is the primary one, one of the shows is.
    const Stage unnamed[] = {MonitorStage(left, "", false), MonitorStage(right, "", false)};
    REQUIRE(shows.SetStages(unnamed, 2) == 2);
    SlideShow* const firstUnnamed = shows.At(0);
    SlideShow* const secondUnnamed = shows.At(1);
    SlideShow* const primaryUnnamed = shows.Primary();
    CHECK((primaryUnnamed == firstUnnamed || primaryUnnamed == secondUnnamed));
    firstUnnamed->shownNumber = 5;  // marks the show: a new one would have none
    REQUIRE(shows.SetStages(unnamed, 2) == 2);
    CHECK(shows.At(0) == firstUnnamed);
    CHECK(shows.At(0)->shownNumber == 5);
    CHECK(shows.At(1) == secondUnnamed);
    CHECK(shows.Primary() == primaryUnnamed);
    // The primary show's monitor went and no stage is the primary one: the
    // first show there is becomes the primary.
    const Stage other[] = {MonitorStage(RECT{0, 0, 100, 100}, "", false)};
    REQUIRE(shows.SetStages(other, 1) == 1);
    CHECK(shows.Primary() != nullptr);
    CHECK(shows.Primary() == shows.At(0));
    // No more shows than the set holds.
    const int most = ShowSet::MOST_SHOWS;
    Stage many[most + 1];
    for (int i = 0; i <= most; ++i)
        many[i] = MonitorStage(RECT{i * 50, 0, i * 50 + 50, 50}, "", i == 0);
    CHECK(shows.SetStages(many, most + 1) == most);
    CHECK(shows.Count() == most);
}
