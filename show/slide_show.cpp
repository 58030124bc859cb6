// The slide-show engine: SaverWindow's operations that start, step and stop
// the show.  All of them run on the GUI thread.
#include "app/saver_window.h"

#include "config/settings.h"
#include "image/jpeg_image.h"
#include "show/engine_state.h"
#include "show/layout.h"
#include "show/loader_events.h"
#include "show/loader_thread.h"
#include "show/schedule.h"

EngineState engineState;

namespace {

// Starts a loader thread for `window`, replacing (and closing) the handle of
// the previous one, which has always ended by now.  The handle is null when
// the thread could not be created.
void StartLoaderThread(SaverWindow& window) {
    if (window.loaderThread) CloseHandle(window.loaderThread);
    window.loaderThread =
        CreateThread(nullptr, 0, window.loaderRoutine, &window, 0, &window.loaderThreadId);
}

void WaitForLoaderThread(SaverWindow& window) {
    if (window.loaderThread) WaitForSingleObject(window.loaderThread, INFINITE);
}

// Rebuilds the picture's DIB section at the plan's brightness step; only the
// visible rectangle of the wide picture is converted.
void FadeFrame(JpegImage& picture, HDC dc, const FramePlan& plan, int wide, const RECT& src) {
    if (wide)
        picture.FadeRect(dc, plan.step, plan.steps, src.left, src.top, src.right, src.bottom);
    else
        picture.Fade(dc, plan.step, plan.steps);
}

}  // namespace

int SaverWindow::OnFirstPaint() {
    if (engineState.firstPaintPending) {
        engineState.firstPaintPending = 0;
        StartShow();
    }
    return 1;
}

int SaverWindow::StartShow() {
    pictureNumber = ReadStartPicture();
    intervalTicks = ReadIntervalSeconds() * TICKS_PER_SECOND;
    timerId = SetTimer(hwnd, SHOW_TIMER_ID, SHOW_TIMER_PERIOD_MS, nullptr);
    if (timerId != 0) Tick();  // loads and shows the first picture at once
    return 1;
}

int SaverWindow::Tick() {
    // A click before the show has started (or without a timer) must not
    // step counters that have no interval yet.
    if (timerId == 0) return 0;

    EngineState& state = engineState;
    int wasClicked = clicked;
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

    int wide = IsWidePictureOnScreen(pictureNumber);
    if (start.newPicture) {
        RECT client = {0, 0, 0, 0};
        GetClientRect(hwnd, &client);
        ComputeLayout(state, client.right, client.bottom, currentPicture->Width(),
                      currentPicture->Height(true), wide);
    }

    HDC dc = GetDC(hwnd);
    if (dc) {
        FramePlan plan = PlanFrame(state.shownTicks, state.cycleTick, start.period, wide);
        RECT& src = state.srcRect;
        switch (plan.kind) {
            case FRAME_FADE_IN:
                if (wide) {
                    RECT right = WideFadeInSource(currentPicture->Width(), state.picHeight);
                    src.left = right.left;
                    src.right = right.right;
                }
                FadeFrame(*currentPicture, dc, plan, wide, src);
                break;
            case FRAME_FADE_OUT:
                FadeFrame(*currentPicture, dc, plan, wide, src);
                break;
            case FRAME_PAN: {
                RECT view = PanSource(currentPicture->Width(), state.picHeight, state.shownTicks);
                src.left = view.left;
                src.right = view.right;
                break;
            }
            case FRAME_STEADY:
                break;  // the DIB section still holds the last fade's full step
        }
        const RECT& dest = state.destRect;
        currentPicture->Draw(dc, dest.left, dest.top, dest.right, dest.bottom, src.left, src.top,
                             src.right, src.bottom, SRCCOPY);
        ReleaseDC(hwnd, dc);
    }

    if (state.shownTicks > FADE_IN_STEPS) {
        if (state.shownTicks == FADE_IN_STEPS + 1)
            NotifyLoaderEvent(LOADER_EVENT_RELEASE, state.shownTicks);
        loaderControl = LOADER_GO;
    }
    ++state.shownTicks;
    ++state.cycleTick;
    return 1;
}

int SaverWindow::Advance() {
    delete currentPicture;
    currentPicture = nullptr;

    if (loaderThread) {
        loaderControl = LOADER_GO;
        WaitForLoaderThread(*this);
    }
    if (!preparedPicture) {
        // The first picture of the show, or a loader that made nothing or
        // could not be started: load it now, synchronously.  The control word
        // may still say hold (no thread took the last release), and no tick
        // comes while this thread waits, so the loader is released here.
        loaderControl = LOADER_GO;
        StartLoaderThread(*this);
        WaitForLoaderThread(*this);
    }
    currentPicture = preparedPicture;
    preparedPicture = nullptr;
    engineState.pictureShown = true;

    pictureNumber = NextPictureNumber(pictureNumber);
    loaderControl = LOADER_HOLD;
    StartLoaderThread(*this);  // holds until the new picture has faded in
    return 1;
}

int SaverWindow::StopShow() {
    // pictureNumber is the next picture to load; the one on screen is the one
    // before.  A show that never swapped a picture in (closed before its
    // first paint, or without a timer) has none to save: the stored number
    // stays as it was.
    int save = savePictureNumber && engineState.pictureShown;
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
        WaitForLoaderThread(*this);
        CloseHandle(loaderThread);
        loaderThread = nullptr;
    }
    // The field follows the saved number, now that no loader reads it.
    if (save) pictureNumber = onScreen;
    return 1;
}
