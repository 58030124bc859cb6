#ifndef VELMOR_TESTS_FAULTS_FAULT_SESSION_H
#define VELMOR_TESTS_FAULTS_FAULT_SESSION_H

// One run's link to the fault library inside the saver: the shared block,
// the plan put into the environment the saver inherits, the saver started
// with the library loaded before its own code runs, and the saver's clock.

#include <windows.h>

#include <string>
#include <vector>

#include "tests/e2e/driver/saver_driver.h"
#include "tests/faults/fault_plan.h"
#include "tests/faults/fault_shared.h"

// The fault library (velmor_faults.dll) of this build, as a Windows path.
std::string FaultLibraryPath();

class FaultSession {
public:
    // `passRanges`: VELMOR_FAULT_PASS, the runtime's operator new;
    // `spareRanges`: VELMOR_FAULT_SPARE, a coverage build's gcov runtime.
    FaultSession(const std::vector<PlannedFault>& plan, const std::string& passRanges,
                 const std::string& spareRanges);
    ~FaultSession();

    // Starts the saver with the library; false when it could not be started
    // or the library did not take over the saver's imports.
    bool Start(e2e::SaverProcess& saver, const std::string& arguments);

    // The saver's clock, in timer ticks of 66 ms since it started.
    void SetClockTick(int tick);
    int ClockTick() const { return clockTick; }
    // The tick of the saver's clock at a clock reading the library recorded.
    static int TickAt(LONG clockMs);

    const FaultShared& Seen() const { return *shared; }

    FaultSession(const FaultSession&) = delete;
    FaultSession& operator=(const FaultSession&) = delete;

private:
    HANDLE mapping = nullptr;
    FaultShared* shared = nullptr;
    int clockTick = 0;
};

#endif
