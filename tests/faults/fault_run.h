#ifndef VELMOR_TESTS_FAULTS_FAULT_RUN_H
#define VELMOR_TESTS_FAULTS_FAULT_RUN_H

// One run of the saver in one of the sweep's scenarios, with or without a
// fault, and every check of it: no crash, no heap error, no hang (the window
// answers within 1 s and WM_CLOSE ends the process with exit code 0), the
// screen as the schedule has it (or as the documented outcome of the fault
// has it), no growth of handles, GDI objects or memory once the fault is
// gone, and a settings file that is unchanged or whole and right.

#include <windows.h>

#include <string>
#include <vector>

#include "tests/faults/fault_plan.h"
#include "tests/faults/fault_shared.h"
#include "tests/faults/saver_log.h"
#include "tests/faults/symbol_table.h"

// Cheapest first.
enum Scenario {
    SCENARIO_DIALOG,          // /c: the interval changed to 45 and saved with OK
    SCENARIO_DIALOG_REFUSED,  // the same where the Windows directory's file
                              // cannot be written (its first write fails):
                              // the saver starts the per-user file
    SCENARIO_FULL_SCREEN,     // /s: three picture changes, the wide one among them
    SCENARIO_PREVIEW,         // /p: the same in a preview window
    SCENARIO_WINDOWED,        // a click through each of the twelve pictures
    SCENARIO_COUNT
};

const char* ScenarioName(int scenario);
int ScenarioNamed(const std::string& name);  // -1 for none

// What every run of a sweep shares.
struct RunContext {
    std::string passRanges;   // VELMOR_FAULT_PASS
    std::string spareRanges;  // VELMOR_FAULT_SPARE
    SaverLog* log = nullptr;  // the savers' standard error
    const SymbolTable* symbols = nullptr;
    std::string versionText;  // the dialog's version text, as the first dialog run saw it
};

struct RunResult {
    bool passed = false;
    std::string failure;  // what went wrong, one line each
    std::string note;     // the documented outcome the run saw, if not the plain one
    FaultShared seen = {};
    double seconds = 0;
};

// Runs `scenario` with `faults` (none: a reference run).
RunResult RunScenario(int scenario, const std::vector<PlannedFault>& faults, RunContext& context);

#endif
