#include "show/layout.h"
#include "show/engine_state.h"

namespace {

// a * b / c without overflow; 0 when c is not positive.
int ScaleDimension(int a, int b, int c) {
    if (c <= 0) return 0;
    return static_cast<int>(static_cast<long long>(a) * b / c);
}

}  // namespace

void ComputeLayout(EngineState& state, int clientWidth, int clientHeight, int width, int height,
                   bool widePicture) {
    SetRect(&state.clientRect, 0, 0, clientWidth, clientHeight);
    state.picWidth = widePicture ? width / 3 : width;
    state.picHeight = height;
    SetRect(&state.srcRect, 0, 0, state.picWidth, state.picHeight);

    state.marginX = (clientWidth - state.picWidth) / 2;
    state.marginY = (clientHeight - state.picHeight) / 2;
    if (state.marginX < 0) state.marginX = 0;
    if (state.marginY < 0) state.marginY = 0;

    if (state.marginX != 0 && state.marginY != 0) {
        SetRect(&state.destRect, state.marginX, state.marginY, state.marginX + state.picWidth,
                state.marginY + state.picHeight);
        return;
    }

    // Fit into a square of side min(cw, ch), keeping the aspect ratio.  An
    // empty picture in a tiny client area gets an empty rectangle.
    int side = clientWidth < clientHeight ? clientWidth : clientHeight;
    int longest = state.picWidth > state.picHeight ? state.picWidth : state.picHeight;
    int scaledWidth = ScaleDimension(state.picWidth, side, longest);
    int scaledHeight = ScaleDimension(state.picHeight, side, longest);
    int left = (clientWidth - scaledWidth) / 2;
    int top = (clientHeight - scaledHeight) / 2;
    SetRect(&state.destRect, left, top, left + scaledWidth, top + scaledHeight);
}

void ComputeStageLayout(EngineState& state, const RECT& stage, int width, int height,
                        bool widePicture) {
    ComputeLayout(state, stage.right - stage.left, stage.bottom - stage.top, width, height,
                  widePicture);
    state.clientRect = stage;
    OffsetRect(&state.destRect, stage.left, stage.top);
}
