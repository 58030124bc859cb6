#ifndef VELMOR_SHOW_SHOW_SET_H
#define VELMOR_SHOW_SHOW_SET_H

#include <windows.h>

#include <memory>

#include "show/picture_sequence.h"
#include "show/show_timer.h"
#include "show/slide_show.h"

// Where one show of a window goes: a monitor of the full-screen window, or
// the whole client area of the preview and windowed ones.
struct Stage {
    RECT area = {0, 0, 0, 0};  // client coordinates
    char device[32] = {};      // the monitor's device name; "" for none
    bool primary = false;      // the primary monitor, or the only stage
    bool wholeClient = false;  // the whole client area, whatever its size
};

// The slide shows of one window: one in its whole client area (preview,
// windowed), or one on each monitor (full screen).  They follow one clock
// and wake on one timer, and take their pictures from one PictureSequence,
// which keeps any two from showing the same picture.  The primary show is
// the show a single screen has always had: it starts with the stored
// picture, walks the pictures in order, and the picture it shows at close
// is stored.  The window's message handlers call in here, all on the GUI
// thread.
class ShowSet {
public:
    static const int MOST_SHOWS = PictureSequence::MOST_SHOWS;

    ShowSet();
    ~ShowSet();

    // One show on each stage, in order (at most MOST_SHOWS).  Before the
    // start these are the shows to start; afterwards the shows follow a
    // display change: a show whose monitor stays (the same device, or the
    // same place where there is no device name) goes on where it is, laid
    // out again if its monitor moved or changed size; a new monitor gets a
    // new show; a show whose monitor went is stopped and freed.  The number
    // of stages with a show; a stage whose show cannot be made stays black.
    int SetStages(const Stage* list, int count);
    // The window the shows draw in, once it exists (at WM_CREATE).
    void Bind(HWND window);

    int OnFirstPaint();  // starts the shows at the window's first WM_PAINT
    int StartShow();     // reads the settings, starts the timer and the shows
    // A timer message: every show runs the ticks that have fallen due, and
    // the timer is set for the next change of any show.
    int OnTimer();
    // A left click (preview, windowed): the primary show moves on.
    int OnClick();
    // A paint erased `updated` (client coordinates) to black: the shows
    // there draw their pictures again at their next tick.
    void OnPaint(const RECT& updated);
    // Stores the primary show's picture (unless savePictureNumber is 0),
    // stops the timer and ends every loader thread.
    int StopShow();

    SlideShow* Primary() const;
    SlideShow* At(int slot) const;  // null where there is no show
    int Count() const;

    HWND hwnd;
    int savePictureNumber;  // cleared for the preview
    ShowTimer timer;
    PictureSequence sequence;

    ShowSet(const ShowSet&) = delete;
    ShowSet& operator=(const ShowSet&) = delete;

private:
    int MatchingSlot(const Stage& stage, const bool* kept) const;
    int FreeSlot() const;
    bool MakeShow(int slot, const Stage& stage);
    void BeginShow(int slot, int preferredPicture, int atTick);
    void StopAndFree(int slot);
    int SpreadPicture(int slot, int from) const;
    void PlanTimer();

    std::unique_ptr<SlideShow> shows[MOST_SHOWS];
    Stage stages[MOST_SHOWS];
    int primary;
    bool firstPaintPending;
    bool started;
    int intervalTicks;
};

#endif
