// The slide show in full-screen mode on the 800 x 600 screen: the first
// picture's fade-in and exact pixels, the start picture from the settings,
// picture 12's short interval, the wide picture's pan, and the schedule
// kept on a coarse timer and across a paint.

#include <doctest/doctest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "tests/e2e/driver/saver_driver.h"
#include "tests/e2e/show_support/cover.h"
#include "tests/e2e/show_support/full_screen_saver.h"
#include "tests/e2e/show_support/pictures.h"
#include "tests/e2e/show_support/session.h"

using namespace show_e2e;

namespace {

const RECT SCREEN = {0, 0, 800, 600};
const RECT PORTRAIT_RECT = {220, 60, 580, 540};    // 360 x 480 at 800 x 600
const RECT LANDSCAPE_RECT = {160, 135, 640, 465};  // 480 x 330
const RECT WIDE_RECT = {163, 120, 636, 480};       // a third of 1420 x 360

// The picture's rectangle holds `ref` at full brightness and the rest of
// the screen is black.
void CheckExactPicture(const Pixels& screen, const Pixels& ref, const RECT& at) {
    Pixels inside = Crop(screen, at.left, at.top, at.right, at.bottom);
    REQUIRE(inside.width == ref.width);
    CHECK(CountMismatches(inside, ref, 0, 0, 30, 30) == 0);
    CHECK(CountNonBlack(screen, 0, 0, 800, at.top) == 0);
    CHECK(CountNonBlack(screen, 0, at.bottom, 800, 600) == 0);
    CHECK(CountNonBlack(screen, 0, at.top, at.left, at.bottom) == 0);
    CHECK(CountNonBlack(screen, at.right, at.top, 800, at.bottom) == 0);
}

// Waits until the saver has shown its first picture for `ms` and returns
// the screen then.
Pixels ScreenAfter(const FullScreenSaver& saver, double ms) {
    double left = ms - saver.SinceShown();
    if (left > 0) Wait(static_cast<DWORD>(left));
    return Capture(SCREEN);
}

struct FadeSample {
    double ms;  // since the window was seen
    int step;
};

}  // namespace

TEST_CASE("full screen from picture 1: from black through the fade table to the exact picture") {
    StoreSettings(nullptr, nullptr);  // no settings: picture 1, 30 s
    const Pixels& ref = Reference(1);
    REQUIRE(ref.width == 360);
    REQUIRE(ref.height == 480);

    WhiteCover cover;
    FullScreenSaver saver;

    // Every frame of the fade-in matches the brightness table exactly at
    // some step; captures torn between two frames match none.
    std::vector<FadeSample> samples;
    int torn = 0;
    double firstPictureMs = -1;
    while (saver.SinceShown() < 3500) {
        Pixels shot = Capture(PORTRAIT_RECT);
        double at = saver.SinceShown();
        REQUIRE(shot.width == 360);
        int bad = 0;
        int step = BestFadeStep(shot, ref, 0, 0, 30, &bad);
        if (bad != 0) {
            ++torn;
            continue;
        }
        samples.push_back(FadeSample{at, step});
        if (step > 0 && firstPictureMs < 0) firstPictureMs = NowMs() - saver.startMs;
        if (step == 30) break;
    }
    REQUIRE(samples.size() >= 5);
    MESSAGE("fade-in: " << samples.size() << " clean captures, " << torn << " torn; first at step "
                        << samples.front().step << " after " << samples.front().ms << " ms");
    MESSAGE("process start to the first picture on screen (step >= 1): " << firstPictureMs
                                                                         << " ms");
    CHECK(samples.front().step <= 2);  // it starts from black
    CHECK(samples.back().step == 30);
    CHECK(torn <= static_cast<int>(samples.size()));
    for (size_t i = 1; i < samples.size(); ++i) CHECK(samples[i].step >= samples[i - 1].step);

    // The brightness follows the clock: one step per 66 ms tick, within a
    // frame or two (plus a little for a busy machine).
    const FadeSample* first = nullptr;
    const FadeSample* last = nullptr;
    for (const FadeSample& s : samples) {
        if (s.step >= 1 && !first) first = &s;
        if (s.step < 30) last = &s;
    }
    REQUIRE(first != nullptr);
    REQUIRE(last != nullptr);
    double ticks = (last->ms - first->ms) / TICK_MS;
    int steps = last->step - first->step;
    MESSAGE("fade-in: steps " << first->step << " to " << last->step << " in " << ticks
                              << " ticks of wall time");
    CHECK(steps <= ticks + 2);
    CHECK(steps >= ticks * 0.85 - 2);

    // After the fade-in: the decoded picture, pixel for pixel, on black.
    Pixels screen = ScreenAfter(saver, 2600);
    CheckExactPicture(screen, ref, PORTRAIT_RECT);

    CHECK(saver.CloseWithKey() == 0);
    CHECK(StoredStartPicture() == "1");
}

