#ifndef VELMOR_TESTS_FAULTS_FAULT_PLAN_H
#define VELMOR_TESTS_FAULTS_FAULT_PLAN_H

// The faults of one run, as the environment variable VELMOR_FAULTS gives
// them to the fault library: comma-separated entries
//   FUNCTION[@SITE]:N[:p]
// FUNCTION is the imported name (LocalAlloc, malloc...); SITE a call site
// (hex offset into velmor.scr); N the call that fails, counted over the
// function's calls or, with a site, over the calls from that site; ":p"
// makes the fault persistent: that call and every later call of the
// function fail.  Without ":p" only that one call fails (transient).

#include <windows.h>

#include <string>
#include <vector>

struct PlannedFault {
    int function = -1;
    DWORD site = 0;  // 0: any site
    long call = 1;
    bool persistent = false;
};

// The faults of `text`; false (and nothing in *faults) on a malformed entry.
bool ParseFaultPlan(const char* text, std::vector<PlannedFault>* faults);
std::string FormatFaultPlan(const std::vector<PlannedFault>& faults);

#endif
