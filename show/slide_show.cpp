// The slide show: started by the window's first paint, stepped one frame per
// timer tick, stopped when the window is destroyed.  All of it runs on the
// GUI thread.
#include "show/slide_show.h"

#include <utility>

#include "config/settings.h"
#include "show/layout.h"
#include "show/loader_events.h"
#include "win32/device_context.h"

namespace {

// Rebuilds the picture's DIB section at the plan's brightness step; only the
// visible rectangle of the wide picture is converted.
void FadeFrame(JpegImage& picture, HDC dc, const FramePlan& plan, bool wide, const RECT& src) {
    if (wide)
        picture.FadeRect(dc, plan.step, plan.steps, src.left, src.top, src.right, src.bottom);
    else
        picture.Fade(dc, plan.step, plan.steps);
}

}  // namespace

SlideShow::SlideShow()
    : loaderControl(LOADER_GO),
      loaderThreadId(0),
      hwnd(nullptr),
      pictureNumber(0),
      clicked(0),
      savePictureNumber(1),
      intervalTicks(0),
      timerId(0),
      loaderRoutine(LoaderThreadProc),
      clock(SystemMilliseconds),
      clockTicks(0),
      timerPeriodMs(0),
      sectionAtFullBrightness(true),
      pictureSeen(false) {}

// The loader thread and the timer were stopped at WM_DESTROY; only the two
// pictures are left to free, the prepared one first.
SlideShow::~SlideShow() {
    preparedPicture.reset();
    currentPicture.reset();
}

int SlideShow::OnFirstPaint() {
    if (state.firstPaintPending) {
        state.firstPaintPending = 0;
        StartShow();
    }
    return 1;
}

int SlideShow::StartShow() {
    pictureNumber = ReadStartPicture();
    intervalTicks = ReadIntervalSeconds() * TICKS_PER_SECOND;
    // The clock's tick 0 is this one, from where the timer's periods count.
    showTime.Start(clock());
    clockTicks = 0;
    timerId = SetTimer(hwnd, SHOW_TIMER_ID, SHOW_TIMER_PERIOD_MS, nullptr);
    timerPeriodMs = SHOW_TIMER_PERIOD_MS;
    if (timerId != 0) Tick();  // loads and shows the first picture at once
    return 1;
}

int SlideShow::Tick() {
    int result = RunTick(true);
    SetTimerForNextChange();
    return result;
}

int SlideShow::OnTimer() {
    if (timerId == 0) return 0;
    int result = RunDueTicks(true);
    SetTimerForNextChange();
    return result;
}

int SlideShow::OnClick() {
    // The ticks a sleeping timer has not run yet come before the click's.
    if (timerId != 0) RunDueTicks(false);
    // The click asks for a picture the user has not seen.  When one of those
    // ticks (or the last timer tick, in black) has just brought the next
    // picture in, that is the one: the click's tick draws it instead of
    // passing over it.
    if (!currentPicture || pictureSeen) clicked = 1;
    return Tick();
}

// Every tick missed is applied in order, so that no picture change, fade
// step or pan step is lost to the counters; only the last may be drawn.
int SlideShow::RunDueTicks(bool drawLast) {
    const int due = TickDueAt(showTime.Elapsed(clock(), timerPeriodMs));
    int result = 1;
    while (clockTicks < due) {
        ++clockTicks;
        result = RunTick(drawLast && clockTicks == due);
    }
    return result;
}