TEST_CASE("stored start numbers out of range start with picture 1") {
    const char* stored[] = {"0", "13", "text"};
    for (const char* value : stored) {
        CAPTURE(value);
        StoreSettings(value, nullptr);
        FullScreenSaver saver;
        CheckExactPicture(ScreenAfter(saver, 2600), Reference(1), PORTRAIT_RECT);
        CHECK(saver.CloseWithKey() == 0);
        CHECK(StoredStartPicture() == "1");
    }
}

TEST_CASE("a stored 12 shows picture 12 for its shortened interval, then picture 1") {
    // 20 s is 300 ticks; picture 12 starts at tick 225 and so stays 75.
    StoreSettings("12", "20");
    const Pixels& twelve = Reference(12);
    const Pixels& one = Reference(1);
    REQUIRE(twelve.width == 480);

    FullScreenSaver saver;
    CheckExactPicture(ScreenAfter(saver, 2600), twelve, LANDSCAPE_RECT);

    // Watch for the fade-out of picture 12 and the fade-in of picture 1.
    int fadeOutFrames = 0;
    double pictureOneMs = -1;
    while (saver.SinceShown() < 12000 && pictureOneMs < 0) {
        Pixels screen = Capture(SCREEN);
        double at = saver.SinceShown();
        Pixels landscape = Crop(screen, LANDSCAPE_RECT.left, LANDSCAPE_RECT.top,
                                LANDSCAPE_RECT.right, LANDSCAPE_RECT.bottom);
        int bad = 0;
        int step = BestFadeStep(landscape, twelve, 0, 0, 15, &bad);
        if (bad == 0 && step > 0 && step < 15) ++fadeOutFrames;
        Pixels portrait = Crop(screen, PORTRAIT_RECT.left, PORTRAIT_RECT.top, PORTRAIT_RECT.right,
                               PORTRAIT_RECT.bottom);
        step = BestFadeStep(portrait, one, 0, 0, 30, &bad);
        if (bad == 0 && step > 0 && CountNonBlack(screen, 0, 0, 800, 60) == 0) pictureOneMs = at;
    }
    MESSAGE("picture 1 followed picture 12 after " << pictureOneMs << " ms (75 ticks is "
                                                   << 75 * TICK_MS << " ms); " << fadeOutFrames
                                                   << " fade-out frames seen");
    REQUIRE(pictureOneMs > 0);
    CHECK(pictureOneMs > 4000);
    CHECK(pictureOneMs < 8000);  // an ordinary picture would stay 20 s
    CHECK(fadeOutFrames >= 1);

    CHECK(saver.CloseWithKey() == 0);
    CHECK(StoredStartPicture() == "1");
}

namespace {

// The left source column of a 473-column view of the wide picture that the
// shot shows exactly at full brightness; -1 when there is none.
int FindPanColumn(const Pixels& shot, const Pixels& wide) {
    for (int left = 0; left + shot.width <= wide.width; ++left) {
        bool columnMatches = true;
        for (int y = 0; y < shot.height && columnMatches; y += 7)
            columnMatches = shot.At(0, y) == wide.At(left, y);
        if (columnMatches && CountMismatches(shot, wide, left, 0, 30, 30) == 0) return left;
    }
    return -1;
}

// The pan tick t (shownTicks - 30, 1..450) whose view starts at `left`,
// from offset = t * 946 / 450 and left = 947 - offset; -1 when no tick
// gives that column.
int PanTickOf(int left) {
    for (int t = 1; t <= 450; ++t)
        if (947 - t * 946 / 450 == left) return t;
    return -1;
}

}  // namespace

