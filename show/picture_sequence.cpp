#include "show/picture_sequence.h"

#include "res/resource.h"
#include "show/schedule.h"

namespace {

// A picture of a booking is on screen at some tick of [from, until).
template <typename Booking>
bool Overlaps(const Booking& booking, int picture, long long from, long long until) {
    return booking.picture == picture && booking.from < until && from < booking.until;
}

}  // namespace

PictureSequence::PictureSequence() : primary(0), intervalTicks(0) {}

void PictureSequence::SetInterval(int ticks) {
    intervalTicks = ticks;
}

void PictureSequence::SetPrimary(int show) {
    if (show >= 0 && show < MOST_SHOWS) primary = show;
}

PictureSequence::Booking PictureSequence::BookingOf(int picture, long long from) const {
    Booking booking;
    booking.picture = picture;
    booking.from = from;
    booking.until = from + PictureTicks(picture, intervalTicks);
    return booking;
}

// The primary show's pictures from its current one on, in order, as far as
// `until`.
bool PictureSequence::PrimaryShows(int picture, long long from, long long until) const {
    const Plan& plan = plans[primary];
    if (Overlaps(plan.current, picture, from, until)) return true;
    if (plan.next.picture == 0) return false;
    for (Booking later = plan.next; later.from < until && later.from < later.until;
         later = BookingOf(NextPictureNumber(later.picture), later.until)) {
        if (Overlaps(later, picture, from, until)) return true;
    }
    return false;
}

// Whether show `show` may put `picture` on screen from tick `from` for as
// long as it stays.
bool PictureSequence::IsFree(int show, int picture, long long from) const {
    const long long until = from + PictureTicks(picture, intervalTicks);
    for (int other = 0; other < MOST_SHOWS; ++other) {
        if (other == show) continue;
        if (other == primary) {
            if (PrimaryShows(picture, from, until)) return false;
        } else if (Overlaps(plans[other].current, picture, from, until) ||
                   Overlaps(plans[other].next, picture, from, until)) {
            return false;
        }
    }
    return true;
}

// The first of `count` pictures in order from `from` that is free at `at`;
// `otherwise` when none is.
int PictureSequence::FirstFree(int show, int from, int count, long long at, int otherwise) const {
    int picture = from;
    for (int i = 0; i < count; ++i) {
        if (IsFree(show, picture, at)) return picture;
        picture = NextPictureNumber(picture);
    }
    return otherwise;
}

int PictureSequence::First(int show, int preferred, long long at) const {
    return FirstFree(show, preferred, PICTURE_COUNT, at, preferred);
}

int PictureSequence::Confirm(int show, int coming, long long at) const {
    if (show == primary || IsFree(show, coming, at)) return coming;
    return FirstFree(show, coming, PICTURE_COUNT, at, coming);
}

int PictureSequence::Next(int show, int shown, long long at) {
    if (show < 0 || show >= MOST_SHOWS) return NextPictureNumber(shown);
    Plan& plan = plans[show];
    plan.current = BookingOf(shown, at);
    const int inOrder = NextPictureNumber(shown);
    int next = inOrder;
    if (show != primary)  // any picture but the one it shows now
        next = FirstFree(show, inOrder, PICTURE_COUNT - 1, plan.current.until, inOrder);
    plan.next = BookingOf(next, plan.current.until);
    return next;
}

int PictureSequence::SpreadStart(int from, int rank, int count) {
    if (count <= 0) return from;
    return (from - 1 + PICTURE_COUNT * rank / count) % PICTURE_COUNT + 1;
}

void PictureSequence::Leave(int show) {
    if (show >= 0 && show < MOST_SHOWS) plans[show] = Plan();
}
