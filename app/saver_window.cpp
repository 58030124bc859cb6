#include "app/saver_window.h"

const char SAVER_CLASS[] = "WindowScreenSaverClass";
const char WINDOWED_CLASS[] = "velmor_CN";

SaverWindow::SaverWindow() : hwnd(nullptr), creating(false), windowGone(false) {}

// The slide show frees its pictures; its timer and loader thread were
// stopped at WM_DESTROY.
SaverWindow::~SaverWindow() {}

void SaverWindow::Bind(HWND window) {
    hwnd = window;
    shows.Bind(window);
}

// Preview (with a parent): a child covering the parent's client area, and
// the start picture is left alone at close.  Windowed (no parent): an
// ordinary overlapped window where the system places it.  Either way one
// show, in the whole client area.
int SaverWindow::Create(HWND parent) {
    Stage whole;
    whole.primary = true;
    whole.wholeClient = true;
    if (shows.SetStages(&whole, 1) == 0) return 0;
    RECT rect = {CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT};
    const char* className = WINDOWED_CLASS;
    const char* title = "velmor";
    DWORD style = WS_OVERLAPPEDWINDOW;
    if (parent != nullptr) {
        shows.savePictureNumber = 0;
        GetClientRect(parent, &rect);
        className = SAVER_CLASS;
        title = "velmor_SSPT";
        style = WS_CHILD;
    }
    // A parent's client rectangle starts at 0,0: its right and bottom are its size.
    return MakeWindow(className, title, style, rect.left, rect.top, rect.right, rect.bottom,
                      parent);
}

int SaverWindow::MakeWindow(const char* className, const char* title, DWORD style, int x, int y,
                            int width, int height, HWND parent) {
    creating = true;
    hwnd = CreateWindowExA(0, className, title, style, x, y, width, height, parent, nullptr,
                           GetModuleHandleA(nullptr), this);
    if (hwnd != nullptr) {
        ShowWindow(hwnd, SW_SHOWNORMAL);
        UpdateWindow(hwnd);  // the first WM_PAINT starts the show
    }
    creating = false;
    return hwnd != nullptr && !windowGone ? 1 : 0;
}

void SaverWindow::ReleaseAfterWindow() {
    windowGone = true;
    if (!creating) delete this;
}
