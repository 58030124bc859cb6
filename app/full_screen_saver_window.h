#ifndef VELMOR_APP_FULL_SCREEN_SAVER_WINDOW_H
#define VELMOR_APP_FULL_SCREEN_SAVER_WINDOW_H

#include "app/saver_window.h"

// The borderless window that covers every monitor, runs a slide show on
// each, and closes on any input.
class FullScreenSaverWindow : public SaverWindow {
public:
    FullScreenSaverWindow();
    int Create(HWND parent) override;
    ~FullScreenSaverWindow() override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

    // Monitors were plugged in, unplugged, moved or given another
    // resolution: the window moves to the new virtual screen, and the shows
    // follow their monitors (ShowSet::SetStages).  Not input.
    void FollowDisplayChange();

    LPARAM firstMousePos;  // lParam of the first mouse move; 0 = none yet
    // Where the pointer was in the client area after the last display
    // change while no first position was seen: the system telling of it
    // there again is no first position either.  0 = none.
    LPARAM pointerAtDisplayChange;
};

// Where the full-screen window goes: over the virtual screen, the rectangle
// that spans every monitor (screen coordinates; it starts left of or above
// 0,0 where a monitor lies there), and where the primary monitor is in it
// (client coordinates).
struct FullScreenPlacement {
    RECT window;
    RECT stage;
};

// The placement for a virtual screen and a primary monitor of the given
// size, whose top-left corner is 0,0 of the screen.  An empty virtual screen
// (a system that does not report one) gives the primary monitor alone.
FullScreenPlacement PlaceFullScreen(const RECT& virtualScreen, int primaryWidth, int primaryHeight);
// The placement for the monitors as the system reports them now.
FullScreenPlacement CurrentFullScreenPlacement();

// Where the pointer, at `pointer` on the screen, is in a client area whose
// top-left corner is at `clientOrigin`, packed as the system packs a
// WM_MOUSEMOVE's lParam.
LPARAM PointerInClient(POINT pointer, POINT clientOrigin);

// The input rule of the full-screen saver: true when `message` ends it (a
// key or mouse button pressed, activation lost, or the mouse reported at a
// position other than the first one).  The first mouse position reported is
// only remembered, in `firstMousePos` (0 means none yet, so a first report
// of 0,0 is not remembered).
bool EndsFullScreenSaver(UINT message, WPARAM wParam, LPARAM lParam, LPARAM& firstMousePos);

#endif
