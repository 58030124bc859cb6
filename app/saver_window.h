#ifndef VELMOR_APP_SAVER_WINDOW_H
#define VELMOR_APP_SAVER_WINDOW_H

#include <windows.h>

#include "show/show_set.h"

// Window classes: the preview and full-screen windows go by the name that
// screen-saver windows are known by; the windowed mode has its own class.
extern const char SAVER_CLASS[];
extern const char WINDOWED_CLASS[];

// The window of the preview and windowed modes.  It runs a slide show in
// its client area and forwards its messages to it
// (app/window_messages.cpp).  Once Create has
// returned 1 the object owns itself: it deletes itself when its window
// receives WM_NCDESTROY.  While Create runs, and after it has returned 0,
// the object is its creator's to delete.
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
    ShowSet shows;

    SaverWindow(const SaverWindow&) = delete;
    SaverWindow& operator=(const SaverWindow&) = delete;

protected:
    // Makes the window and shows it (UpdateWindow's first paint starts the
    // show).  1 when the window is there at the end; 0 when it could not be
    // made or was destroyed meanwhile, as when a preview's parent goes away
    // during CreateWindowExA (which then returns null).
    int MakeWindow(const char* className, const char* title, DWORD style, int x, int y, int width,
                   int height, HWND parent);
    // WM_NCDESTROY's end of the object: it deletes itself, except while
    // MakeWindow runs, whose caller still owns it.
    void ReleaseAfterWindow();

private:
    bool creating;    // MakeWindow is running
    bool windowGone;  // the window has received WM_NCDESTROY
};

// The class window procedure of both window classes: binds the object
// passed to CreateWindowExA at WM_CREATE and forwards every message to it.
LRESULT CALLBACK SaverWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

#endif
