#include "tests/faults/fault_run.h"

#include <cstdio>
#include <cstring>

#include "tests/e2e/show_support/session.h"
#include "tests/faults/run_state.h"

namespace {

const char* const SCENARIO_NAMES[SCENARIO_COUNT] = {"dialog", "dialog-refused", "full-screen",
                                                    "preview", "windowed"};

// The settings each scenario starts from: the picture the show starts
// with, and a 15 s interval (an ordinary picture stays 225 ticks).
const char* StartPicture(int scenario) {
    return scenario == SCENARIO_WINDOWED ? "1" : "10";
}
const char* INTERVAL_SECONDS = "15";

SettingsFile ReadSettings(const std::string& path) {
    SettingsFile file;
    file.exists = e2e::ReadFileBytes(path, &file.bytes);
    return file;
}

// Removes the per-user settings file and its folders, so that the saver
// finds only the Windows directory's file.
void RemovePerUserFile() {
    const std::string file = e2e::PerUserIniPath();
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, file.c_str());
    DeleteFileA(file.c_str());
    std::string folder = file.substr(0, file.rfind('\\'));  // ...\VirtualStore\Windows
    RemoveDirectoryA(folder.c_str());
    RemoveDirectoryA(folder.substr(0, folder.rfind('\\')).c_str());
}

void CheckSettings(RunState& run) {
    const std::string windows = CheckSettingsFile(run.windowsBefore, ReadSettings(e2e::IniPath()),
                                                  run.windowsAccepted, run.windowsMayStay);
    if (!windows.empty()) run.Fail("the Windows directory's velmor.INI " + windows);
    const std::string perUser =
        CheckSettingsFile(SettingsFile(), ReadSettings(e2e::PerUserIniPath()), run.perUserAccepted,
                          run.perUserMayBeMissing);
    if (!perUser.empty()) run.Fail("the per-user velmor.INI " + perUser);
}

// The calls the fault library made fail, for the report of a failed run.
std::string FailedCalls(const FaultShared& seen, const SymbolTable* symbols) {
    const LONG shown = seen.recordCount < 4 ? seen.recordCount : 4;
    std::string text;
    for (LONG i = 0; i < shown; ++i) {
        const FaultRecord& record = seen.records[i];
        char call[64];
        std::snprintf(call, sizeof call, "%s call %ld at tick %d from ", NameOf(record.function),
                      record.call, FaultSession::TickAt(record.clockMs));
        text += (i ? "; " : "") + std::string(call) +
                (symbols ? symbols->NameOf(record.site) : std::to_string(record.site));
    }
    if (seen.recordCount > shown) text += "; ...";
    return text.empty() ? "" : "calls made to fail: " + text;
}

double Seconds(LARGE_INTEGER from) {
    LARGE_INTEGER now, frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(now.QuadPart - from.QuadPart) / frequency.QuadPart;
}

}  // namespace

const char* ScenarioName(int scenario) {
    return scenario >= 0 && scenario < SCENARIO_COUNT ? SCENARIO_NAMES[scenario] : "?";
}

int ScenarioNamed(const std::string& name) {
    for (int s = 0; s < SCENARIO_COUNT; ++s)
        if (name == SCENARIO_NAMES[s]) return s;
    return -1;
}

std::string ExitCode(DWORD code) {
    char text[16];
    std::snprintf(text, sizeof text, code > 0xFFFF ? "0x%08lx" : "%lu",
                  static_cast<unsigned long>(code));
    return text;
}

bool IsAllocator(int function) {
    return function == FAULT_MALLOC || function == FAULT_CALLOC || function == FAULT_REALLOC;
}

bool WritesSettings(int function) {
    return function == FAULT_WRITE_PROFILE_STRING || function == FAULT_CREATE_DIRECTORY ||
           function == FAULT_COPY_FILE;
}

RunState::RunState(int scenario, const std::vector<PlannedFault>& faults,
                   const PlannedFault* examinedFault, RunContext& context)
    : scenario(scenario),
      examined(examinedFault ? *examinedFault : PlannedFault()),
      context(context),
      session(faults, context.passRanges, context.spareRanges) {}

