#ifndef VELMOR_APP_SAVER_WINDOW_H
#define VELMOR_APP_SAVER_WINDOW_H

#include <windows.h>
#include <atomic>
#include "show/loader_thread.h"

class JpegImage;

// The window of the preview and windowed modes, and the state of the slide
// show that runs in it.  The object owns itself: it deletes itself when its
// window receives WM_NCDESTROY.  The fields are public because the loader
// thread and the slide-show engine work on them directly.
class SaverWindow {
public:
    SaverWindow();
    virtual int Create(HWND parent);
    virtual ~SaverWindow();
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);

    // Slide-show engine (show/slide_show.cpp), all on the GUI thread.
    int OnFirstPaint();
    int StartShow();
    int Tick();
    int Advance();
    int StopShow();

    // Shared with the loader thread: written by the GUI thread, polled by
    // the loader.  One aligned 32-bit atomic, no locks.
    std::atomic<int> loaderControl;
    HANDLE loaderThread;
    DWORD loaderThreadId;
    // Written by the loader thread; read by the GUI thread only after
    // WaitForSingleObject on loaderThread has returned.
    JpegImage* preparedPicture;
    JpegImage* currentPicture;
    HWND hwnd;
    int pictureNumber;  // number of the next picture to load, 1..12
    int clicked;
    int savePictureNumber;
    int intervalTicks;
    UINT_PTR timerId;
    // The routine of every loader thread: LoaderThreadProc.  Tests put one in
    // its place to see what the show does when a loader makes no picture.
    LPTHREAD_START_ROUTINE loaderRoutine;

    SaverWindow(const SaverWindow&) = delete;
    SaverWindow& operator=(const SaverWindow&) = delete;
};

// The class window procedure of both window classes: binds the object
// passed to CreateWindowExA at WM_CREATE and forwards every message to it.
LRESULT CALLBACK SaverWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

#endif
