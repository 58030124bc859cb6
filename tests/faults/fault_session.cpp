#include "tests/faults/fault_session.h"

#include <cstdio>

#ifndef VELMOR_FAULTS_UNIX_PATH
#error "VELMOR_FAULTS_UNIX_PATH must name the built fault library"
#endif

namespace {

const LONG TICK_MS = 66;

}  // namespace

std::string FaultLibraryPath() {
    return e2e::WindowsPathOf(VELMOR_FAULTS_UNIX_PATH);
}

FaultSession::FaultSession(const std::vector<PlannedFault>& plan, const std::string& passRanges,
                           const std::string& spareRanges) {
    static int sessions = 0;
    char name[64];
    std::snprintf(name, sizeof name, "velmor_faults_%lu_%d",
                  static_cast<unsigned long>(GetCurrentProcessId()), ++sessions);
    mapping = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                 sizeof(FaultShared), name);
    if (mapping)
        shared = static_cast<FaultShared*>(
            MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, sizeof(FaultShared)));
    static FaultShared none;
    if (!shared) {
        shared = &none;  // Start fails: the library finds no block
        return;
    }
    ZeroMemory(shared, sizeof *shared);
    shared->useClock = 1;
    shared->clockMs = FAULT_CLOCK_START_MS;
    SetEnvironmentVariableA("VELMOR_FAULT_SHARED", name);
    SetEnvironmentVariableA("VELMOR_FAULTS", FormatFaultPlan(plan).c_str());
    SetEnvironmentVariableA("VELMOR_FAULT_PASS", passRanges.c_str());
    SetEnvironmentVariableA("VELMOR_FAULT_SPARE", spareRanges.c_str());
}

FaultSession::~FaultSession() {
    SetEnvironmentVariableA("VELMOR_FAULT_SHARED", nullptr);
    SetEnvironmentVariableA("VELMOR_FAULTS", nullptr);
    SetEnvironmentVariableA("VELMOR_FAULT_PASS", nullptr);
    SetEnvironmentVariableA("VELMOR_FAULT_SPARE", nullptr);
    if (mapping) {
        UnmapViewOfFile(shared);
        CloseHandle(mapping);
    }
}

bool FaultSession::Start(e2e::SaverProcess& saver, const std::string& arguments) {
    if (!mapping || !saver.StartWithLibrary(arguments, FaultLibraryPath())) return false;
    if (shared->attached > 0) return true;
    saver.Terminate();
    return false;
}

void FaultSession::SetClockTick(int tick) {
    clockTick = tick;
    InterlockedExchange(&shared->clockMs, FAULT_CLOCK_START_MS + tick * TICK_MS);
}

int FaultSession::TickAt(LONG clockMs) {
    return static_cast<int>((clockMs - FAULT_CLOCK_START_MS) / TICK_MS);
}
