#ifndef VELMOR_SHOW_SHOW_CLOCK_H
#define VELMOR_SHOW_SHOW_CLOCK_H

#include <windows.h>

// A millisecond clock that runs on whatever the time of day does, counted
// from an arbitrary moment and wrapping every 2^32 ms (49.7 days).
typedef DWORD (*MillisecondClock)();

// The system's: the performance counter, or GetTickCount where there is none.
DWORD SystemMilliseconds();

// The slide show's own time: milliseconds since it started, summed step by
// step from a MillisecondClock, so that the clock's wrap is harmless.  A
// step back counts as no time, and a step longer than the one expected (the
// timer's period) by more than LONGEST_STALL_MS, which only a clock set
// forward or a machine that slept gives, counts as the expected one: neither
// freezes the show nor jumps it forward.  A stall of the GUI thread up to
// that long is caught up.
class ShowTime {
public:
    static const DWORD LONGEST_STALL_MS = 10000;

    ShowTime();
    void Start(DWORD now);
    // The show's time at clock reading `now`, `expectedMs` after the last.
    long long Elapsed(DWORD now, DWORD expectedMs);

private:
    DWORD last;
    long long elapsed;
};

#endif
