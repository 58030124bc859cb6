// The slide-show scenarios (preview, windowed, full screen): the driver sets
// the saver's clock and sends the show's timer message, so that the show
// runs its documented schedule in a fraction of the time, and compares the
// screen with that schedule at chosen ticks: in each picture's fade-in, when
// it is steady and in its fade-out, and at the wide picture's pan.
//
// A fault may change what the schedule shows, as documented: a transient
// fault may leave the picture it hit black (the one on screen, or the one
// the loader thread was making) until the next picture comes, which must
// then be on screen on schedule; a picture that could not be made at all is
// passed over at the next tick; a timer that cannot be set leaves the
// window black; after a persistent fault any picture may stay black.  Each
// of these is a candidate schedule, and a look at the screen keeps the
// candidates it matches.

#include <climits>
#include <cstdio>

#include "tests/e2e/show_support/session.h"
#include "tests/faults/leak_check.h"
#include "tests/faults/run_state.h"
#include "tests/faults/show_model.h"
#include "tests/faults/view_check.h"

namespace {

const char SAVER_CLASS[] = "WindowScreenSaverClass";
const char WINDOWED_CLASS[] = "velmor_CN";
const UINT_PTR SHOW_TIMER_ID = 1;
// A timer message may wait for the loader thread's decode.
const DWORD TICK_ANSWER_MS = 5000;
// 9.9 s: a longer step of the clock counts for the saver as one period.
const int LONGEST_STEP_TICKS = 150;
const int WINDOWED_WIDTH = 640;
const int WINDOWED_HEIGHT = 480;
const int PICTURES_TO_SEE = 4;  // the first and three changes
const int MOST_PICTURES = 10;
const int LAST_TICK = 4000;     // beyond ten pictures of the 15 s interval
const int CLICKS_TO_MAKE = 14;  // through the twelve pictures, on to picture 3
const int MOST_CLICKS = 24;
// The window surface may reach X a little late: a capture that matches no
// candidate is taken again this often, one that matches some of them less.
const int CAPTURE_ATTEMPTS = 10;
const int AGREEING_ATTEMPTS = 4;
const DWORD CAPTURE_RETRY_MS = 30;
const int NEVER = INT_MAX;

struct Candidate {
    std::string outcome;  // the documented outcome it stands for; "" the plain schedule
    int missAt = -1;
    int missFrom = -1;
    bool neverStarts = false;
    int blackFrom = NEVER;  // ticks [blackFrom, blackUntil) may show black
    int blackUntil = NEVER;
    ShowModel model{1, 15};
    ShowFrame looked;  // the frame it expected at the last look
    std::string mismatch;

    bool BlackAllowed(int tick) const { return tick >= blackFrom && tick < blackUntil; }
};

struct Checkpoint {
    int tick;
    bool look;
    bool measure;
};

SIZE ClientSize(HWND hwnd) {
    RECT client = e2e::ClientRectOf(hwnd);
    return SIZE{client.right, client.bottom};
}

SIZE PictureSize(int picture) {
    const Pixels& reference = show_e2e::Reference(picture);
    return SIZE{reference.width, reference.height};
}

std::string AtTick(int tick) {
    return "at tick " + std::to_string(tick);
}

class ShowRun {
public:
    explicit ShowRun(RunState& run)
        : run(run),
          preview(run.scenario == SCENARIO_PREVIEW),
          windowed(run.scenario == SCENARIO_WINDOWED) {}
    ~ShowRun() { run.saver.Terminate(); }

    void Drive() {
        if (!Open()) return;
        BuildCandidates();
        if (windowed)
            DriveClicks();
        else
            DriveSchedule();
        Close();
        ExpectSettings();
    }

private:
    // ---- Start and end ---------------------------------------------------

