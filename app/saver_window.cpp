#include "app/saver_window.h"

const char SAVER_CLASS[] = "WindowScreenSaverClass";
const char WINDOWED_CLASS[] = "velmor_CN";

SaverWindow::SaverWindow() : hwnd(nullptr) {}

// The slide show frees its pictures; its timer and loader thread were
// stopped at WM_DESTROY.
SaverWindow::~SaverWindow() {}

void SaverWindow::Bind(HWND window) {
    hwnd = window;
    show.hwnd = window;
}

// Preview (with a parent): a child covering the parent's client area, and
// the start picture is left alone at close.  Windowed (no parent): an
// ordinary overlapped window where the system places it.
int SaverWindow::Create(HWND parent) {
    RECT rect = {CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT};
    const char* className = WINDOWED_CLASS;
    const char* title = "velmor";
    DWORD style = WS_OVERLAPPEDWINDOW;
    if (parent != nullptr) {
        show.savePictureNumber = 0;
        GetClientRect(parent, &rect);
        className = SAVER_CLASS;
        title = "velmor_SSPT";
        style = WS_CHILD;
    }
    hwnd = CreateWindowExA(0, className, title, style, rect.left, rect.top, rect.right, rect.bottom,
                           parent, nullptr, GetModuleHandleA(nullptr), this);
    if (hwnd == nullptr) {
        return 0;
    }
    ShowWindow(hwnd, SW_SHOWNORMAL);
    UpdateWindow(hwnd);  // the first WM_PAINT starts the show
    return 1;
}
