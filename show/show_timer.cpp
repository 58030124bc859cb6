#include "show/show_timer.h"

#include "show/schedule.h"

ShowTimer::ShowTimer() : hwnd(nullptr), timerId(0), periodMs(0), clock(SystemMilliseconds) {}

bool ShowTimer::Start(HWND window) {
    hwnd = window;
    time.Start(clock());
    timerId = SetTimer(hwnd, SHOW_TIMER_ID, SHOW_TIMER_PERIOD_MS, nullptr);
    periodMs = SHOW_TIMER_PERIOD_MS;
    return timerId != 0;
}

long long ShowTimer::Elapsed() {
    return time.Elapsed(clock(), periodMs);
}

void ShowTimer::WakeAt(long long dueMs) {
    if (timerId == 0) return;
    // The time so far is read against the period in force until now: a sleep
    // cut short (a paint, a click) is time that passed, not a clock that
    // jumped, and the next reading is measured against the new period.
    const long long wait = dueMs - Elapsed();
    UINT period = SHOW_TIMER_PERIOD_MS;
    if (wait > SHOW_TIMER_PERIOD_MS) period = static_cast<UINT>(wait);
    // A sleep is set again each time, for its own length.
    if (period == SHOW_TIMER_PERIOD_MS && periodMs == SHOW_TIMER_PERIOD_MS) return;
    if (SetTimer(hwnd, timerId, period, nullptr) != 0) periodMs = period;
}

void ShowTimer::Stop() {
    if (timerId == 0) return;
    KillTimer(hwnd, timerId);
    timerId = 0;
}