int SlideShow::RunTick(bool draw) {
    // A click before the show has started (or without a timer) must not
    // step counters that have no interval yet.
    if (timerId == 0) return 0;

    bool wasClicked = clicked != 0;
    if (wasClicked) {
        InvalidateRect(hwnd, nullptr, TRUE);
        clicked = 0;
    }
    TickStart start = BeginTick(state, intervalTicks, pictureNumber, wasClicked);
    if (start.newPicture) {
        Advance();
        InvalidateRect(hwnd, nullptr, TRUE);  // WM_PAINT clears to black
    }

    if (!currentPicture) {
        // Nothing to show: try the following picture at the next tick, also
        // when picture 12's late start has moved cycleTick off 0.
        state.cycleTick = 0;
        return 0;
    }

    bool wide = IsWidePictureOnScreen(pictureNumber);
    if (start.newPicture) LayOut(wide);
    FramePlan plan = PlanFrame(state.shownTicks, state.cycleTick, start.period, wide);
    if (draw)
        DrawFrame(plan, wide);
    else
        SkipFrame(plan, wide);

    if (ReleasesLoader(state.shownTicks)) {
        if (state.shownTicks == FADE_IN_STEPS + 1)
            NotifyLoaderEvent(LOADER_EVENT_RELEASE, state.shownTicks);
        loaderControl = LOADER_GO;
    }
    ++state.shownTicks;
    ++state.cycleTick;
    return 1;
}

// Places the picture that has just come in, in the stage or else the whole
// client area; a later change of the window's size takes effect at the
// next picture (or at Relayout).
void SlideShow::LayOut(bool wide) {
    RECT area = stage;  // all 0 when no stage was set
    if (!staged) GetClientRect(hwnd, &area);
    ComputeStageLayout(state, area, currentPicture->Width(), currentPicture->Height(true), wide);
}

void SlideShow::SetStage(const RECT& area) {
    stage = area;
    staged = true;
}

void SlideShow::Relayout() {
    if (currentPicture) {
        // Only where the picture goes changes: the part of it on screen (the
        // wide picture's pan position) stays.
        RECT shown = state.srcRect;
        LayOut(IsWidePictureOnScreen(pictureNumber));
        state.srcRect = shown;
    }
    InvalidateRect(hwnd, nullptr, TRUE);  // WM_PAINT clears to black
    RedrawAtNextTick();
}

// Brings the picture's DIB section to the frame's brightness (a fade
// rebuilds it; other frames reuse what the last fade left, full brightness
// after the fade-in) and draws the frame's part of it in its place.  A frame
// that would put the same pixels where they already are is not drawn: a
// steady picture costs a tick nothing until a paint has covered it.
void SlideShow::DrawFrame(const FramePlan& plan, bool wide) {
    JpegImage& picture = *currentPicture;
    RECT& src = state.srcRect;
    src = SourceRectFor(plan, wide, picture.Width(), state.shownTicks, src);
    const RECT& dest = state.destRect;
    bool fades = plan.kind == FRAME_FADE_IN || plan.kind == FRAME_FADE_OUT;
    // Whether or not the draw succeeds: a picture that cannot be drawn must
    // not keep a click from moving on.
    if (!fades || plan.step > 0) pictureSeen = true;
    if (fades)
        drawn.valid = false;  // a new brightness, whether or not it reaches the window
    else if (IsOnScreen(src, dest))
        return;

    WindowDc dc(hwnd);
    if (!dc.Get()) return;
    if (fades) {
        FadeFrame(picture, dc.Get(), plan, wide, src);
        sectionAtFullBrightness = plan.step == plan.steps;
    } else if (!sectionAtFullBrightness) {
        // The fade frames up to full brightness were passed over: their last
        // step is applied now.
        FadeFrame(picture, dc.Get(), FramePlan{plan.kind, FADE_IN_STEPS, FADE_IN_STEPS}, wide, src);
        sectionAtFullBrightness = true;
    }
    drawn.valid = picture.Draw(dc.Get(), dest.left, dest.top, dest.right, dest.bottom, src.left,
                               src.top, src.right, src.bottom, SRCCOPY) == 1;
    drawn.src = src;
    drawn.dest = dest;
}

// A tick that is run but not drawn (a later one is due already) moves the
// wide picture's view on as a drawn one would; a fade step it passes over
// leaves the window behind the show, for the next drawn tick to catch up.
void SlideShow::SkipFrame(const FramePlan& plan, bool wide) {
    state.srcRect =
        SourceRectFor(plan, wide, currentPicture->Width(), state.shownTicks, state.srcRect);
    if (plan.kind == FRAME_FADE_IN || plan.kind == FRAME_FADE_OUT) drawn.valid = false;
}