    bool Open() {
        // The preview's parent is the desktop window: Wine 8 does not draw a
        // child window whose parent belongs to another process.
        std::string arguments = windowed ? "" : "/s";
        if (preview)
            arguments = "/p " + std::to_string(reinterpret_cast<UINT_PTR>(GetDesktopWindow()));
        if (!run.session.Start(run.saver, arguments)) {
            run.Fail("could not start the saver with the fault library");
            return false;
        }
        window = WaitForWindow();
        if (!window) return NoWindow();
        if (run.Fired() &&
            (run.Examines(FAULT_REGISTER_CLASS) || run.Examines(FAULT_CREATE_WINDOW))) {
            run.Fail("a window came although its class or window could not be made");
            return false;
        }
        guiThread = GetWindowThreadProcessId(window, nullptr);
        if (!run.Answers(window, "once it was open")) return false;
        if (windowed) {
            // Every picture after the first is laid out in 640 x 480.
            RECT frame = {0, 0, WINDOWED_WIDTH, WINDOWED_HEIGHT};
            AdjustWindowRectEx(&frame, e2e::StyleOf(window), FALSE, e2e::ExStyleOf(window));
            SetWindowPos(window, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                         SWP_NOZORDER | SWP_NOACTIVATE);
        }
        WaitUntilPainted();
        return true;
    }

    HWND WaitForWindow() {
        const DWORD start = GetTickCount();
        while (GetTickCount() - start < WINDOW_TIMEOUT_MS && run.saver.IsRunning()) {
            std::vector<HWND> found =
                e2e::TopLevelWindowsOf(run.saver.Id(), windowed ? WINDOWED_CLASS : SAVER_CLASS);
            for (HWND hwnd : found)
                if (IsWindowVisible(hwnd)) return hwnd;
            e2e::PumpMessages(20);
        }
        return nullptr;
    }

    // No window: documented where its class, the window or the window
    // object could not be made (the process then ends with exit code 0).
    bool NoWindow() {
        DWORD code = 0;
        if (run.saver.WaitForExit(0, &code)) {
            const bool documented = run.Fired() && (run.Examines(FAULT_REGISTER_CLASS) ||
                                                    run.Examines(FAULT_CREATE_WINDOW) ||
                                                    IsAllocator(run.examined.function));
            if (documented && code == 0) {
                NoteOutcome("no window, exit code 0");
                return false;
            }
            run.Fail("the saver ended without a window, exit code " + ExitCode(code) +
                     run.CrashText());
        } else {
            run.Fail("no window within 10 s");
        }
        return false;
    }

    void Close() {
        if (!run.saver.IsRunning()) {
            if (!run.Failed()) run.Fail("the saver ended by itself");
            return;
        }
        PostMessageA(window, WM_CLOSE, 0, 0);
        run.ExpectExitZero("after WM_CLOSE");
    }

    // The picture the show stores at close, as each schedule still in the
    // running has it; the preview stores nothing, nor a show that never
    // swapped a picture in.
    void ExpectSettings() {
        if (preview || candidates.empty()) return;
        const bool writeFailed = run.Fired() && WritesSettings(run.examined.function);
        run.windowsAccepted.clear();
        run.windowsMayStay = writeFailed;
        for (const Candidate& candidate : candidates) {
            SettingsValues stored = run.stored;
            if (!candidate.neverStarts && candidate.model.Started())
                stored.startPicture = candidate.model.PictureToStore();
            else
                run.windowsMayStay = true;
            run.windowsAccepted.push_back(stored);
            if (writeFailed) run.AcceptPerUserCopy(stored);
        }
    }

    // ---- Candidate schedules ---------------------------------------------

    void BuildCandidates() {
        const SettingsValues& stored = run.stored;
        startPicture = run.ReadFailed("NO") ? 1 : stored.startPicture;
        intervalSeconds = run.ReadFailed(e2e::INTERVAL_KEY) ? 30 : stored.intervalSeconds;
        if (startPicture != stored.startPicture || intervalSeconds != stored.intervalSeconds)
            NoteOutcome("the defaults of the settings it could not read");
        Candidate plain;
        plain.model = Replay(plain, 0);
        candidates.push_back(plain);
        planner = plain.model;
    }

    // A candidate's schedule up to `tick`, with the clicks so far.
    ShowModel Replay(const Candidate& candidate, int tick) const {
        ShowModel model(startPicture, intervalSeconds);
        if (candidate.missAt >= 0) model.MissPictureAt(candidate.missAt);
        if (candidate.missFrom >= 0) model.MissPicturesFrom(candidate.missFrom);
        for (int click : clickTicks) {
            if (click > tick) break;
            model.RunTo(click);
            model.Click();
        }
        model.RunTo(tick);
        return model;
    }

