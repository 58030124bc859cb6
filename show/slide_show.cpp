// One slide show: begun by its window's first paint (or when its monitor
// comes), stepped frame by frame as the clock's ticks fall due, stopped when
// the window is destroyed (or its monitor goes).  All of it runs on the GUI
// thread.
#include "show/slide_show.h"

#include <utility>

#include "show/layout.h"
#include "show/loader_events.h"
#include "show/picture_sequence.h"
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
      shownNumber(0),
      clicked(0),
      intervalTicks(0),
      loaderRoutine(LoaderThreadProc),
      sequence(nullptr),
      sequenceSlot(0),
      running(false),
      startTick(0),
      clockTicks(0),
      sectionAtFullBrightness(true),
      pictureSeen(false) {}

// The loader thread was stopped by StopShow; only the two pictures are left
// to free, the prepared one first.
SlideShow::~SlideShow() {
    preparedPicture.reset();
    currentPicture.reset();
}

int SlideShow::Begin(int firstPicture, int ticksPerPicture, int atTick) {
    pictureNumber = firstPicture;
    intervalTicks = ticksPerPicture;
    startTick = atTick;
    clockTicks = 0;  // the show's tick 0 is this one
    running = true;
    return Tick();  // loads and shows the first picture at once
}

int SlideShow::Tick() {
    return RunTick(true);
}

// Every tick missed is applied in order, so that no picture change, fade
// step or pan step is lost to the counters; only the last may be drawn.
int SlideShow::RunDueTicks(long long elapsedMs, bool drawLast) {
    if (!running) return 0;
    const int due = TickDueAt(elapsedMs) - startTick;
    int result = 1;
    while (clockTicks < due) {
        ++clockTicks;
        result = RunTick(drawLast && clockTicks == due);
    }
    return result;
}

int SlideShow::OnClick(long long elapsedMs) {
    // The ticks a sleeping timer has not run yet come before the click's.
    RunDueTicks(elapsedMs, false);
    // When one of those ticks (or the last timer tick, in black) has just
    // brought the next picture in, that is the one the click asks for: the
    // click's tick draws it instead of passing over it.
    if (!currentPicture || pictureSeen) clicked = 1;
    return Tick();
}

int SlideShow::RunTick(bool draw) {
    // A click before the show has begun must not step counters that have no
    // interval yet.
    if (!running) return 0;

    bool wasClicked = clicked != 0;
    if (wasClicked) {
        ClearArea();
        clicked = 0;
    }
    TickStart start = BeginTick(state, intervalTicks, shownNumber, pictureNumber, wasClicked);
    if (start.newPicture) {
        Advance();
        ClearArea();  // WM_PAINT clears it to black
    }

    if (!currentPicture) {
        // Nothing to show: try the following picture at the next tick, also
        // when picture 12's late start has moved cycleTick off 0.
        state.cycleTick = 0;
        return 0;
    }

    bool wide = shownNumber == WIDE_PICTURE;
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

RECT SlideShow::Area() const {
    RECT area = stage;  // all 0 when no stage was set
    if (!staged) GetClientRect(hwnd, &area);
    return area;
}

// Invalidates the show's part of the window, which WM_PAINT then erases to
// black; the other shows of the window keep their pictures.
void SlideShow::ClearArea() {
    if (staged)
        InvalidateRect(hwnd, &stage, TRUE);
    else
        InvalidateRect(hwnd, nullptr, TRUE);
}

// Places the picture that has just come in, in the stage or else the whole
// client area; a later change of the window's size takes effect at the
// next picture (or at Relayout).
void SlideShow::LayOut(bool wide) {
    ComputeStageLayout(state, Area(), currentPicture->Width(), currentPicture->Height(true), wide);
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
        LayOut(shownNumber == WIDE_PICTURE);
        state.srcRect = shown;
    }
    ClearArea();
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
}

// The next tick while the stage changes at every tick (fades, the pan) or
// must be drawn again; otherwise the tick that next changes something.
long long SlideShow::NextChangeMs() const {
    int ahead = 1;
    if (currentPicture && drawn.valid && !clicked) {
        ahead = TicksUntilChange(state, intervalTicks, shownNumber, pictureNumber,
                                 currentPicture->Width(), loaderControl.load() == LOADER_HOLD);
    }
    return static_cast<long long>(startTick + clockTicks + ahead) * SHOW_TIMER_PERIOD_MS;
}

int SlideShow::Advance() {
    currentPicture.reset();

    if (loaderThread) {
        loaderControl = LOADER_GO;
        WaitForLoaderThread();
    }
    if (sequence) {
        // Where another show has come to need the picture chosen for now,
        // another one comes in its place, loaded now.
        int coming = sequence->Confirm(sequenceSlot, pictureNumber, startTick + clockTicks);
        if (coming != pictureNumber) {
            preparedPicture.reset();
            pictureNumber = coming;
        }
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

    shownNumber = pictureNumber;
    pictureNumber = sequence ? sequence->Next(sequenceSlot, shownNumber, startTick + clockTicks)
                             : NextPictureNumber(shownNumber);
    loaderControl = LOADER_HOLD;
    StartLoaderThread();  // holds until the new picture has faded in
    return 1;
}

int SlideShow::StopShow() {
    running = false;
    if (loaderThread) {
        loaderControl = LOADER_QUIT;
        WaitForLoaderThread();
        loaderThread.Reset(nullptr);
    }
    return 1;
}

// Starts a loader thread for this show, replacing (and closing) the handle of
// the previous one, which has always ended by now.  The handle is null when
// the thread could not be created.
void SlideShow::StartLoaderThread() {
    loaderThread.Reset(nullptr);
    loaderThread.Reset(CreateThread(nullptr, 0, loaderRoutine, this, 0, &loaderThreadId));
}

// Returns once the loader thread has ended: only then are preparedPicture
// and the show itself the GUI thread's alone.  A wait that fails says
// nothing of the thread, so the thread's exit code is asked until it no
// longer says that it runs (a handle that cannot be asked names no thread
// that could run).
void SlideShow::WaitForLoaderThread() {
    if (!loaderThread) return;
    const DWORD RETRY_MS = 10;
    while (WaitForSingleObject(loaderThread.Get(), INFINITE) != WAIT_OBJECT_0) {
        DWORD code = 0;
        if (!GetExitCodeThread(loaderThread.Get(), &code) || code != STILL_ACTIVE) return;
        Sleep(RETRY_MS);
    }
}
