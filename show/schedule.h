#ifndef VELMOR_SHOW_SCHEDULE_H
#define VELMOR_SHOW_SCHEDULE_H

#include <windows.h>

#include "res/resource.h"

struct EngineState;

// Timing of the slide show, in timer ticks of 66 ms (15 ticks a second).
const UINT_PTR SHOW_TIMER_ID = 1;
const UINT SHOW_TIMER_PERIOD_MS = 66;
const int TICKS_PER_SECOND = 15;
const int FADE_IN_STEPS = 30;   // shownTicks 0..30: steps 0..30 of 30
const int FADE_OUT_STEPS = 15;  // the last 15 ticks: steps 14..0 of 15
const int PAN_TICKS = 450;      // the wide picture pans after its fade-in
// The wide picture stays at least its pan and another 8 s (120 ticks) for
// its steady view and fade-out, however short the interval.
const int WIDE_MIN_PERIOD = PAN_TICKS + 120;
// Picture 12 comes on late in its interval, for its last quarter: its
// cycleTick starts at 3/4 of the interval, and at least at 225 (the shortest
// interval, 15 s, in ticks; with that interval it stays a whole one).
const int LATE_START_FLOOR = 225;
const int LATE_START_PICTURE = 12;
const int WIDE_PICTURE = 11;  // about four times as wide as high: panned

// The period of the current interval: I, or max(I, 570) for the wide picture.
int PeriodTicks(int intervalTicks, bool widePicture);

// Where picture 12 starts its interval: max(cycleTick + 3I/4, 225).
int LateStartTick(int cycleTick, int intervalTicks);

// How many ticks picture `pictureNumber` stays on screen once it has come
// in: its period, less picture 12's late start.
int PictureTicks(int pictureNumber, int intervalTicks);

// 1..12 cyclically: the number after n, and the number before n (the
// picture on screen when pictureNumber is n).
int NextPictureNumber(int pictureNumber);
int PictureOnScreen(int pictureNumber);

// What one tick does to the picture's brightness or visible part.
enum FrameKind { FRAME_FADE_IN, FRAME_FADE_OUT, FRAME_PAN, FRAME_STEADY };
struct FramePlan {
    FrameKind kind;
    int step;   // brightness step for the fades
    int steps;  // 30 for the fade-in, 15 for the fade-out, 0 otherwise
};
FramePlan PlanFrame(int shownTicks, int cycleTick, int period, bool widePicture);

// The wide picture's visible part (picture pixels, top-left origin): its
// right third while it fades in, and the pan position at shownTicks 31..480.
// width and height are the whole picture's.
RECT WideFadeInSource(int width, int height);
RECT PanSource(int width, int height, int shownTicks);

// The part of the picture a frame draws: for the wide picture (of `width`
// columns) the columns of WideFadeInSource while it fades in and of
// PanSource while it pans; every other frame keeps the `previous` frame's
// rectangle, and the rows always stay as the layout set them.
RECT SourceRectFor(const FramePlan& plan, bool widePicture, int width, int shownTicks,
                   const RECT& previous);

// From the first tick after its picture's fade-in, a tick releases the
// loader thread to decode the next picture.
inline bool ReleasesLoader(int shownTicks) {
    return shownTicks > FADE_IN_STEPS;
}

// The counter work of the start of a tick: the click reset, the reduction
// of cycleTick modulo the period of picture `shown` (the one on screen, 0 for
// none yet) and, when it comes out 0, the start of a new picture, `next`
// (picture 12's late start, shownTicks back to 0).
struct TickStart {
    int period;
    bool newPicture;  // the caller swaps the next picture in
};
TickStart BeginTick(EngineState& state, int intervalTicks, int shown, int next, bool clicked);

// The clock's ticks: tick 0 is the show's first, and tick n falls n timer
// periods after it, whenever the timer messages really come.  A tick is due
// from half a period before its moment, so that a timer firing a little
// early or late still meets the tick it was meant for.
int TickDueAt(long long elapsedMs);
// Milliseconds from the show's time `elapsedMs` to the moment of `tick`.
long long MsUntilTick(int tick, long long elapsedMs);

// How many ticks ahead lies the next one that changes what the window shows
// (a new picture, a fade step, other columns of the pan) or first releases
// the loader (while `loaderHeld`); 1 is the next tick.  `state` holds the
// counters as the next tick finds them; `shown` is the picture on screen,
// `pictureWidth` its whole width, and `next` the one after it.
int TicksUntilChange(const EngineState& state, int intervalTicks, int shown, int next,
                     int pictureWidth, bool loaderHeld);

#endif
