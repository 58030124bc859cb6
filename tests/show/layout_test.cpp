#include <doctest/doctest.h>

#include "show/engine_state.h"
#include "show/layout.h"

namespace {

struct PictureSize {
    int width, height;
    bool wide;
};

const PictureSize PORTRAIT = {360, 480, false};
const PictureSize TALL = {360, 487, false};
const PictureSize LANDSCAPE = {480, 330, false};
const PictureSize WIDE = {1420, 360, true};

RECT Place(int cw, int ch, const PictureSize& p) {
    EngineState state;
    ComputeLayout(state, cw, ch, p.width, p.height, p.wide);
    return state.destRect;
}

void CheckRect(const RECT& r, int left, int top, int right, int bottom) {
    CHECK(r.left == left);
    CHECK(r.top == top);
    CHECK(r.right == right);
    CHECK(r.bottom == bottom);
}

}  // namespace

TEST_CASE("layout of the four picture sizes in an 800 x 600 client area") {
    CheckRect(Place(800, 600, PORTRAIT), 220, 60, 580, 540);
    CheckRect(Place(800, 600, TALL), 220, 56, 580, 543);
    CheckRect(Place(800, 600, LANDSCAPE), 160, 135, 640, 465);
    CheckRect(Place(800, 600, WIDE), 163, 120, 636, 480);
}

TEST_CASE("layout in a 640 x 480 client area takes the scaled path for full-height pictures") {
    CheckRect(Place(640, 480, PORTRAIT), 140, 0, 500, 480);
    CheckRect(Place(640, 480, TALL), 143, 0, 497, 480);
    CheckRect(Place(640, 480, LANDSCAPE), 80, 75, 560, 405);
    CheckRect(Place(640, 480, WIDE), 83, 60, 556, 420);
}

TEST_CASE("layout in the 152 x 112 preview area scales into a square of side 112") {
    CheckRect(Place(152, 112, PORTRAIT), 34, 0, 118, 112);
    CheckRect(Place(152, 112, TALL), 35, 0, 117, 112);
    CheckRect(Place(152, 112, LANDSCAPE), 20, 17, 132, 94);
    CheckRect(Place(152, 112, WIDE), 20, 13, 132, 98);
}

TEST_CASE("layout fields: client rectangle, size used, source rectangle, margins") {
    EngineState state;
    ComputeLayout(state, 800, 600, 1420, 360, true);
    CheckRect(state.clientRect, 0, 0, 800, 600);
    CHECK(state.picWidth == 473);
    CHECK(state.picHeight == 360);
    CheckRect(state.srcRect, 0, 0, 473, 360);
    CHECK(state.marginX == 163);
    CHECK(state.marginY == 120);

    ComputeLayout(state, 152, 112, 360, 480, false);
    CHECK(state.picWidth == 360);
    CheckRect(state.srcRect, 0, 0, 360, 480);
    CHECK(state.marginX == 0);  // negative margins become 0
    CHECK(state.marginY == 0);
}

TEST_CASE("a picture that misses the client area by one pixel is scaled, by two is centred") {
    // 362 wide: margin 1 on each side, drawn at its own size.
    CheckRect(Place(362, 482, PORTRAIT), 1, 1, 361, 481);
    // 361 wide: the horizontal margin rounds to 0, so it is scaled by
    // min(361, 600) / 480.
    CheckRect(Place(361, 600, PORTRAIT), 45, 119, 315, 480);
}

TEST_CASE("the scaled path keeps a square fit even where a larger picture would fit") {
    // 1000 x 300 client, 480 x 330 picture: higher than the client, so it is
    // scaled by 300/480 although the width would allow more.
    CheckRect(Place(1000, 300, LANDSCAPE), 350, 47, 650, 253);
}

TEST_CASE("an empty picture or an empty client area gives an empty rectangle, not a crash") {
    CheckRect(Place(1, 1, PictureSize{0, 0, false}), 0, 0, 0, 0);
    CheckRect(Place(0, 0, PORTRAIT), 0, 0, 0, 0);
    CheckRect(Place(800, 600, PictureSize{0, 0, false}), 400, 300, 400, 300);
}

TEST_CASE("huge sizes do not overflow the scaling") {
    // 40000 * 30000 exceeds 32 bits; the result must still be exact.
    CheckRect(Place(40000, 30000, PictureSize{65000, 65000, false}), 5000, 0, 35000, 30000);
}

TEST_CASE("layout in a stage: placed as in a client area of its size, moved to the stage") {
    // A 1024 x 768 primary monitor at 1280,600 of a window over three monitors.
    EngineState state;
    ComputeStageLayout(state, RECT{1280, 600, 2304, 1368}, 360, 480, false);
    CheckRect(state.destRect, 1612, 744, 1972, 1224);
    CheckRect(state.clientRect, 1280, 600, 2304, 1368);
    CheckRect(state.srcRect, 0, 0, 360, 480);
    // A stage that is the client area lays out as the client area does.
    ComputeStageLayout(state, RECT{0, 0, 800, 600}, 1420, 360, true);
    CheckRect(state.destRect, 163, 120, 636, 480);
}
