#include <doctest/doctest.h>

#include <set>
#include <vector>

#include "show/picture_sequence.h"
#include "show/schedule.h"

namespace {

// The shows of a full-screen window on `monitors` monitors as their
// pictures come and go: each picture stays PictureTicks, then the next one
// the sequence chose (and confirms) comes in.  Show 0 is the primary, started with
// `stored`; the others start where the window's shows do.
class MonitorRun {
public:
    MonitorRun(int monitors, int stored, int intervalSeconds)
        : shows(monitors), interval(intervalSeconds * TICKS_PER_SECOND) {
        sequence.SetInterval(interval);
        sequence.SetPrimary(0);
        for (int show = 0; show < monitors; ++show) {
            int first =
                show == 0
                    ? stored
                    : sequence.First(show, PictureSequence::SpreadStart(stored, show, monitors), 0);
            Begin(show, first, 0);
        }
    }

    // Runs to tick `end`; false at the first tick where two monitors show
    // the same picture.
    bool RunUntil(long long end) {
        while (true) {
            long long next = end;
            for (const Show& s : shows) next = s.until < next ? s.until : next;
            if (next >= end) return true;
            for (size_t show = 0; show < shows.size(); ++show)
                if (shows[show].until == next)
                    Begin(static_cast<int>(show), shows[show].next, next);
            if (!AllDifferent()) return false;
        }
    }

    struct Show {
        int picture = 0;
        int next = 0;
        long long until = 0;
        std::vector<int> seen;
    };
    std::vector<Show> shows;

private:
    void Begin(int show, int picture, long long at) {
        Show& s = shows[show];
        s.picture = sequence.Confirm(show, picture, at);
        s.until = at + PictureTicks(s.picture, interval);
        s.next = sequence.Next(show, s.picture, at);
        s.seen.push_back(s.picture);
    }

    bool AllDifferent() const {
        std::set<int> on;
        for (const Show& s : shows) on.insert(s.picture);
        return on.size() == shows.size();
    }

    PictureSequence sequence;
    int interval;
};

// The ticks of one round of twelve pictures.
long long RoundTicks(int intervalSeconds) {
    long long ticks = 0;
    for (int picture = 1; picture <= 12; ++picture)
        ticks += PictureTicks(picture, intervalSeconds * TICKS_PER_SECOND);
    return ticks;
}

}  // namespace

TEST_CASE("the primary monitor's show walks the pictures in order from the stored one") {
    MonitorRun run(3, 11, 30);
    REQUIRE(run.RunUntil(3 * RoundTicks(30)));
    const std::vector<int>& seen = run.shows[0].seen;
    REQUIRE(seen.size() >= 36);
    for (size_t i = 0; i < seen.size(); ++i) CHECK(seen[i] == static_cast<int>((10 + i) % 12 + 1));
}

TEST_CASE("up to six monitors never show the same picture at once, and every picture comes") {
    const int intervals[] = {15, 16, 20, 30, 37, 38, 45, 60, 300};
    for (int monitors = 2; monitors <= 6; ++monitors) {
        for (int seconds : intervals) {
            for (int stored = 1; stored <= 12; ++stored) {
                CAPTURE(monitors);
                CAPTURE(seconds);
                CAPTURE(stored);
                MonitorRun run(monitors, stored, seconds);
                const long long round = RoundTicks(seconds);
                REQUIRE(run.RunUntil(4 * round));
                // Over the last round every picture was on some monitor.
                std::set<int> pictures;
                for (const MonitorRun::Show& s : run.shows)
                    for (size_t i = s.seen.size() > 12 ? s.seen.size() - 12 : 0; i < s.seen.size();
                         ++i)
                        pictures.insert(s.seen[i]);
                CHECK(pictures.size() == 12);
            }
        }
    }
}

TEST_CASE("two or three monitors each show every picture in a round") {
    for (int monitors = 2; monitors <= 3; ++monitors) {
        for (int seconds : {15, 30, 60}) {
            CAPTURE(monitors);
            CAPTURE(seconds);
            MonitorRun run(monitors, 1, seconds);
            REQUIRE(run.RunUntil(2 * RoundTicks(seconds)));
            for (const MonitorRun::Show& s : run.shows) {
                std::set<int> pictures(s.seen.begin(), s.seen.begin() + 12);
                CHECK(pictures.size() == 12);
            }
        }
    }
}

TEST_CASE("more monitors than pictures can keep apart: repeats, and the sequence goes on") {
    MonitorRun run(8, 1, 30);
    run.RunUntil(2 * RoundTicks(30));  // two monitors may share a picture now
    for (const MonitorRun::Show& s : run.shows) {
        CHECK(s.seen.size() >= 12);
        for (int picture : s.seen) CHECK((picture >= 1 && picture <= 12));
    }
}

TEST_CASE("a show number outside the set is never used as an index") {
    PictureSequence sequence;
    sequence.SetInterval(30 * TICKS_PER_SECOND);
    const int outside[] = {-1, PictureSequence::MOST_SHOWS};
    for (int show : outside) {
        sequence.SetPrimary(show);
        CHECK(sequence.Primary() == 0);
        CHECK(sequence.Next(show, 4, 0) == 5);  // plain order, nothing noted
        CHECK(sequence.Next(show, 12, 0) == 1);
        sequence.Leave(show);
    }
    CHECK(PictureSequence::SpreadStart(3, 0, 0) == 3);
}
