#include "show/show_clock.h"

DWORD SystemMilliseconds() {
    LARGE_INTEGER frequency, counter;
    if (!QueryPerformanceFrequency(&frequency) || frequency.QuadPart <= 0 ||
        !QueryPerformanceCounter(&counter)) {
        return GetTickCount();
    }
    // Whole seconds and the rest apart, so that the product cannot overflow.
    long long seconds = counter.QuadPart / frequency.QuadPart;
    long long rest = counter.QuadPart % frequency.QuadPart;
    return static_cast<DWORD>(seconds * 1000 + rest * 1000 / frequency.QuadPart);
}

ShowTime::ShowTime() : last(0), elapsed(0) {}

void ShowTime::Start(DWORD now) {
    last = now;
    elapsed = 0;
}

long long ShowTime::Elapsed(DWORD now, DWORD expectedMs) {
    // Unsigned subtraction: right across the clock's wrap.
    DWORD step = now - last;
    last = now;
    if (static_cast<LONG>(step) < 0) return elapsed;  // the clock went back
    const unsigned long long longest =
        static_cast<unsigned long long>(expectedMs) + LONGEST_STALL_MS;
    elapsed += step > longest ? expectedMs : step;
    return elapsed;
}
