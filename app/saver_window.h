#ifndef VELMOR_APP_SAVER_WINDOW_H
#define VELMOR_APP_SAVER_WINDOW_H

#include <windows.h>

#include "show/slide_show.h"

// Window classes: the preview and full-screen windows go by the name that
// screen-saver windows are known by; the windowed mode has its own class.
extern const char SAVER_CLASS[];
extern const char WINDOWED_CLASS[];

// The window of the preview and windowed modes.  It runs a slide show and
// forwards its messages to it (app/window_messages.cpp).  The object owns
// itself: it deletes itself when its window receives WM_NCDESTROY.
class SaverWindow {
public:
    SaverWindow();
    virtual int Create(HWND parent);
    virtual ~SaverWindow();
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);

    // Binds the object to its window; SaverWndProc calls it at WM_CREATE,
    // before CreateWindowExA has returned the handle.
    void Bind(HWND window);

    HWND hwnd;
    SlideShow show;

    SaverWindow(const SaverWindow&) = delete;
    SaverWindow& operator=(const SaverWindow&) = delete;
};

// The class window procedure of both window classes: binds the object
// passed to CreateWindowExA at WM_CREATE and forwards every message to it.
LRESULT CALLBACK SaverWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

#endif
