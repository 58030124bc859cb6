#ifndef VELMOR_TESTS_FAULTS_RUN_STATE_H
#define VELMOR_TESTS_FAULTS_RUN_STATE_H

// A run in progress, shared by the scenario drivers (show_run.cpp,
// dialog_run.cpp) and RunScenario: the session and the saver, the fault
// under examination, what the settings files must hold at the end, and the
// failures seen so far.

#include <string>
#include <vector>

#include "tests/e2e/driver/saver_driver.h"
#include "tests/faults/fault_run.h"
#include "tests/faults/fault_session.h"
#include "tests/faults/settings_check.h"

// How long a window may take to answer a message.
const DWORD ANSWER_MS = 1000;
const DWORD WINDOW_TIMEOUT_MS = 10000;
const DWORD EXIT_TIMEOUT_MS = 10000;

struct RunState {
    RunState(int scenario, const std::vector<PlannedFault>& faults, const PlannedFault* examined,
             RunContext& context);

    void Fail(const std::string& failure);
    bool Failed() const { return !failures.empty(); }
    // Sends WM_NULL; false (and a failure) when the window does not answer
    // within ANSWER_MS.
    bool Answers(HWND hwnd, const char* when);
    // The first call the examined fault made fail; null while it has not.
    const FaultRecord* Fired() const;
    bool Examines(int function) const { return examined.function == function; }
    // A read of the settings file failed for this key ("NO" or the interval key).
    bool ReadFailed(const char* key) const;
    // A failed write of the Windows directory's file may leave a per-user
    // file: a copy of it, with or without the value written.
    void AcceptPerUserCopy(const SettingsValues& written);
    // " (first fatal exception ... at velmor.scr+...)", or "" when none was seen.
    std::string CrashText() const;
    // Waits for the saver to end after WM_CLOSE (or its own end); fails
    // unless it ends with exit code 0.
    void ExpectExitZero(const char* after);

    int scenario;
    PlannedFault examined;  // function -1: none
    RunContext& context;
    FaultSession session;
    e2e::SaverProcess saver;
    std::vector<std::string> failures;
    std::string note;

    // What the two settings files may hold at the end.
    SettingsFile windowsBefore;
    SettingsValues stored;  // the values in windowsBefore
    std::vector<SettingsValues> windowsAccepted;
    bool windowsMayStay = true;
    std::vector<SettingsValues> perUserAccepted;  // never there before a run
    bool perUserMayBeMissing = true;
};

// Drive the scenarios' savers; the saver is started by them.
void RunShow(RunState& run);
void RunDialog(RunState& run);

// An exit code as the report shows it: decimal, or hex for an exception code.
std::string ExitCode(DWORD code);

// Functions whose failure the saver may answer with a documented outcome.
bool IsAllocator(int function);
bool WritesSettings(int function);

#endif