bool SlideShow::IsOnScreen(const RECT& src, const RECT& dest) const {
    return drawn.valid && EqualRect(&drawn.src, &src) && EqualRect(&drawn.dest, &dest);
}

void SlideShow::RedrawAtNextTick() {
    drawn.valid = false;
    SetTimerForNextChange();
}

// The timer runs every period while the window changes at every tick (fades,
// the pan); otherwise it sleeps until the tick that next changes something.
void SlideShow::SetTimerForNextChange() {
    if (timerId == 0) return;
    int ahead = 1;
    if (currentPicture && drawn.valid && !clicked) {
        ahead = TicksUntilChange(state, intervalTicks, pictureNumber, currentPicture->Width(),
                                 loaderControl.load() == LOADER_HOLD);
    }
    // The time so far is read against the period in force until now: a sleep
    // cut short (a paint, a click) is time that passed, not a clock that
    // jumped, and the next reading is measured against the new period.
    const long long elapsed = showTime.Elapsed(clock(), timerPeriodMs);
    UINT period = SHOW_TIMER_PERIOD_MS;
    if (ahead > 1) {
        long long wait = MsUntilTick(clockTicks + ahead, elapsed);
        if (wait > SHOW_TIMER_PERIOD_MS) period = static_cast<UINT>(wait);
    }
    // A running timer of the period is left alone, so that its rhythm holds;
    // a sleep is set again each time, for its own length.
    if (period == SHOW_TIMER_PERIOD_MS && timerPeriodMs == SHOW_TIMER_PERIOD_MS) return;
    if (SetTimer(hwnd, timerId, period, nullptr) != 0) timerPeriodMs = period;
}

int SlideShow::Advance() {
    currentPicture.reset();

    if (loaderThread) {
        loaderControl = LOADER_GO;
        WaitForLoaderThread();
    }
    if (!preparedPicture) {
        // The first picture of the show, or a loader that made nothing or
        // could not be started: load it now, synchronously.  The control word
        // may still say hold (no thread took the last release), and no tick
        // comes while this thread waits, so the loader is released here.
        loaderControl = LOADER_GO;
        StartLoaderThread();
        WaitForLoaderThread();
    }
    currentPicture = std::move(preparedPicture);
    state.pictureShown = true;
    pictureSeen = false;
    drawn.valid = false;
    sectionAtFullBrightness = true;  // a new picture's section is made at full brightness

    pictureNumber = NextPictureNumber(pictureNumber);
    loaderControl = LOADER_HOLD;
    StartLoaderThread();  // holds until the new picture has faded in
    return 1;
}

int SlideShow::StopShow() {
    // pictureNumber is the next picture to load; the one on screen is the one
    // before.  A show that never swapped a picture in (closed before its
    // first paint, or without a timer) has none to save: the stored number
    // stays as it was.
    bool save = savePictureNumber && state.pictureShown;
    int onScreen = 0;
    if (save) {
        onScreen = PictureOnScreen(pictureNumber);
        WriteStartPicture(onScreen);
    }

    if (timerId != 0) {
        KillTimer(hwnd, timerId);
        timerId = 0;
    }
    if (loaderThread) {
        loaderControl = LOADER_QUIT;
        WaitForLoaderThread();
        loaderThread.Reset(nullptr);
    }
    // The field follows the saved number, now that no loader reads it.
    if (save) pictureNumber = onScreen;
    return 1;
}

// Starts a loader thread for this show, replacing (and closing) the handle of
// the previous one, which has always ended by now.  The handle is null when
// the thread could not be created.
void SlideShow::StartLoaderThread() {
    loaderThread.Reset(nullptr);
    loaderThread.Reset(CreateThread(nullptr, 0, loaderRoutine, this, 0, &loaderThreadId));
}

void SlideShow::WaitForLoaderThread() {
    if (loaderThread) WaitForSingleObject(loaderThread.Get(), INFINITE);
}
