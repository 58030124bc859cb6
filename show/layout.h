#ifndef VELMOR_SHOW_LAYOUT_H
#define VELMOR_SHOW_LAYOUT_H

#include <windows.h>

struct EngineState;

// Places a picture of width x height in a client area of clientWidth x
// clientHeight and stores the result in the layout fields of `state`
// (clientRect, picWidth, picHeight, srcRect, destRect, marginX, marginY).
// The wide picture is laid out a third of its width at a time.  A picture
// with a margin on both sides is drawn at its own size, centred; any other
// is scaled to fit a square of side min(clientWidth, clientHeight).
void ComputeLayout(EngineState& state, int clientWidth, int clientHeight, int width, int height,
                   bool widePicture);

// The same inside `stage`, a rectangle of the client area: the picture is
// placed as in a client area of the stage's size, and destRect is moved to
// the stage's place (clientRect is the stage).
void ComputeStageLayout(EngineState& state, const RECT& stage, int width, int height,
                        bool widePicture);

#endif
