#include <doctest/doctest.h>

#include <vector>

#include "show/engine_state.h"
#include "show/schedule.h"

namespace {

// One tick of the show as the engine sequences it, with a picture source
// that always delivers: what is on screen, and how it is drawn.
struct Frame {
    int picture;  // number of the picture on screen
    int shownTicks;
    int cycleTick;
    FramePlan plan;
    int newPicture;
};

class ShowRun {
public:
    ShowRun(int intervalSeconds, int startPicture)
        : intervalTicks(intervalSeconds * TICKS_PER_SECOND), pictureNumber(startPicture) {}

    Frame Step(int clicked = 0) {
        TickStart start = BeginTick(state, intervalTicks, shown, pictureNumber, clicked);
        if (start.newPicture) {
            shown = pictureNumber;
            pictureNumber = NextPictureNumber(pictureNumber);
        }
        Frame f;
        f.picture = shown;
        f.shownTicks = state.shownTicks;
        f.cycleTick = state.cycleTick;
        f.plan = PlanFrame(state.shownTicks, state.cycleTick, start.period, shown == WIDE_PICTURE);
        f.newPicture = start.newPicture;
        ++state.shownTicks;
        ++state.cycleTick;
        return f;
    }

    std::vector<Frame> Run(int ticks) {
        std::vector<Frame> frames;
        for (int i = 0; i < ticks; ++i) frames.push_back(Step());
        return frames;
    }

    EngineState state;
    int intervalTicks;
    int pictureNumber;
    int shown = 0;
};

// How many consecutive ticks `picture` stays on screen the first time it
// comes on after the run's start.
int TicksOnScreen(const std::vector<Frame>& frames, int picture) {
    size_t i = 0;
    while (i < frames.size() && !(frames[i].picture == picture && frames[i].newPicture)) ++i;
    int count = 0;
    while (i < frames.size() && frames[i].picture == picture &&
           (count == 0 || !frames[i].newPicture)) {
        ++count;
        ++i;
    }
    REQUIRE(i < frames.size());  // it left the screen within the run
    return count;
}

}  // namespace

TEST_CASE("picture 12 starts its interval at max(3I/4, 225)") {
    struct Row {
        int seconds, c0, onScreen;
    };
    const Row rows[] = {{15, 225, 225}, {16, 225, 15},  {20, 225, 75},
                        {30, 337, 113}, {60, 675, 225}, {300, 3375, 1125}};
    for (const Row& row : rows) {
        CAPTURE(row.seconds);
        int I = row.seconds * TICKS_PER_SECOND;
        CHECK(LateStartTick(0, I) == row.c0);
        CHECK(PictureTicks(12, I) == row.onScreen);

        // After the wide picture (started from stored 11).
        ShowRun afterWide(row.seconds, 11);
        std::vector<Frame> frames = afterWide.Run(PeriodTicks(I, 1) + row.onScreen + 10);
        CHECK(TicksOnScreen(frames, 12) == row.onScreen);

        // Starting the show with picture 12.
        ShowRun fromStart(row.seconds, 12);
        Frame first = fromStart.Step();
        CHECK(first.picture == 12);
        CHECK(first.cycleTick == row.c0);
        std::vector<Frame> rest = fromStart.Run(row.onScreen + 5);
        rest.insert(rest.begin(), first);
        CHECK(TicksOnScreen(rest, 12) == row.onScreen);
    }
}

TEST_CASE("an ordinary picture at the default interval: fade-in, steady, fade-out") {
    ShowRun run(30, 1);
    std::vector<Frame> frames = run.Run(451);
    for (int t = 0; t < 450; ++t) {
        CAPTURE(t);
        const Frame& f = frames[t];
        REQUIRE(f.picture == 1);
        CHECK(f.newPicture == (t == 0));
        if (t <= 30) {
            CHECK(f.plan.kind == FRAME_FADE_IN);
            CHECK(f.plan.step == t);
            CHECK(f.plan.steps == 30);
        } else if (t <= 434) {
            CHECK(f.plan.kind == FRAME_STEADY);
        } else {
            CHECK(f.plan.kind == FRAME_FADE_OUT);
            CHECK(f.plan.step == 449 - t);  // 14 down to 0
            CHECK(f.plan.steps == 15);
        }
    }
    CHECK(frames[450].picture == 2);
    CHECK(frames[450].newPicture == 1);
    CHECK(frames[450].plan.kind == FRAME_FADE_IN);
    CHECK(frames[450].plan.step == 0);
}

