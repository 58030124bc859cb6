#ifndef VELMOR_SHOW_ENGINE_STATE_H
#define VELMOR_SHOW_ENGINE_STATE_H

#include <windows.h>

// The slide show's frame counters and the layout of the picture on screen.
struct EngineState {
    int cycleTick = 0;          // ticks into the current display interval
    int shownTicks = 0;         // ticks since the picture on screen came in
    bool pictureShown = false;  // a picture has been swapped in since the start
    RECT clientRect = {0, 0, 0, 0};
    int picWidth = 0;  // a third of the width for the wide picture
    int picHeight = 0;
    RECT srcRect = {0, 0, 0, 0};   // part of the picture drawn, picture pixels
    RECT destRect = {0, 0, 0, 0};  // where it goes in the client area
    int marginX = 0;
    int marginY = 0;
};

#endif
