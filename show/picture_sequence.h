#ifndef VELMOR_SHOW_PICTURE_SEQUENCE_H
#define VELMOR_SHOW_PICTURE_SEQUENCE_H

// Which picture each of a window's slide shows puts on screen next.  The
// primary show (the primary monitor's, or a window's only one) walks the
// pictures in order, 1 to 12 and round again, as a single show always has.
// Every other show walks them in order too, but passes over a picture that
// another show has on screen, or has coming, at any time while it would
// show it; the primary's later pictures count too, as its order is known.
// So no two monitors show the same picture at the same time while there
// are pictures enough (six monitors at least); where none is free, a show
// takes the next picture in order anyway.
//
// Times are the shows' common ticks; each picture stays PictureTicks.
class PictureSequence {
public:
    static const int MOST_SHOWS = 16;

    PictureSequence();
    void SetInterval(int intervalTicks);
    void SetPrimary(int show);
    int Primary() const { return primary; }

    // The picture that show `show` (0..MOST_SHOWS-1), starting at tick `at`,
    // begins with: the first free one from `preferred` on.  (The primary
    // show starts with the stored picture, whatever the others show.)
    int First(int show, int preferred, long long at) const;
    // Show `show` is about to put picture `coming`, chosen before, on
    // screen at tick `at`.  Where the other shows have since come to need
    // it then (where none was free when it was chosen), the first free
    // picture from it on instead, which the show then loads at once;
    // otherwise `coming`.  The primary show keeps its order.
    int Confirm(int show, int coming, long long at) const;
    // Show `show` has put picture `shown` on screen at tick `at`: notes it
    // there until it goes, and chooses the one that follows it.
    int Next(int show, int shown, long long at);
    // The show has stopped: its pictures are free.
    void Leave(int show);

    // Where the `rank`-th of `count` shows starts looking for its first
    // picture (rank 0 is the primary, with picture `from`): the shows'
    // pictures spread evenly over the twelve.
    static int SpreadStart(int from, int rank, int count);

private:
    struct Booking {
        int picture = 0;  // 0: none
        long long from = 0;
        long long until = 0;  // the tick it goes
    };
    struct Plan {
        Booking current;
        Booking next;
    };

    Booking BookingOf(int picture, long long from) const;
    bool PrimaryShows(int picture, long long from, long long until) const;
    bool IsFree(int show, int picture, long long from) const;
    int FirstFree(int show, int from, int count, long long at, int otherwise) const;

    Plan plans[MOST_SHOWS];
    int primary;
    int intervalTicks;
};

#endif
