#include "app/monitors.h"

#include <cstring>

namespace {

struct MonitorList {
    POINT origin;
    Stage* list;
    int most;
    int count;
};

BOOL CALLBACK AddMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM data) {
    MonitorList& monitors = *reinterpret_cast<MonitorList*>(data);
    if (monitors.count >= monitors.most) return FALSE;
    MONITORINFOEXA info;
    std::memset(&info, 0, sizeof info);
    info.cbSize = sizeof info;
    if (!GetMonitorInfoA(monitor, &info)) return TRUE;
    Stage& stage = monitors.list[monitors.count++];
    stage = Stage();
    stage.area = info.rcMonitor;
    OffsetRect(&stage.area, -monitors.origin.x, -monitors.origin.y);
    static_assert(sizeof stage.device >= sizeof info.szDevice, "a device name fits");
    std::memcpy(stage.device, info.szDevice, sizeof info.szDevice);
    stage.device[sizeof stage.device - 1] = '\0';
    stage.primary = (info.dwFlags & MONITORINFOF_PRIMARY) != 0;
    return TRUE;
}

}  // namespace

int MonitorStages(POINT origin, Stage* list, int most) {
    MonitorList monitors = {origin, list, most, 0};
    // A failed enumeration leaves what it listed, which may be nothing.
    if (most > 0)
        EnumDisplayMonitors(nullptr, nullptr, AddMonitor, reinterpret_cast<LPARAM>(&monitors));
    return monitors.count;
}
