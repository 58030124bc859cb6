#ifndef VELMOR_SHOW_SHOW_TIMER_H
#define VELMOR_SHOW_SHOW_TIMER_H

#include <windows.h>

#include "show/show_clock.h"

// The one window timer of a window's slide shows and the one clock they
// follow.  The timer runs every tick period while some show changes at
// every tick, and otherwise sleeps until the first moment a show changes.
class ShowTimer {
public:
    ShowTimer();

    // The clock's tick 0 is now, and the timer starts at the tick period on
    // `window`; false when the system would not set the timer.
    bool Start(HWND window);
    bool Running() const { return timerId != 0; }
    // The shows' time now: milliseconds since tick 0.
    long long Elapsed();
    // Sets the timer for the shows' time `dueMs`, or for the next tick
    // period when that comes sooner.  A running timer of the tick period is
    // left alone, so that its rhythm holds.
    void WakeAt(long long dueMs);
    void Stop();

    HWND hwnd;
    UINT_PTR timerId;  // 0: not running
    UINT periodMs;     // what the timer was last set to
    // SystemMilliseconds; tests set their own before the start.
    MillisecondClock clock;

private:
    ShowTime time;
};

#endif
