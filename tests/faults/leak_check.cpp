#include "tests/faults/leak_check.h"

#include <cstdio>

#include "tests/e2e/show_support/process_usage.h"

namespace {

const int LAST_MEASURABLE = 8;
// Heap bytes two measures may differ by (no picture is that small).
const LONG HEAP_TOLERANCE = 4096;
// The loader thread decodes the next picture once the one on screen has
// faded in; a measure waits for it to end, or, where a loader holds and
// its picture is not to be made, for the heap to be still that long.
const DWORD LOADER_IDLE_MS = 3000;
const DWORD HEAP_STILL_MS = 300;

void WaitForLoader(const FaultSession& session) {
    const DWORD start = GetTickCount();
    DWORD stillSince = start;
    LONG heapBytes = session.Seen().liveHeapBytes;
    while (session.Seen().liveThreads > 0 && GetTickCount() - start < LOADER_IDLE_MS &&
           GetTickCount() - stillSince < HEAP_STILL_MS) {
        Sleep(5);
        if (session.Seen().liveHeapBytes != heapBytes) {
            heapBytes = session.Seen().liveHeapBytes;
            stillSince = GetTickCount();
        }
    }
}

}  // namespace

void LeakCheck::Restart() {
    first = Usage();
    second = Usage();
}

std::string LeakCheck::Measure(int picture, e2e::SaverProcess& saver, const FaultSession& session) {
    const bool isFirst = !first.taken && picture >= 1 && picture <= LAST_MEASURABLE - 2;
    const bool isSecond = first.taken && !second.taken && picture == first.picture + 2;
    if (!isFirst && !isSecond) return "";
    WaitForLoader(session);
    Usage usage;
    usage.taken = true;
    usage.picture = picture;
    usage.handles = CountProcessHandles(saver.Id());
    usage.gdiObjects = session.Seen().liveGdiObjects;
    usage.heapBytes = session.Seen().liveHeapBytes;
    if (usage.handles < 0) return "could not read the saver's handles";
    (isFirst ? first : second) = usage;
    return isSecond ? Compare() : "";
}

std::string LeakCheck::Compare() const {
    char text[320];
    int length = std::snprintf(text, sizeof text, "between pictures %d and %d:", first.picture,
                               second.picture);
    const int start = length;
    if (second.handles > first.handles)
        length +=
            std::snprintf(text + length, sizeof text - length,
                          " kernel handles grew from %d to %d;", first.handles, second.handles);
    if (second.gdiObjects > first.gdiObjects)
        length += std::snprintf(text + length, sizeof text - length,
                                " GDI objects held grew from %ld to %ld;", first.gdiObjects,
                                second.gdiObjects);
    if (second.heapBytes > first.heapBytes + HEAP_TOLERANCE)
        length += std::snprintf(text + length, sizeof text - length,
                                " heap memory held grew from %ld to %ld bytes;", first.heapBytes,
                                second.heapBytes);
    return length == start ? "" : std::string(text, static_cast<size_t>(length - 1));
}
