#include "show/show_set.h"

#include <cstring>
#include <new>

#include "config/settings.h"

ShowSet::ShowSet()
    : hwnd(nullptr),
      savePictureNumber(1),
      primary(0),
      firstPaintPending(true),
      started(false),
      intervalTicks(0) {}

// The loader threads and the timer were stopped at WM_DESTROY; the shows
// free their pictures.
ShowSet::~ShowSet() {}

void ShowSet::Bind(HWND window) {
    hwnd = window;
    for (std::unique_ptr<SlideShow>& show : shows)
        if (show) show->hwnd = window;
}

SlideShow* ShowSet::Primary() const {
    return shows[primary].get();
}

SlideShow* ShowSet::At(int slot) const {
    return slot >= 0 && slot < MOST_SHOWS ? shows[slot].get() : nullptr;
}

int ShowSet::Count() const {
    int count = 0;
    for (const std::unique_ptr<SlideShow>& show : shows) count += show ? 1 : 0;
    return count;
}

int ShowSet::SetStages(const Stage* list, int count) {
    if (count > MOST_SHOWS) count = MOST_SHOWS;
    const int primaryPicture = Primary() ? Primary()->shownNumber : 0;

    // The shows whose monitors stay, and those whose monitors went.
    int slotOf[MOST_SHOWS];
    bool kept[MOST_SHOWS] = {};
    for (int i = 0; i < count; ++i) {
        slotOf[i] = MatchingSlot(list[i], kept);
        if (slotOf[i] >= 0) kept[slotOf[i]] = true;
    }
    for (int slot = 0; slot < MOST_SHOWS; ++slot)
        if (shows[slot] && !kept[slot]) StopAndFree(slot);

    bool added[MOST_SHOWS] = {};
    int newPrimary = -1;
    int made = 0;
    for (int i = 0; i < count; ++i) {
        int slot = slotOf[i];
        if (slot >= 0) {
            const bool moved = !EqualRect(&stages[slot].area, &list[i].area);
            stages[slot] = list[i];
            if (!list[i].wholeClient) shows[slot]->SetStage(list[i].area);
            if (moved && started) shows[slot]->Relayout();
        } else {
            slot = FreeSlot();
            if (slot < 0 || !MakeShow(slot, list[i])) continue;
            added[slot] = true;
        }
        if (list[i].primary && newPrimary < 0) newPrimary = slot;
        ++made;
    }
    if (newPrimary < 0) {
        // No stage says it is the primary one: the primary show stays, or
        // the first show there is takes its place.
        for (int slot = 0; slot < MOST_SHOWS && !shows[primary]; ++slot)
            if (shows[slot]) primary = slot;
    } else {
        primary = newPrimary;
    }
    sequence.SetPrimary(primary);

    if (started) {
        // A new monitor's show begins now, with a picture no other shows.
        const int now = TickDueAt(timer.Elapsed());
        const int from = primaryPicture != 0 ? primaryPicture : 1;
        for (int slot = 0; slot < MOST_SHOWS; ++slot)
            if (added[slot]) BeginShow(slot, SpreadPicture(slot, from), now);
        PlanTimer();
    }
    return made;
}

// The slot of the show whose stage is `stage`'s monitor: the same device
// name, or, where there is none, the same place.  -1 when there is none.
int ShowSet::MatchingSlot(const Stage& stage, const bool* kept) const {
    for (int slot = 0; slot < MOST_SHOWS; ++slot) {
        if (!shows[slot] || kept[slot]) continue;
        const Stage& old = stages[slot];
        bool same = stage.device[0] != '\0'
                        ? std::strcmp(old.device, stage.device) == 0
                        : old.device[0] == '\0' && EqualRect(&old.area, &stage.area) != 0;
        if (same) return slot;
    }
    return -1;
}

int ShowSet::FreeSlot() const {
    for (int slot = 0; slot < MOST_SHOWS; ++slot)
        if (!shows[slot]) return slot;
    return -1;
}

