#ifndef VELMOR_TESTS_FAULTS_LEAK_CHECK_H
#define VELMOR_TESTS_FAULTS_LEAK_CHECK_H

// The leak check of a show: what the saver holds (kernel handles, GDI
// objects, heap bytes), measured at a steady picture and again two pictures
// later, when pictures of the same size are in memory.  Nothing may have
// grown.

#include <windows.h>

#include <string>

#include "tests/e2e/driver/saver_driver.h"
#include "tests/faults/fault_session.h"

class LeakCheck {
public:
    // Starts again: what was measured before a fault struck does not count.
    void Restart();
    bool Done() const { return second.taken; }

    // A steady view of `picture` (1..8: it and the picture the loader has
    // made by now are all 360 x 480): the first measure, the second two
    // pictures later, or nothing.  Returns what grew, or "".
    std::string Measure(int picture, e2e::SaverProcess& saver, const FaultSession& session);

private:
    struct Usage {
        bool taken = false;
        int picture = 0;
        int handles = 0;
        LONG gdiObjects = 0;
        LONG heapBytes = 0;
    };

    std::string Compare() const;

    Usage first;
    Usage second;
};

#endif
