// The dialog scenarios: the configuration dialog shows the stored interval
// (or 30 when it could not be read) and the version, takes 45 and saves it
// with OK.  Where the Windows directory's file cannot be written, the value
// goes into a new per-user file that starts as a copy of it.

#include "tests/faults/run_state.h"

namespace {

const int IDC_VERSION = 1003;
const int IDC_INTERVAL = 1004;
const char UNKNOWN_VERSION[] = "????";
const int NEW_INTERVAL = 45;

HWND WaitForDialog(RunState& run) {
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < WINDOW_TIMEOUT_MS && run.saver.IsRunning()) {
        for (HWND hwnd : e2e::TopLevelWindowsOf(run.saver.Id(), "#32770"))
            if (IsWindowVisible(hwnd) && e2e::TextOf(hwnd) == "velmor") return hwnd;
        e2e::PumpMessages(20);
    }
    return nullptr;
}

// Without its state the dialog ends at once and saves nothing.
void NoDialog(RunState& run) {
    DWORD code = 0;
    if (!run.saver.WaitForExit(0, &code)) {
        run.Fail("no dialog within 10 s");
    } else if (code != 0 || !run.Fired() || !IsAllocator(run.examined.function)) {
        run.Fail("the saver ended without a dialog, exit code " + ExitCode(code) + run.CrashText());
    } else {
        run.note = "the dialog ended at once, nothing saved";
    }
}

void CheckShown(RunState& run, HWND dialog, int stored) {
    const std::string interval = e2e::ControlTextOf(GetDlgItem(dialog, IDC_INTERVAL));
    const std::string expected = run.ReadFailed(e2e::INTERVAL_KEY) ? "30" : std::to_string(stored);
    if (interval != expected)
        run.Fail("the dialog shows the interval " + interval + " where " + expected + " belongs");
    const std::string version = e2e::ControlTextOf(GetDlgItem(dialog, IDC_VERSION));
    std::string& known = run.context.versionText;
    if (known.empty() && !run.Fired()) known = version;
    if (version != known && !(run.Fired() && version == UNKNOWN_VERSION))
        run.Fail("the dialog shows the version " + version + " where " + known + " belongs");
}

}  // namespace

void RunDialog(RunState& run) {
    const bool refused = run.scenario == SCENARIO_DIALOG_REFUSED;
    SettingsValues saved = run.stored;
    saved.intervalSeconds = NEW_INTERVAL;
    // What OK saves, where; a fault may keep it from being saved at all.
    const bool mayNotSave =
        IsAllocator(run.examined.function) || WritesSettings(run.examined.function);
    if (refused) {
        run.perUserAccepted = {saved};
        if (run.examined.function >= 0) run.AcceptPerUserCopy(saved);
        run.perUserMayBeMissing = run.examined.function >= 0;
    } else {
        run.windowsAccepted = {saved};
        run.windowsMayStay = mayNotSave;
        if (WritesSettings(run.examined.function)) run.AcceptPerUserCopy(saved);
    }

    if (!run.session.Start(run.saver, "/c")) {
        run.Fail("could not start the saver with the fault library");
        return;
    }
    HWND dialog = WaitForDialog(run);
    if (!dialog) {
        NoDialog(run);
        return;
    }
    if (!run.Answers(dialog, "once it was open")) return;
    CheckShown(run, dialog, run.stored.intervalSeconds);
    DWORD_PTR result = 0;
    const std::string value = std::to_string(NEW_INTERVAL);
    SendMessageTimeoutA(GetDlgItem(dialog, IDC_INTERVAL), WM_SETTEXT, 0,
                        reinterpret_cast<LPARAM>(value.c_str()), SMTO_NORMAL, ANSWER_MS, &result);
    if (!run.Answers(dialog, "after the new interval was typed")) return;
    PostMessageA(dialog, WM_COMMAND, IDOK, 0);
    run.ExpectExitZero("after OK");
}