void RunState::Fail(const std::string& failure) {
    failures.push_back(failure);
}

bool RunState::Answers(HWND hwnd, const char* when) {
    DWORD_PTR result = 0;
    if (SendMessageTimeoutA(hwnd, WM_NULL, 0, 0, SMTO_NORMAL, ANSWER_MS, &result)) return true;
    Fail(std::string("the window did not answer within 1 s ") + when);
    return false;
}

const FaultRecord* RunState::Fired() const {
    const FaultShared& seen = session.Seen();
    for (LONG i = 0; i < seen.recordCount && examined.function >= 0; ++i) {
        const FaultRecord& record = seen.records[i];
        // The site tells it from the fault a scenario brings of its own.
        if (record.function == examined.function &&
            (examined.site == 0 || record.site == examined.site))
            return &record;
    }
    return nullptr;
}

bool RunState::ReadFailed(const char* key) const {
    const FaultShared& seen = session.Seen();
    for (LONG i = 0; i < seen.recordCount; ++i) {
        const FaultRecord& record = seen.records[i];
        if (record.function == FAULT_GET_PROFILE_INT && std::strcmp(record.note, key) == 0)
            return true;
    }
    return false;
}

void RunState::AcceptPerUserCopy(const SettingsValues& written) {
    perUserAccepted = {stored, written};
}

std::string RunState::CrashText() const {
    const FaultShared& seen = session.Seen();
    if (seen.crashCode == 0) return "";
    char text[96];
    std::snprintf(text, sizeof text, " (first fatal exception 0x%08lx at velmor.scr+0x%lx)",
                  static_cast<unsigned long>(seen.crashCode),
                  static_cast<unsigned long>(seen.crashOffset));
    return text;
}

void RunState::ExpectExitZero(const char* after) {
    DWORD code = 0;
    if (!saver.WaitForExit(EXIT_TIMEOUT_MS, &code)) {
        Fail(std::string("the saver did not end within 10 s ") + after);
        saver.Terminate();
    } else if (code != 0) {
        Fail("the saver ended with exit code " + ExitCode(code) + " " + after + CrashText());
    }
}

RunResult RunScenario(int scenario, const std::vector<PlannedFault>& faults, RunContext& context) {
    LARGE_INTEGER started;
    QueryPerformanceCounter(&started);
    show_e2e::StoreSettings(StartPicture(scenario), INTERVAL_SECONDS);
    RemovePerUserFile();

    std::vector<PlannedFault> plan = faults;
    if (scenario == SCENARIO_DIALOG_REFUSED) {
        PlannedFault refused;  // the first write, to the Windows directory's file
        refused.function = FAULT_WRITE_PROFILE_STRING;
        plan.insert(plan.begin(), refused);
    }
    RunState run(scenario, plan, faults.empty() ? nullptr : &faults.back(), context);
    run.windowsBefore = ReadSettings(e2e::IniPath());
    ParseSettings(run.windowsBefore.bytes, &run.stored);
    run.windowsAccepted = {run.stored};
    if (context.log) context.log->Skip();

    if (scenario == SCENARIO_DIALOG || scenario == SCENARIO_DIALOG_REFUSED)
        RunDialog(run);
    else
        RunShow(run);
    run.saver.Terminate();

    if (run.examined.function >= 0 && !run.Fired())
        run.Fail("the fault was never injected: no such call in this run");
    CheckSettings(run);
    if (context.log) {
        std::string errors = SaverLog::HeapErrors(context.log->Added());
        if (!errors.empty()) run.Fail("Wine reported: " + errors.substr(0, errors.size() - 1));
    }

    if (run.Failed()) {
        const std::string calls = FailedCalls(run.session.Seen(), context.symbols);
        if (!calls.empty()) run.Fail(calls);
    }
    RunResult result;
    result.passed = run.failures.empty();
    for (const std::string& failure : run.failures) result.failure += failure + "\n";
    result.note = run.note;
    result.seen = run.session.Seen();
    result.seconds = Seconds(started);
    return result;
}
