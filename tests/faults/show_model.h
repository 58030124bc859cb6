#ifndef VELMOR_TESTS_FAULTS_SHOW_MODEL_H
#define VELMOR_TESTS_FAULTS_SHOW_MODEL_H

// The slide show as its documented schedule runs it, tick by tick: which
// picture is on screen, how far into its interval, and which part of it at
// which brightness goes where in the window.  The sweep compares the screen
// with it.  A fault whose documented outcome changes the schedule (a
// picture that cannot be made at all, so that the next tick moves on to the
// following one) is told to it.

#include <windows.h>

const int TICKS_PER_SECOND = 15;

// What one tick drew.
struct ShowFrame {
    int picture = 0;  // 1..12; 0: nothing drawn
    int start = 0;    // the tick at which the picture came
    int shownTicks = 0;
    int cycleTick = 0;
    int period = 0;
};

class ShowModel {
public:
    ShowModel(int startPicture, int intervalSeconds);

    // The picture that would come at `tick` cannot be made; or, persistent,
    // none from `tick` on.
    void MissPictureAt(int tick) { missingAt = tick; }
    void MissPicturesFrom(int tick) { missingFrom = tick; }

    // Runs the ticks after the current one up to `tick`; the first is 0.
    void RunTo(int tick);
    // A click at the current tick: a tick of its own that brings the next
    // picture.
    void Click();

    int Tick() const { return tick; }
    const ShowFrame& Drawn() const { return drawn; }
    // The tick at which the next picture comes, by the schedule from now.
    int NextChange() const;
    // Whether any picture was swapped in, and the number the saver stores
    // when it closes: the picture of the current interval.
    bool Started() const { return started; }
    int PictureToStore() const;

private:
    void RunTick(bool clicked);
    bool Missing() const;

    int interval;
    int pictureNumber;  // the next picture to come
    int cycleTick = 0;
    int shownTicks = 0;
    int onScreen = 0;
    int pictureStart = 0;
    int tick = -1;
    bool started = false;
    int missingAt = -1;
    int missingFrom = -1;
    ShowFrame drawn;
};

// Where a frame puts which part of its picture (of `pictureSize`), in a
// client area of `client`, and at which brightness (step of steps).
struct PictureView {
    int picture = 0;  // 0: the whole area black
    RECT dest = {0, 0, 0, 0};
    RECT src = {0, 0, 0, 0};
    int step = 1;
    int steps = 1;
};
PictureView ViewOf(const ShowFrame& frame, SIZE client, SIZE pictureSize);

#endif