bool ShowSet::MakeShow(int slot, const Stage& stage) {
    shows[slot].reset(new (std::nothrow) SlideShow());
    SlideShow* show = shows[slot].get();
    if (!show) return false;
    show->hwnd = hwnd;
    show->sequence = &sequence;
    show->sequenceSlot = slot;
    if (!stage.wholeClient) show->SetStage(stage.area);
    stages[slot] = stage;
    return true;
}

void ShowSet::BeginShow(int slot, int preferredPicture, int atTick) {
    shows[slot]->Begin(sequence.First(slot, preferredPicture, atTick), intervalTicks, atTick);
}

void ShowSet::StopAndFree(int slot) {
    shows[slot]->StopShow();
    sequence.Leave(slot);
    shows[slot].reset();
    stages[slot] = Stage();
}

// The pictures the shows start with are spread evenly over the twelve from
// `from`, the primary show's, in the order of their slots.
int ShowSet::SpreadPicture(int slot, int from) const {
    int rank = 0;
    for (int other = 0; other < slot; ++other)
        if (shows[other] && other != primary) ++rank;
    if (slot != primary) ++rank;
    return PictureSequence::SpreadStart(from, rank, Count());
}

int ShowSet::OnFirstPaint() {
    if (firstPaintPending) {
        firstPaintPending = false;
        StartShow();
    }
    return 1;
}

int ShowSet::StartShow() {
    intervalTicks = ReadIntervalSeconds() * TICKS_PER_SECOND;
    const int first = ReadStartPicture();
    sequence.SetInterval(intervalTicks);
    sequence.SetPrimary(primary);
    // Without a timer no show begins and the window stays black.
    if (!timer.Start(hwnd)) return 1;
    started = true;
    // The primary show first, with the stored picture: the others keep
    // clear of its pictures.
    if (Primary()) Primary()->Begin(first, intervalTicks, 0);
    for (int slot = 0; slot < MOST_SHOWS; ++slot)
        if (shows[slot] && slot != primary) BeginShow(slot, SpreadPicture(slot, first), 0);
    PlanTimer();
    return 1;
}

int ShowSet::OnTimer() {
    if (!timer.Running()) return 0;
    const long long now = timer.Elapsed();
    int result = 0;
    for (int slot = 0; slot < MOST_SHOWS; ++slot) {
        if (!shows[slot]) continue;
        int ran = shows[slot]->RunDueTicks(now);
        if (slot == primary) result = ran;
    }
    PlanTimer();
    return result;
}

int ShowSet::OnClick() {
    SlideShow* show = Primary();
    if (!show || !timer.Running()) return 0;
    const long long now = timer.Elapsed();
    for (int slot = 0; slot < MOST_SHOWS; ++slot)
        if (shows[slot] && slot != primary) shows[slot]->RunDueTicks(now);
    int result = show->OnClick(now);
    PlanTimer();
    return result;
}

void ShowSet::OnPaint(const RECT& updated) {
    OnFirstPaint();
    for (const std::unique_ptr<SlideShow>& show : shows) {
        if (!show) continue;
        RECT area = show->Area();
        RECT common;
        if (IntersectRect(&common, &area, &updated)) show->RedrawAtNextTick();
    }
    PlanTimer();
}

int ShowSet::StopShow() {
    // A show that never swapped a picture in (closed before its first paint,
    // or without a timer) has none to save: the stored number stays.
    SlideShow* show = Primary();
    if (savePictureNumber && show && show->state.pictureShown) WriteStartPicture(show->shownNumber);
    timer.Stop();
    for (std::unique_ptr<SlideShow>& each : shows)
        if (each) each->StopShow();
    return 1;
}

// The timer wakes at the first change of any show.
void ShowSet::PlanTimer() {
    if (!timer.Running()) return;
    long long due = -1;
    for (const std::unique_ptr<SlideShow>& show : shows) {
        if (!show || !show->running) continue;
        long long at = show->NextChangeMs();
        if (due < 0 || at < due) due = at;
    }
    if (due >= 0) timer.WakeAt(due);
}