    // The tick at which the picture on screen at `tick` gives way.
    int EndOfPicture(const Candidate& candidate, int tick) const {
        int end = Replay(candidate, tick).NextChange();
        for (int click : clickTicks)
            if (click > tick && click < end) end = click;
        return end;
    }

    bool PictureComesAt(const Candidate& candidate, int tick) const {
        for (int click : clickTicks)
            if (click == tick) return true;
        return Replay(candidate, tick).Drawn().start == tick;
    }

    // Once the examined fault has struck: the picture it hit may be black
    // until the next comes (after a fault on the loader thread, which makes
    // the next picture, the one after that), and the outcomes documented for
    // its function become candidates.
    void NoteFault() {
        const FaultRecord* record = run.Fired();
        if (forked || !record || candidates.empty()) return;
        forked = true;
        const int tick = FaultSession::TickAt(record->clockMs);
        const bool persistent = run.examined.persistent;
        Candidate& plain = candidates.front();
        plain.blackFrom = tick;
        if (!persistent) {
            plain.blackUntil = EndOfPicture(plain, tick);
            if (record->thread != guiThread && !PictureComesAt(plain, tick))
                plain.blackUntil = EndOfPicture(plain, plain.blackUntil);
        }
        recoveredFrom = persistent ? tick : plain.blackUntil;
        leaks.Restart();

        const int function = run.examined.function;
        if (function == FAULT_CREATE_THREAD || IsAllocator(function)) {
            // A persistent fault that struck the loader of the next picture
            // takes the pictures from that one on.
            const int nextPicture = EndOfPicture(plain, tick);
            AddPassedOver(tick, persistent);
            if (persistent) AddPassedOver(nextPicture, true);
        }
        if (function == FAULT_SET_TIMER && record->call == 1) {
            Candidate none;
            none.outcome = "no timer: the window stays black";
            none.neverStarts = true;
            candidates.push_back(none);
        }
    }

    // The picture that comes at `tick` (or, persistent, every picture from
    // then on) cannot be made and is passed over at the next tick.
    void AddPassedOver(int tick, bool persistent) {
        Candidate passedOver;
        passedOver.outcome = "the picture that could not be made was passed over";
        (persistent ? passedOver.missFrom : passedOver.missAt) = tick;
        passedOver.blackFrom = tick;
        passedOver.blackUntil = persistent ? NEVER : tick + 1;
        passedOver.model = Replay(passedOver, run.session.ClockTick());
        candidates.push_back(passedOver);
    }

    // ---- Driving -----------------------------------------------------------

    // Sets the clock to `tick`, in steps the saver takes as they come, and
    // sends the timer message at each.
    bool Step(int tick) {
        while (run.session.ClockTick() < tick) {
            const int next = std::min(tick, run.session.ClockTick() + LONGEST_STEP_TICKS);
            run.session.SetClockTick(next);
            DWORD_PTR result = 0;
            if (!SendMessageTimeoutA(window, WM_TIMER, SHOW_TIMER_ID, 0, SMTO_NORMAL,
                                     TICK_ANSWER_MS, &result))
                return Stopped("no answer to the timer within 5 s " + AtTick(next));
        }
        for (Candidate& candidate : candidates) candidate.model.RunTo(tick);
        planner.RunTo(tick);
        if (!run.Answers(window, AtTick(tick).c_str())) return false;
        WaitUntilPainted();
        NoteFault();
        return true;
    }

    bool Click() {
        const int tick = run.session.ClockTick();
        DWORD_PTR result = 0;
        if (!SendMessageTimeoutA(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 20),
                                 SMTO_NORMAL, TICK_ANSWER_MS, &result) ||
            !SendMessageTimeoutA(window, WM_LBUTTONUP, 0, MAKELPARAM(20, 20), SMTO_NORMAL,
                                 ANSWER_MS, &result))
            return Stopped("no answer to a click " + AtTick(tick));
        clickTicks.push_back(tick);
        for (Candidate& candidate : candidates) candidate.model.Click();
        planner.Click();
        WaitUntilPainted();
        NoteFault();
        return true;
    }

