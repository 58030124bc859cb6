#include <doctest/doctest.h>

#include <windows.h>

#include <atomic>
#include <cstring>
#include <memory>

#include "image/jpeg_image.h"
#include "show/loader_thread.h"
#include "tests/show/loader_event_log.h"

namespace {

// The three fields the loader shares with the GUI thread, and a thread that
// runs the loader over them.
struct LoaderFields {
    std::atomic<int> control{LOADER_GO};
    int pictureNumber = 1;
    std::unique_ptr<JpegImage> prepared;
};

DWORD WINAPI RunLoaderThread(LPVOID p) {
    LoaderFields* f = static_cast<LoaderFields*>(p);
    return static_cast<DWORD>(RunLoader(f->control, f->pictureNumber, f->prepared));
}

HANDLE StartLoader(LoaderFields& fields) {
    HANDLE thread = CreateThread(nullptr, 0, RunLoaderThread, &fields, 0, nullptr);
    REQUIRE(thread != nullptr);
    return thread;
}

// Returns the loader's result: 1 when it made a picture.
DWORD Finish(HANDLE thread, DWORD timeoutMs = 10000) {
    REQUIRE(WaitForSingleObject(thread, timeoutMs) == WAIT_OBJECT_0);
    DWORD code = 99;
    GetExitCodeThread(thread, &code);
    CloseHandle(thread);
    return code;
}

// The pixel bytes of a picture, for comparing two decodes.
std::vector<unsigned char> Pixels(JpegImage& image) {
    std::vector<unsigned char> bytes;
    HLOCAL block = image.PixelBlock();
    if (!block) return bytes;
    int n = image.ImageSize();
    const unsigned char* p = static_cast<const unsigned char*>(LocalLock(block));
    REQUIRE(p != nullptr);
    bytes.assign(p, p + n);
    LocalUnlock(block);
    return bytes;
}

std::vector<unsigned char> DecodeResource(int id) {
    JpegImage image;
    REQUIRE(image.LoadFromResource(id, nullptr) == 1);
    return Pixels(image);
}

}  // namespace

TEST_CASE("picture numbers map to their IMGDAT resources") {
    const int expected[13] = {0, 140, 142, 155, 144, 145, 146, 147, 148, 149, 150, 151, 152};
    for (int n = 1; n <= 12; ++n) {
        CAPTURE(n);
        CHECK(PictureResourceIds(n) == expected[n]);
    }
    CHECK(PictureResourceIds(0) == 0);
    CHECK(PictureResourceIds(13) == 0);
    CHECK(PictureResourceIds(-1) == 0);
}

TEST_CASE("a loader started with go decodes at once, without sleeping") {
    LoaderEventLog log;
    LoaderFields fields;
    fields.pictureNumber = 12;
    LONGLONG before = LoaderEventLog::Now();
    CHECK(Finish(StartLoader(fields)) == 1);
    REQUIRE(fields.prepared != nullptr);
    CHECK(log.Count(LOADER_EVENT_HOLD_POLL) == 0);
    CHECK(log.Count(LOADER_EVENT_DECODE_BEGIN) == 1);
    std::vector<LoggedEvent> events = log.Events();
    REQUIRE(events.size() == 2);
    CHECK(events[0].event == LOADER_EVENT_DECODE_BEGIN);
    CHECK(events[0].value == 12);
    CHECK(events[1].event == LOADER_EVENT_DECODE_END);
    // Well under one 100 ms poll from the start to the decode.
    CHECK(LoaderEventLog::Milliseconds(before, events[0].time) < 90.0);

    // Picture 12 is resource 152, the only 480 x 330 picture.
    CHECK(fields.prepared->Width() == 480);
    CHECK(fields.prepared->Height(true) == 330);
}

TEST_CASE("picture 3 is resource 155") {
    LoaderFields fields;
    fields.pictureNumber = 3;
    CHECK(Finish(StartLoader(fields)) == 1);
    REQUIRE(fields.prepared != nullptr);
    CHECK(fields.prepared->Width() == 360);
    CHECK(fields.prepared->Height(true) == 480);
    std::vector<unsigned char> loaded = Pixels(*fields.prepared);
    REQUIRE(!loaded.empty());
    CHECK(loaded == DecodeResource(155));
    CHECK(loaded != DecodeResource(142));
    CHECK(loaded != DecodeResource(144));
}

TEST_CASE("a holding loader polls every 100 ms and decodes within a poll of its release") {
    LoaderEventLog log;
    LoaderFields fields;
    fields.control = LOADER_HOLD;
    fields.pictureNumber = 1;
    HANDLE thread = StartLoader(fields);
    Sleep(350);
    CHECK(WaitForSingleObject(thread, 0) == WAIT_TIMEOUT);  // still holding
    CHECK(log.Count(LOADER_EVENT_DECODE_BEGIN) == 0);
    int polls = log.Count(LOADER_EVENT_HOLD_POLL);
    CHECK(polls >= 2);
    CHECK(polls <= 4);

    LONGLONG released = LoaderEventLog::Now();
    fields.control = LOADER_GO;
    CHECK(Finish(thread) == 1);
    REQUIRE(fields.prepared != nullptr);
    CHECK(fields.prepared->Width() == 360);
    std::vector<LoggedEvent> events = log.Events();
    LONGLONG decodeBegin = 0;
    for (const LoggedEvent& e : events)
        if (e.event == LOADER_EVENT_DECODE_BEGIN) decodeBegin = e.time;
    REQUIRE(decodeBegin != 0);
    CHECK(decodeBegin >= released);
    CHECK(LoaderEventLog::Milliseconds(released, decodeBegin) < 200.0);
}

TEST_CASE("go then quit within one poll ends the loader without a picture") {
    LoaderEventLog log;
    LoaderFields fields;
    fields.control = LOADER_HOLD;
    HANDLE thread = StartLoader(fields);
    Sleep(30);  // the loader is in its first sleep
    fields.control = LOADER_GO;
    fields.control = LOADER_QUIT;
    CHECK(Finish(thread) == 0);
    CHECK(fields.prepared == nullptr);
    CHECK(log.Count(LOADER_EVENT_QUIT) == 1);
    CHECK(log.Count(LOADER_EVENT_DECODE_BEGIN) == 0);
}

TEST_CASE("quit while holding ends at the next poll; any negative value means quit") {
    LoaderFields fields;
    fields.control = LOADER_HOLD;
    HANDLE thread = StartLoader(fields);
    Sleep(120);
    fields.control = -7;
    LONGLONG told = LoaderEventLog::Now();
    CHECK(Finish(thread) == 0);
    CHECK(LoaderEventLog::Milliseconds(told, LoaderEventLog::Now()) < 200.0);
    CHECK(fields.prepared == nullptr);
}

TEST_CASE("a number outside 1 to 12 leaves an empty picture") {
    LoaderFields fields;
    fields.pictureNumber = 13;
    CHECK(Finish(StartLoader(fields)) == 1);
    REQUIRE(fields.prepared != nullptr);
    CHECK(fields.prepared->Width() == 0);
    CHECK(fields.prepared->Height(true) == 0);
}
