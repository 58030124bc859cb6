#ifndef VELMOR_TESTS_SHOW_LOADER_EVENT_LOG_H
#define VELMOR_TESTS_SHOW_LOADER_EVENT_LOG_H

#include <windows.h>

#include <atomic>
#include <vector>

#include "show/loader_events.h"

// Records the loader's events, from whichever thread, in order, with the
// time of each.  One log at a time is installed as the loader's observer.
struct LoggedEvent {
    LoaderEvent event;
    int value;
    LONGLONG time;  // QueryPerformanceCounter units
};

class LoaderEventLog {
public:
    LoaderEventLog() : count(0) {
        current = this;
        SetLoaderEventHook(&LoaderEventLog::Record);
    }
    ~LoaderEventLog() {
        SetLoaderEventHook(nullptr);
        current = nullptr;
    }

    std::vector<LoggedEvent> Events() const {
        int n = count.load();
        if (n > CAPACITY) n = CAPACITY;
        return std::vector<LoggedEvent>(entries, entries + n);
    }

    int Count(LoaderEvent event) const {
        int n = 0;
        for (const LoggedEvent& e : Events()) n += e.event == event;
        return n;
    }

    static double Milliseconds(LONGLONG from, LONGLONG to) {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return (to - from) * 1000.0 / f.QuadPart;
    }

    static LONGLONG Now() {
        LARGE_INTEGER t;
        QueryPerformanceCounter(&t);
        return t.QuadPart;
    }

private:
    static void Record(LoaderEvent event, int value) {
        LoaderEventLog* log = current;
        if (!log) return;
        int i = log->count.fetch_add(1);
        if (i < CAPACITY) log->entries[i] = LoggedEvent{event, value, Now()};
    }

    static const int CAPACITY = 4096;
    static LoaderEventLog* current;
    std::atomic<int> count;
    LoggedEvent entries[CAPACITY];
};

inline LoaderEventLog* LoaderEventLog::current = nullptr;

#endif
