#ifndef VELMOR_APP_FULL_SCREEN_SAVER_WINDOW_H
#define VELMOR_APP_FULL_SCREEN_SAVER_WINDOW_H

#include "app/saver_window.h"

// The borderless window that covers the screen and closes on any input.
class FullScreenSaverWindow : public SaverWindow {
public:
    FullScreenSaverWindow();
    int Create(HWND parent) override;
    ~FullScreenSaverWindow() override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

    LPARAM firstMousePos;  // lParam of the first mouse move; 0 = none yet
};

#endif