TEST_CASE("the wide picture stays at least 570 ticks and pans between its fades") {
    SUBCASE("short interval: 570 ticks") {
        ShowRun run(15, 11);
        std::vector<Frame> frames = run.Run(600);
        CHECK(TicksOnScreen(frames, 11) == 570);
        for (int t = 0; t < 570; ++t) {
            CAPTURE(t);
            FrameKind kind = frames[t].plan.kind;
            if (t <= 30)
                CHECK(kind == FRAME_FADE_IN);
            else if (t <= 480)
                CHECK(kind == FRAME_PAN);
            else if (t < 555)
                CHECK(kind == FRAME_STEADY);
            else
                CHECK(kind == FRAME_FADE_OUT);
        }
        CHECK(frames[569].plan.step == 0);
    }
    SUBCASE("long interval: the whole interval") {
        ShowRun run(60, 11);
        std::vector<Frame> frames = run.Run(910);
        CHECK(TicksOnScreen(frames, 11) == 900);
        CHECK(frames[600].plan.kind == FRAME_STEADY);
        CHECK(frames[885].plan.kind == FRAME_FADE_OUT);
    }
    SUBCASE("38 s is the boundary") {
        ShowRun run(38, 11);
        CHECK(TicksOnScreen(run.Run(600), 11) == 570);
        ShowRun longer(39, 11);
        CHECK(TicksOnScreen(longer.Run(600), 11) == 585);
    }
}

TEST_CASE("the wide picture's visible columns") {
    RECT r = WideFadeInSource(1420, 360);
    CHECK(r.left == 946);
    CHECK(r.right == 1420);
    CHECK(r.top == 0);
    CHECK(r.bottom == 360);

    struct Column {
        int shownTicks, left, right;
    };
    const Column columns[] = {{31, 945, 1418}, {255, 474, 947}, {480, 1, 474}, {30, 947, 1420}};
    for (const Column& c : columns) {
        CAPTURE(c.shownTicks);
        RECT v = PanSource(1420, 360, c.shownTicks);
        CHECK(v.left == c.left);
        CHECK(v.right == c.right);
        CHECK(v.top == 0);
        CHECK(v.bottom == 360);
    }
    // The view never leaves the picture and moves only leftwards.
    int lastLeft = 1420;
    for (int t = 31; t <= 480; ++t) {
        RECT v = PanSource(1420, 360, t);
        REQUIRE(v.left >= 0);
        REQUIRE(v.right <= 1420);
        REQUIRE(v.right - v.left == 473);
        REQUIRE(v.left <= lastLeft);
        lastLeft = v.left;
    }

    // A frame's source rectangle: those columns while the wide picture fades
    // in and pans, the last frame's otherwise; the rows stay as laid out.
    const RECT laidOut = {0, 0, 473, 360};
    RECT fadingIn = SourceRectFor(FramePlan{FRAME_FADE_IN, 3, 30}, true, 1420, 3, laidOut);
    CHECK(fadingIn.left == 946);
    CHECK(fadingIn.right == 1420);
    CHECK(fadingIn.top == 0);
    CHECK(fadingIn.bottom == 360);
    RECT panning = SourceRectFor(FramePlan{FRAME_PAN, 0, 0}, true, 1420, 255, fadingIn);
    CHECK(panning.left == 474);
    CHECK(panning.right == 947);
    CHECK(panning.bottom == 360);
    RECT steady = SourceRectFor(FramePlan{FRAME_STEADY, 0, 0}, true, 1420, 500, panning);
    CHECK(EqualRect(&steady, &panning));
    RECT fadingOut = SourceRectFor(FramePlan{FRAME_FADE_OUT, 5, 15}, true, 1420, 560, panning);
    CHECK(EqualRect(&fadingOut, &panning));
    const RECT portrait = {0, 0, 360, 480};
    RECT ordinary = SourceRectFor(FramePlan{FRAME_FADE_IN, 3, 30}, false, 360, 3, portrait);
    CHECK(EqualRect(&ordinary, &portrait));
}

TEST_CASE("a click starts the next picture from black in the same tick") {
    ShowRun run(30, 1);
    run.Run(10);  // picture 1 is fading in
    Frame f = run.Step(1);
    CHECK(f.newPicture == 1);
    CHECK(f.picture == 2);
    CHECK(f.shownTicks == 0);
    CHECK(f.plan.kind == FRAME_FADE_IN);
    CHECK(f.plan.step == 0);
    // The new picture gets a whole interval.
    std::vector<Frame> rest = run.Run(450);
    CHECK(rest[448].picture == 2);
    CHECK(rest[449].picture == 3);
}

TEST_CASE("a click while the wide picture is on screen brings picture 12 at its late start") {
    ShowRun run(30, 11);
    run.Run(100);
    Frame f = run.Step(1);
    CHECK(f.picture == 12);
    CHECK(f.cycleTick == 337);
    CHECK(f.shownTicks == 0);
}

TEST_CASE("picture numbers wrap between 12 and 1") {
    CHECK(NextPictureNumber(1) == 2);
    CHECK(NextPictureNumber(11) == 12);
    CHECK(NextPictureNumber(12) == 1);
    CHECK(PictureOnScreen(1) == 12);
    CHECK(PictureOnScreen(7) == 6);
    CHECK(PictureOnScreen(12) == 11);
    CHECK(PictureTicks(5, 450) == 450);
    CHECK(PictureTicks(11, 240) == 570);
    CHECK(PictureTicks(11, 900) == 900);
    CHECK(PeriodTicks(450, 0) == 450);
    CHECK(PeriodTicks(450, 1) == 570);
    CHECK(PeriodTicks(900, 1) == 900);
}