TEST_CASE("the wide picture fades in its right third, then pans to its left end") {
    StoreSettings("11", nullptr);
    const Pixels& wide = Reference(11);
    REQUIRE(wide.width == 1420);
    REQUIRE(wide.height == 360);

    FullScreenSaver saver;

    // Part-way through the fade-in: the right third (source columns 946 to
    // 1420, squeezed into 473 screen columns), not another part.
    Wait(1200);
    Pixels fading = Capture(WIDE_RECT);
    double right = 0, middle = 0, leftEnd = 0;
    int step = ClosestFadeStep(fading, wide, 946, 0, 1420, 360, 30, &right);
    ClosestFadeStep(fading, wide, 473, 0, 947, 360, 30, &middle);
    ClosestFadeStep(fading, wide, 0, 0, 474, 360, 30, &leftEnd);
    MESSAGE("fade-in at step " << step << ": mean difference right " << right << ", middle "
                               << middle << ", left " << leftEnd);
    CHECK(step > 5);
    CHECK(step < 30);
    CHECK(right < 6.0);
    CHECK(right * 3 < middle);
    CHECK(right * 3 < leftEnd);

    // The pan: each view is an exact 473-column window of the picture at a
    // column the pan table gives, moving left with the clock.
    struct PanSample {
        double ms;
        int left;
        int tick;
    };
    std::vector<PanSample> pan;
    int unmatched = 0;
    while (saver.SinceShown() < 36000 && (pan.empty() || pan.back().left != 1)) {
        Wait(1500);
        Pixels view = Capture(WIDE_RECT);
        double at = saver.SinceShown();
        int left = FindPanColumn(view, wide);
        if (left < 0) {
            ++unmatched;  // a capture torn between two frames
            continue;
        }
        pan.push_back(PanSample{at, left, left == 1 ? 450 : PanTickOf(left)});
    }
    REQUIRE(pan.size() >= 12);
    CHECK(unmatched <= static_cast<int>(pan.size()) / 3);
    for (const PanSample& s : pan) {
        CAPTURE(s.ms);
        CAPTURE(s.left);
        CHECK(s.tick > 0);  // a column the pan table can give
    }
    for (size_t i = 1; i < pan.size(); ++i) CHECK(pan[i].left <= pan[i - 1].left);

    // Against the clock: shownTicks = 30 + t at about ms / 66 from the first
    // frame, within a few ticks (and 10 % for a busy machine).
    for (const PanSample& s : pan) {
        if (s.left == 1) continue;
        double expectedTick = s.ms / TICK_MS - 30;
        CAPTURE(s.ms);
        CAPTURE(s.tick);
        CHECK(s.tick <= expectedTick + 4);
        CHECK(s.tick >= expectedTick * 0.9 - 6);
    }
    // 480 ticks is about 31.7 s: the pan ends at column 1 before the
    // fade-out begins at tick 555.
    CHECK(pan.back().left == 1);
    MESSAGE("pan: first view at column " << pan.front().left << " after " << pan.front().ms
                                         << " ms, last at column " << pan.back().left << " after "
                                         << pan.back().ms << " ms");

    CHECK(saver.CloseWithKey() == 0);
    CHECK(StoredStartPicture() == "11");
}

namespace {

// A 64 x 64 square in the middle of a picture as the full-screen show
// places it on the 800 x 600 screen, and the same square of the picture.
struct Probe {
    RECT onScreen;
    Pixels ref;
};

Probe MiddleOf(int pictureNumber) {
    const Pixels& whole = Reference(pictureNumber);
    const int left = (800 - whole.width) / 2 + whole.width / 2 - 32;
    const int top = (600 - whole.height) / 2 + whole.height / 2 - 32;
    Probe probe = {RECT{left, top, left + 64, top + 64},
                   Crop(whole, whole.width / 2 - 32, whole.height / 2 - 32, whole.width / 2 + 32,
                        whole.height / 2 + 32)};
    REQUIRE(MaxChannel(probe.ref) >= 60);  // bright enough to tell every step apart
    return probe;
}

// Watches the probe's square until it shows its picture exactly at a step
// of at least `step` (of 30); the time then, or -1 after `timeoutMs`.
double WhenStepShown(const Probe& probe, int step, double timeoutMs) {
    const double end = NowMs() + timeoutMs;
    while (NowMs() < end) {
        int bad = 0;
        int shown = BestFadeStep(Capture(probe.onScreen), probe.ref, 0, 0, 30, &bad);
        if (bad == 0 && shown >= step) return NowMs();
        Sleep(2);
    }
    return -1;
}

}  // namespace

TEST_CASE("on a coarse timer, and with a paint while it sleeps, the show keeps to the clock") {
    StoreSettings("1", "15");  // 225 ticks: picture 2 comes in at tick 225
    const Probe one = MiddleOf(1);
    const Probe two = MiddleOf(2);

    FullScreenSaver saver;
    REQUIRE(e2e::MakeTimersCoarse(saver.window, 1, TICK_MS));  // 66 ms timers fire every 78 ms

    // Picture 1 reaches full brightness at tick 30, picture 2 at tick 255.
    const double oneFull = WhenStepShown(one, 30, 4000);
    REQUIRE(oneFull > 0);
    // The timer sleeps from tick 31 to the fade-out at tick 210; 11 s into
    // that sleep the window is repainted, as when a window over it goes.
    Wait(static_cast<DWORD>(13000 - TICK_MS * 30));
    RedrawWindow(saver.window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE);
    const double untilChange = oneFull + 225 * TICK_MS - 2000 - NowMs();
    REQUIRE(untilChange > 0);
    Wait(static_cast<DWORD>(untilChange));
    const double twoSeen = WhenStepShown(two, 1, 4000);
    const double twoFull = WhenStepShown(two, 30, 4000);
    REQUIRE(twoSeen > 0);
    REQUIRE(twoFull > 0);
    MESSAGE("picture 2 at full brightness " << twoFull - oneFull << " ms after picture 1 (225 "
                                            << "ticks: " << 225 * TICK_MS << " ms); its fade-in "
                                            << twoFull - twoSeen << " ms from step 1 to 30");
    CHECK(std::fabs(twoFull - oneFull - 225 * TICK_MS) <= 200);
    // From black (step 0, the tick before step 1) to full brightness: 2 s.
    CHECK(std::fabs(twoFull - twoSeen + TICK_MS - 30 * TICK_MS) <= 150);

    CHECK(saver.CloseWithKey() == 0);
    CHECK(StoredStartPicture() == "2");
}
