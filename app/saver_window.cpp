#include "app/saver_window.h"

#include "image/jpeg_image.h"

SaverWindow::SaverWindow()
    : loaderControl(LOADER_GO),
      loaderThread(nullptr),
      loaderThreadId(0),
      preparedPicture(nullptr),
      currentPicture(nullptr),
      hwnd(nullptr),
      pictureNumber(0),
      clicked(0),
      savePictureNumber(1),
      intervalTicks(0),
      timerId(0),
      loaderRoutine(LoaderThreadProc) {}

// The loader thread and the timer were stopped at WM_DESTROY; only the two
// pictures are left to free.
SaverWindow::~SaverWindow() {
    if (preparedPicture != nullptr) {
        delete preparedPicture;
        preparedPicture = nullptr;
    }
    if (currentPicture != nullptr) {
        delete currentPicture;
        currentPicture = nullptr;
    }
}

// Preview (with a parent): a child covering the parent's client area, and
// the start picture is left alone at close.  Windowed (no parent): an
// ordinary overlapped window where the system places it.
int SaverWindow::Create(HWND parent) {
    RECT rect = {CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT};
    const char* className = "velmor_CN";
    const char* title = "velmor";
    DWORD style = WS_OVERLAPPEDWINDOW;
    if (parent != nullptr) {
        savePictureNumber = 0;
        GetClientRect(parent, &rect);
        className = "WindowScreenSaverClass";
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
