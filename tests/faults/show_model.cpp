#include "tests/faults/show_model.h"

namespace {

const int PICTURES = 12;
const int WIDE_PICTURE = 11;
const int LATE_PICTURE = 12;  // comes late in its interval
const int FADE_IN_TICKS = 30;
const int FADE_OUT_TICKS = 15;
const int PAN_TICKS = 450;
const int WIDE_MIN_PERIOD = PAN_TICKS + 120;
const int LATE_START_FLOOR = 225;

int Next(int picture) {
    return picture == PICTURES ? 1 : picture + 1;
}

// The documented layout: at its own size, centred, when it misses the
// client area by a margin on both sides; else scaled into a square of side
// min(width, height) of the client area.
RECT Place(SIZE client, int width, int height) {
    const int marginX = (client.cx - width) / 2 > 0 ? (client.cx - width) / 2 : 0;
    const int marginY = (client.cy - height) / 2 > 0 ? (client.cy - height) / 2 : 0;
    if (marginX != 0 && marginY != 0)
        return RECT{marginX, marginY, marginX + width, marginY + height};
    const int side = client.cx < client.cy ? client.cx : client.cy;
    const int longest = width > height ? width : height;
    const int scaledWidth = longest > 0 ? static_cast<int>(1LL * width * side / longest) : 0;
    const int scaledHeight = longest > 0 ? static_cast<int>(1LL * height * side / longest) : 0;
    const int left = (client.cx - scaledWidth) / 2;
    const int top = (client.cy - scaledHeight) / 2;
    return RECT{left, top, left + scaledWidth, top + scaledHeight};
}

// The columns of the wide picture a frame shows: its right third while it
// fades in, then the pan from right to left, which ends at column 1.
void WideColumns(const ShowFrame& frame, int width, RECT* src) {
    const int third = width / 3;
    if (frame.shownTicks <= FADE_IN_TICKS) {
        src->left = 2 * third;
        src->right = width;
        return;
    }
    int t = frame.shownTicks - FADE_IN_TICKS;
    if (t > PAN_TICKS) t = PAN_TICKS;
    src->right = width - t * third * 2 / PAN_TICKS;
    src->left = src->right - third;
}

}  // namespace

ShowModel::ShowModel(int startPicture, int intervalSeconds)
    : interval(intervalSeconds * TICKS_PER_SECOND), pictureNumber(startPicture) {}

bool ShowModel::Missing() const {
    return tick == missingAt || (missingFrom >= 0 && tick >= missingFrom);
}

void ShowModel::RunTick(bool clicked) {
    if (clicked) {
        cycleTick = 0;
        shownTicks = 0;
    }
    const bool wide = pictureNumber == WIDE_PICTURE + 1;
    const int period = wide && interval < WIDE_MIN_PERIOD ? WIDE_MIN_PERIOD : interval;
    cycleTick %= period;
    if (cycleTick == 0) {
        if (pictureNumber == LATE_PICTURE) {
            const int late = cycleTick + 3 * interval / 4;
            cycleTick = late < LATE_START_FLOOR ? LATE_START_FLOOR : late;
        }
        onScreen = Missing() ? 0 : pictureNumber;
        pictureStart = tick;
        started = true;
        pictureNumber = Next(pictureNumber);
        shownTicks = 0;
    }
    drawn = ShowFrame();
    if (onScreen == 0) {
        cycleTick = 0;
        return;
    }
    drawn.picture = onScreen;
    drawn.start = pictureStart;
    drawn.shownTicks = shownTicks;
    drawn.cycleTick = cycleTick;
    drawn.period = period;
    ++shownTicks;
    ++cycleTick;
}

void ShowModel::RunTo(int last) {
    while (tick < last) {
        ++tick;
        RunTick(false);
    }
}

void ShowModel::Click() {
    RunTick(true);
}

int ShowModel::NextChange() const {
    ShowModel ahead = *this;
    const int picture = ahead.drawn.picture;
    const int start = ahead.drawn.start;
    do {
        ahead.RunTo(ahead.tick + 1);
    } while (ahead.drawn.picture == picture && ahead.drawn.start == start &&
             ahead.tick < tick + 10000);
    return ahead.tick;
}

int ShowModel::PictureToStore() const {
    return pictureNumber == 1 ? PICTURES : pictureNumber - 1;
}

PictureView ViewOf(const ShowFrame& frame, SIZE client, SIZE pictureSize) {
    PictureView view;
    if (frame.picture == 0) return view;
    view.picture = frame.picture;
    const bool wide = frame.picture == WIDE_PICTURE;
    const int width = wide ? pictureSize.cx / 3 : pictureSize.cx;
    view.dest = Place(client, width, pictureSize.cy);
    view.src = RECT{0, 0, pictureSize.cx, pictureSize.cy};
    if (wide) WideColumns(frame, pictureSize.cx, &view.src);
    if (frame.shownTicks <= FADE_IN_TICKS) {
        view.step = frame.shownTicks;
        view.steps = FADE_IN_TICKS;
    } else if (frame.cycleTick >= frame.period - FADE_OUT_TICKS) {
        view.step = frame.period - frame.cycleTick - 1;
        view.steps = FADE_OUT_TICKS;
    }
    return view;
}
