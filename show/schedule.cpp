#include "show/schedule.h"
#include "show/engine_state.h"

int PeriodTicks(int intervalTicks, bool widePicture) {
    if (widePicture && intervalTicks < WIDE_MIN_PERIOD) return WIDE_MIN_PERIOD;
    return intervalTicks;
}

int LateStartTick(int cycleTick, int intervalTicks) {
    int start = cycleTick + 3 * intervalTicks / 4;
    return start < LATE_START_FLOOR ? LATE_START_FLOOR : start;
}

int PictureTicks(int pictureNumber, int intervalTicks) {
    int period = PeriodTicks(intervalTicks, pictureNumber == WIDE_PICTURE);
    if (pictureNumber != LATE_START_PICTURE) return period;
    // cycleTick runs from the late start to the period; a start at the
    // period itself (the shortest interval) wraps to a whole one.
    int start = LateStartTick(0, intervalTicks);
    return start < period ? period - start : period;
}

int NextPictureNumber(int pictureNumber) {
    int next = pictureNumber + 1;
    return next > PICTURE_COUNT ? 1 : next;
}

int PictureOnScreen(int pictureNumber) {
    int previous = pictureNumber - 1;
    return previous == 0 ? PICTURE_COUNT : previous;
}

FramePlan PlanFrame(int shownTicks, int cycleTick, int period, bool widePicture) {
    if (shownTicks <= FADE_IN_STEPS) return FramePlan{FRAME_FADE_IN, shownTicks, FADE_IN_STEPS};
    if (cycleTick >= period - FADE_OUT_STEPS)
        return FramePlan{FRAME_FADE_OUT, period - cycleTick - 1, FADE_OUT_STEPS};
    if (widePicture && shownTicks <= FADE_IN_STEPS + PAN_TICKS) return FramePlan{FRAME_PAN, 0, 0};
    return FramePlan{FRAME_STEADY, 0, 0};
}

RECT WideFadeInSource(int width, int height) {
    int third = width / 3;
    RECT r = {2 * third, 0, width, height};
    return r;
}

RECT PanSource(int width, int height, int shownTicks) {
    int third = width / 3;
    int t = shownTicks - FADE_IN_STEPS;
    int offset = t * third * 2 / PAN_TICKS;
    RECT r;
    r.right = width - offset;
    r.left = r.right - third;
    r.top = 0;
    r.bottom = height;
    return r;
}

RECT SourceRectFor(const FramePlan& plan, bool widePicture, int width, int shownTicks,
                   const RECT& previous) {
    RECT src = previous;
    if (!widePicture) return src;
    RECT columns;
    if (plan.kind == FRAME_FADE_IN)
        columns = WideFadeInSource(width, previous.bottom);
    else if (plan.kind == FRAME_PAN)
        columns = PanSource(width, previous.bottom, shownTicks);
    else
        return src;
    src.left = columns.left;
    src.right = columns.right;
    return src;
}

TickStart BeginTick(EngineState& state, int intervalTicks, int shown, int next, bool clicked) {
    if (clicked) {
        state.cycleTick = 0;
        state.shownTicks = 0;
    }
    TickStart start;
    start.period = PeriodTicks(intervalTicks, shown == WIDE_PICTURE);
    state.cycleTick %= start.period;
    start.newPicture = state.cycleTick == 0;
    if (start.newPicture) {
        if (next == LATE_START_PICTURE)
            state.cycleTick = LateStartTick(state.cycleTick, intervalTicks);
        state.shownTicks = 0;
    }
    return start;
}

int TickDueAt(long long elapsedMs) {
    if (elapsedMs < 0) return 0;
    return static_cast<int>((elapsedMs + SHOW_TIMER_PERIOD_MS / 2) / SHOW_TIMER_PERIOD_MS);
}

long long MsUntilTick(int tick, long long elapsedMs) {
    return static_cast<long long>(tick) * SHOW_TIMER_PERIOD_MS - elapsedMs;
}

int TicksUntilChange(const EngineState& state, int intervalTicks, int shown, int next,
                     int pictureWidth, bool loaderHeld) {
    EngineState ahead = state;
    RECT src = state.srcRect;
    const bool wide = shown == WIDE_PICTURE;
    // A new picture comes at the latest when cycleTick reaches the period.
    const int longest = PeriodTicks(intervalTicks, wide) + 1;
    for (int ticks = 1; ticks < longest; ++ticks) {
        TickStart start = BeginTick(ahead, intervalTicks, shown, next, false);
        if (start.newPicture) return ticks;
        FramePlan plan = PlanFrame(ahead.shownTicks, ahead.cycleTick, start.period, wide);
        if (plan.kind == FRAME_FADE_IN || plan.kind == FRAME_FADE_OUT) return ticks;
        if (loaderHeld && ReleasesLoader(ahead.shownTicks)) return ticks;
        RECT view = SourceRectFor(plan, wide, pictureWidth, ahead.shownTicks, src);
        if (!EqualRect(&view, &src)) return ticks;
        ++ahead.shownTicks;
        ++ahead.cycleTick;
    }
    return longest;
}