    bool Stopped(const std::string& why) {
        DWORD code = 0;
        if (run.saver.WaitForExit(0, &code))
            run.Fail("the saver ended " + why.substr(why.find(" at tick") + 1) + ", exit code " +
                     ExitCode(code) + run.CrashText());
        else
            run.Fail(why);
        return false;
    }

    // A picture change or a click invalidates the window, and the paint that
    // follows clears it to black: it must come before the next tick draws.
    void WaitUntilPainted() {
        const DWORD start = GetTickCount();
        while (GetUpdateRect(window, nullptr, FALSE) && GetTickCount() - start < ANSWER_MS)
            e2e::PumpMessages(2);
    }

    // The schedule's next tick to go to: in each picture its fade-in (two
    // frames in a row, the second looked at), a steady frame (where the
    // leak checks measure) and its fade-out; for the wide picture its
    // squeezed fade-in, the start, middle and end of its pan and its
    // fade-out; then the next picture's first tick.
    Checkpoint NextCheckpoint() const {
        const ShowModel& model =
            candidates.front().neverStarts ? planner : candidates.front().model;
        const int now = model.Tick();
        const ShowFrame& frame = model.Drawn();
        if (frame.picture == 0) return Checkpoint{now + 1, true, false};
        const int end = model.NextChange();
        const bool wide = frame.picture == 11;
        const Checkpoint ordinary[] = {{frame.start + 28, false, false},
                                       {frame.start + 29, true, false},
                                       {frame.start + 100, true, true},
                                       {end - 8, true, false}};
        const Checkpoint panned[] = {
            {frame.start + 28, false, false}, {frame.start + 29, true, false},
            {frame.start + 31, true, false},  {frame.start + 255, true, false},
            {frame.start + 500, true, false}, {end - 8, true, false}};
        const Checkpoint* points = wide ? panned : ordinary;
        const int count = wide ? 6 : 4;
        for (int i = 0; i < count; ++i)
            if (points[i].tick > now && points[i].tick < end) return points[i];
        return Checkpoint{end, false, false};
    }

    // Full screen and preview: the schedule from the stored picture on,
    // through three picture changes and the leak checks' two measures.
    void DriveSchedule() {
        int pictures = 1;
        int lastStart = 0;
        while (!run.Failed()) {
            const Checkpoint next = NextCheckpoint();
            if (!Step(next.tick)) return;
            const int start = candidates.front().model.Drawn().start;
            if (start != lastStart) {
                ++pictures;
                lastStart = start;
            }
            if (next.look && !Look()) return;
            if (next.measure) Measure();
            if (pictures > MOST_PICTURES || run.session.ClockTick() > LAST_TICK ||
                (pictures >= PICTURES_TO_SEE && leaks.Done()))
                return;
        }
    }

    // Windowed: a click brings each next picture, looked at in its fade-in
    // and steady; the first picture, laid out before the window had its
    // size, is only run.
    void DriveClicks() {
        if (!Step(28) || !Step(29) || !Step(40)) return;
        for (int clicks = 1; !run.Failed(); ++clicks) {
            const int tick = run.session.ClockTick() + 1;
            if (!Step(tick) || !Click()) return;
            if (!Step(tick + 28) || !Step(tick + 29) || !Look()) return;
            if (!Step(tick + 40) || !Look()) return;
            Measure();
            if (clicks >= MOST_CLICKS || (clicks >= CLICKS_TO_MAKE && leaks.Done())) return;
        }
    }

    // ---- Looking -----------------------------------------------------------

    std::string Judge(const Candidate& candidate, const Pixels& area, SIZE client) const {
        PictureView view;
        if (!candidate.neverStarts) {
            const ShowFrame& frame = candidate.model.Drawn();
            if (frame.picture != 0) view = ViewOf(frame, client, PictureSize(frame.picture));
        }
        const Pixels none;
        const std::string difference =
            CompareView(area, view, view.picture ? show_e2e::Reference(view.picture) : none);
        if (difference.empty()) return "";
        if (candidate.BlackAllowed(run.session.ClockTick())) {
            if (IsBlack(area)) return Accepted("black where the fault struck");
            // A window the saver can no longer draw in keeps what it showed:
            // the last capture, or the frame expected then where that
            // capture was taken before the frame reached the screen (a
            // black capture, accepted above).
            if (run.examined.persistent &&
                (area.rgb == lastLook.rgb || ShowsFrame(candidate.looked, area, client)))
                return Accepted("the window kept its last frame");
        }
        return difference;
    }

