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

// The slide show in one window: the frame counters and the layout, the
// picture on screen and the next one, and the loader thread that decodes the
// next one.  The window's message handlers start it (OnFirstPaint at
// WM_PAINT), step it (Tick at WM_TIMER and at a click) and stop it (StopShow
// at WM_DESTROY), all on the GUI thread.
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
    int Tick();          // one frame; 0 when there is no picture to draw
    int Advance();       // swaps the next picture in, starts its loader
    int StopShow();      // saves the picture on screen, ends timer and loader
    // A paint may have covered the picture (WM_PAINT erases to black): the
    // next tick draws it again, also where nothing about it has changed.
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

    void StartLoaderThread();
    void WaitForLoaderThread();
    void LayOut(bool wide);
    void DrawFrame(const FramePlan& plan, bool wide);
    bool IsOnScreen(const RECT& src, const RECT& dest) const;

    DrawnFrame drawn;
    bool staged = false;  // stage set; else the whole client area
    RECT stage = {0, 0, 0, 0};
};

#endif
