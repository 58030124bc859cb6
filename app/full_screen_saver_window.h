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

// The input rule of the full-screen saver: true when `message` ends it (a
// key or mouse button pressed, activation lost, or the mouse reported at a
// position other than the first one).  The first mouse position reported is
// only remembered, in `firstMousePos` (0 means none yet, so a first report
// of 0,0 is not remembered).
bool EndsFullScreenSaver(UINT message, WPARAM wParam, LPARAM lParam, LPARAM& firstMousePos);

#endif
