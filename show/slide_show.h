#ifndef VELMOR_SHOW_SLIDE_SHOW_H
#define VELMOR_SHOW_SLIDE_SHOW_H

#include <windows.h>

#include <atomic>
#include <memory>

#include "image/jpeg_image.h"
#include "show/engine_state.h"
#include "show/loader_thread.h"
#include "show/schedule.h"
#include "show/show_clock.h"
#include "win32/kernel_handle.h"

// The slide show in one window: the frame counters and the layout, the
// picture on screen and the next one, and the loader thread that decodes the
// next one.  The window's message handlers start it (OnFirstPaint at
// WM_PAINT), step it (OnTimer at WM_TIMER, OnClick at a click) and stop it
// (StopShow at WM_DESTROY), all on the GUI thread.
//
// The schedule follows the clock, not the count of timer messages: tick n
// falls n x 66 ms after the first, and each timer message brings the show to
// the tick that is due, however late or early the messages come.  While the
// window's picture stays as it is, the timer sleeps until the next tick
// that changes it.
//
// The fields are public: the loader thread works on loaderControl,
// pictureNumber and preparedPicture without locks (see RunLoader), and tests
// set the show up and look at it.
class SlideShow {
public:
    SlideShow();
    ~SlideShow();

    int OnFirstPaint();  // starts the show at the window's first WM_PAINT
    int StartShow();     // reads the settings, starts the timer, first tick
    // One tick, drawn, at once (the first tick, a click); 0 when there is no
    // picture to draw.  The clock's ticks are not counted by it.
    int Tick();
    // A timer message: runs every tick that has fallen due since the last
    // one, in order, and draws only the last.  Then sets the timer for the
    // next tick that changes the window.
    int OnTimer();
    // A left click (preview, windowed): at once, the next picture the user
    // has not seen; that is the one on screen when it has just come in.
    int OnClick();
    int Advance();   // swaps the next picture in, starts its loader
    int StopShow();  // saves the picture on screen, ends timer and loader
    // A paint may have covered the picture (WM_PAINT erases to black): the
    // next tick, within one period, draws it again, also where nothing about
    // it has changed.
    void RedrawAtNextTick();
    // The part of the client area that pictures are laid out in (client
    // coordinates); without one, the whole client area.  Takes effect at
    // the next layout.
    void SetStage(const RECT& stage);
    // Lays the picture on screen out again, in the stage as it is now, and
    // has it drawn there at the next tick; the window is cleared to black
    // first.  Its fade or pan goes on where it is.
    void Relayout();

    // Shared with the loader thread: written by the GUI thread, polled by
    // the loader.  One aligned 32-bit atomic, no locks.
    std::atomic<int> loaderControl;
    KernelHandle loaderThread;
    DWORD loaderThreadId;
    // Written by the loader thread; read by the GUI thread only after
    // WaitForSingleObject on loaderThread has returned.
    std::unique_ptr<JpegImage> preparedPicture;
    std::unique_ptr<JpegImage> currentPicture;
    HWND hwnd;          // the window the show draws in
    int pictureNumber;  // number of the next picture to load, 1..12
    int clicked;        // a left click: the next tick begins a new picture
    int savePictureNumber;
    int intervalTicks;
    UINT_PTR timerId;
    // The routine of every loader thread: LoaderThreadProc.  Tests put one in
    // its place to see what the show does when a loader makes no picture.
    LPTHREAD_START_ROUTINE loaderRoutine;
    // The clock the schedule follows: SystemMilliseconds; tests set their own
    // before the show starts.
    MillisecondClock clock;
    int clockTicks;      // the clock's last tick that has run (0: the first)
    UINT timerPeriodMs;  // what the timer was last set to
    EngineState state;

    SlideShow(const SlideShow&) = delete;
    SlideShow& operator=(const SlideShow&) = delete;

private:
    // The frame the window shows, as far as the show knows: the part of the
    // picture drawn last and where.  Not valid before the first draw of a
    // picture, or once a paint may have covered it.
    struct DrawnFrame {
        bool valid = false;
        RECT src = {0, 0, 0, 0};
        RECT dest = {0, 0, 0, 0};
    };

    int RunDueTicks(bool drawLast);
    int RunTick(bool draw);
    void StartLoaderThread();
    void WaitForLoaderThread();
    void LayOut(bool wide);
    void DrawFrame(const FramePlan& plan, bool wide);
    void SkipFrame(const FramePlan& plan, bool wide);
    bool IsOnScreen(const RECT& src, const RECT& dest) const;
    void SetTimerForNextChange();

    DrawnFrame drawn;
    ShowTime showTime;
    // The picture's DIB section is at full brightness (a fresh picture's is,
    // until its first fade), so a frame without a fade may draw it as it is.
    bool sectionAtFullBrightness;
    // A frame of the picture on screen has been drawn at some brightness
    // above black since it came in.
    bool pictureSeen;
    bool staged = false;  // stage set; else the whole client area
    RECT stage = {0, 0, 0, 0};
};

#endif
