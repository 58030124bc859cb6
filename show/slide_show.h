#ifndef VELMOR_SHOW_SLIDE_SHOW_H
#define VELMOR_SHOW_SLIDE_SHOW_H

#include <windows.h>

#include <atomic>
#include <memory>

#include "image/jpeg_image.h"
#include "show/engine_state.h"
#include "show/loader_thread.h"
#include "show/schedule.h"
#include "win32/kernel_handle.h"

class PictureSequence;

// One slide show in one stage of a window (the whole client area, or one
// monitor of a full-screen window): the frame counters and the layout, the
// picture on screen and the next one, and the loader thread that decodes
// the next one.  The window's shows (ShowSet) start it, step it at their
// timer's messages and at a click, and stop it, all on the GUI thread.
//
// The schedule follows the clock, not the count of timer messages: tick n
// of the show falls n x 66 ms after its first, and each timer message
// brings the show to the tick that is due, however late or early the
// messages come.
//
// The fields are public: the loader thread works on loaderControl,
// pictureNumber and preparedPicture without locks (see RunLoader), and tests
// set the show up and look at it.
class SlideShow {
public:
    SlideShow();
    ~SlideShow();

    // Starts the show at the shows' tick `startTick` with picture
    // `firstPicture` and `intervalTicks` a picture, and runs its first tick
    // at once, which loads and shows that picture.
    int Begin(int firstPicture, int intervalTicks, int startTick);
    // One tick, drawn, at once (the first tick, a click); 0 when there is no
    // picture to draw.  The clock's ticks are not counted by it.
    int Tick();
    // Runs every tick that has fallen due by the shows' time `elapsedMs`, in
    // order, and draws only the last (none, unless `drawLast`).
    int RunDueTicks(long long elapsedMs, bool drawLast = true);
    // A left click at the shows' time `elapsedMs` (preview, windowed): at
    // once, the next picture the user has not seen; that is the one on
    // screen when it has just come in.
    int OnClick(long long elapsedMs);
    int Advance();   // swaps the next picture in, starts its loader
    int StopShow();  // ends the loader thread
    // The shows' time at which this show next changes its stage (or
    // releases its loader): its next tick while it fades, pans or has to be
    // drawn again, else the tick that next changes something.
    long long NextChangeMs() const;
    // A paint may have covered the picture (WM_PAINT erases to black): the
    // next tick draws it again, also where nothing about it has changed.
    void RedrawAtNextTick();
    // The part of the client area that pictures are laid out in (client
    // coordinates); without one, the whole client area.  Takes effect at
    // the next layout.
    void SetStage(const RECT& stage);
    // Lays the picture on screen out again, in the stage as it is now, and
    // has it drawn there at the next tick; the stage is cleared to black
    // first.  Its fade or pan goes on where it is.
    void Relayout();
    // The show's own part of the window: its stage, or the client area.
    RECT Area() const;

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
    int shownNumber;    // number of the picture on screen; 0 before the first
    int clicked;        // a left click: the next tick begins a new picture
    int intervalTicks;
    // The routine of every loader thread: LoaderThreadProc.  Tests put one in
    // its place to see what the show does when a loader makes no picture.
    LPTHREAD_START_ROUTINE loaderRoutine;
    // Chooses the picture after each one (null: the next in order), and the
    // show's place in it.
    PictureSequence* sequence;
    int sequenceSlot;
    bool running;    // begun and not stopped
    int startTick;   // the shows' tick at which this show began
    int clockTicks;  // the clock's last tick of this show that has run (0: its first)
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

    int RunTick(bool draw);
    void StartLoaderThread();
    void WaitForLoaderThread();
    void ClearArea();
    void LayOut(bool wide);
    void DrawFrame(const FramePlan& plan, bool wide);
    void SkipFrame(const FramePlan& plan, bool wide);
    bool IsOnScreen(const RECT& src, const RECT& dest) const;

    DrawnFrame drawn;
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