    static bool ShowsFrame(const ShowFrame& frame, const Pixels& area, SIZE client) {
        if (frame.picture == 0) return false;
        const PictureView view = ViewOf(frame, client, PictureSize(frame.picture));
        return CompareView(area, view, show_e2e::Reference(frame.picture)).empty();
    }

    std::string Accepted(const char* outcome) const {
        seenOutcome = outcome;
        return "";
    }

    // Captures the window until every candidate matched one capture, or as
    // long as a late flush of the window may still change it: a candidate
    // stays when any capture matched it.
    bool Matches() {
        const RECT area = ClientAreaOnScreen(window);
        const SIZE client = ClientSize(window);
        for (Candidate& candidate : candidates) candidate.mismatch = "not looked at";
        bool any = false;
        bool all = false;
        for (int attempt = 0; !all && attempt < (any ? AGREEING_ATTEMPTS : CAPTURE_ATTEMPTS);
             ++attempt) {
            e2e::PumpMessages(attempt > 0 ? CAPTURE_RETRY_MS : 0);
            shot = Capture(area);
            all = true;
            for (Candidate& candidate : candidates) {
                if (!candidate.mismatch.empty())
                    candidate.mismatch = Judge(candidate, shot, client);
                any = any || candidate.mismatch.empty();
                all = all && candidate.mismatch.empty();
            }
        }
        return any;
    }

    bool InFaultWindow() const {
        for (const Candidate& candidate : candidates)
            if (candidate.BlackAllowed(run.session.ClockTick())) return true;
        return false;
    }

    // Compares the window with every candidate and keeps those it matches;
    // false (and a failure) when none is left.  Where the fault cost the
    // saver a frame, the next tick must draw it.
    bool Look() {
        bool matched = Matches();
        if (!matched && InFaultWindow()) {
            const std::string lost = candidates.front().mismatch;
            if (!Step(run.session.ClockTick() + 1)) return false;
            matched = Matches();
            if (matched)
                NoteOutcome("a frame lost, drawn at the next tick");
            else
                candidates.front().mismatch =
                    lost + "; and a tick later " + candidates.front().mismatch;
        }
        if (!matched) {
            run.Fail(AtTick(run.session.ClockTick()) + ": " + candidates.front().mismatch);
            return false;
        }
        lastLook = shot;
        std::vector<Candidate> kept;
        for (Candidate& candidate : candidates) {
            if (!candidate.mismatch.empty()) continue;
            candidate.looked = candidate.neverStarts ? ShowFrame() : candidate.model.Drawn();
            kept.push_back(candidate);
        }
        candidates = kept;
        NoteOutcome(candidates.front().outcome);
        return true;
    }

    // The documented outcomes a run saw, for its report.
    void NoteOutcome(const std::string& outcome) {
        for (const std::string& seen : {outcome, seenOutcome}) {
            if (!seen.empty() && run.note.find(seen) == std::string::npos)
                run.note += (run.note.empty() ? "" : "; ") + seen;
        }
        seenOutcome.clear();
    }

    // ---- Leak checks -------------------------------------------------------

    // At a steady picture that came once the fault was gone.
    void Measure() {
        const Candidate& lead = candidates.front();
        if (lead.neverStarts) return;
        const ShowFrame& frame = lead.model.Drawn();
        if (forked && frame.start < recoveredFrom) return;
        const std::string grown = leaks.Measure(frame.picture, run.saver, run.session);
        if (!grown.empty()) run.Fail(grown);
    }

    RunState& run;
    const bool preview;
    const bool windowed;
    HWND window = nullptr;
    DWORD guiThread = 0;
    int startPicture = 1;
    int intervalSeconds = 15;
    std::vector<Candidate> candidates;
    ShowModel planner{1, 15};  // the plain schedule, for a window that stays black
    std::vector<int> clickTicks;
    bool forked = false;
    int recoveredFrom = 0;
    LeakCheck leaks;
    Pixels shot;
    Pixels lastLook;
    mutable std::string seenOutcome;  // how the last look was accepted
};

}  // namespace

void RunShow(RunState& run) {
    ShowRun(run).Drive();
}
