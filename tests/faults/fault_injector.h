#ifndef VELMOR_TESTS_FAULTS_FAULT_INJECTOR_H
#define VELMOR_TESTS_FAULTS_FAULT_INJECTOR_H

// The fault library's bookkeeping: counts every call of a watched function
// by call site, into the shared block, and decides which calls fail.  Safe
// to call from any thread.

#include <vector>

#include "tests/faults/fault_plan.h"
#include "tests/faults/fault_shared.h"

void InitInjector(FaultShared* shared, const std::vector<PlannedFault>& plan);

// Counts a call of `function` from `site`; true when the call must fail,
// which is recorded with `note` (may be null).
bool Injects(int function, DWORD site, const char* note = nullptr);

#endif
