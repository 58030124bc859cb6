#include "tests/faults/fault_injector.h"

#include "tests/faults/call_sites.h"

namespace {

const int MAX_FAULTS = 8;

struct ArmedFault {
    PlannedFault plan;
    bool fired = false;
};

FaultShared* shared = nullptr;
ArmedFault armed[MAX_FAULTS];
int armedCount = 0;
CRITICAL_SECTION lock;

// Counts a call from `site`; the number of calls from it so far, or 0 when
// the table has no room for a new site.
LONG CountSite(FaultCounter& counter, DWORD site, LONG call) {
    for (LONG i = 0; i < counter.siteCount; ++i) {
        if (counter.sites[i].offset == site) return ++counter.sites[i].calls;
    }
    if (counter.siteCount == FAULT_MAX_SITES) return 0;
    FaultSite& added = counter.sites[counter.siteCount++];
    added.offset = site;
    added.firstCall = call;
    added.calls = 1;
    return 1;
}

bool Fires(ArmedFault& fault, DWORD site, LONG call, LONG siteCall) {
    if (fault.fired) return fault.plan.persistent;
    const LONG count = fault.plan.site == 0 ? call : (site == fault.plan.site ? siteCall : 0);
    fault.fired = count == fault.plan.call;
    return fault.fired;
}

void Record(int function, LONG call, DWORD site, const char* note) {
    if (shared->recordCount == FAULT_MAX_RECORDS) return;
    FaultRecord& record = shared->records[shared->recordCount++];
    record.function = function;
    record.call = call;
    record.site = site;
    record.clockMs = shared->clockMs;
    record.thread = GetCurrentThreadId();
    if (note) lstrcpynA(record.note, note, sizeof record.note);
}

}  // namespace

void InitInjector(FaultShared* block, const std::vector<PlannedFault>& plan) {
    InitializeCriticalSection(&lock);
    shared = block;
    for (const PlannedFault& fault : plan) {
        if (armedCount == MAX_FAULTS) break;
        armed[armedCount++].plan = fault;
    }
}

bool Injects(int function, DWORD site, const char* note) {
    if (Spared(site)) return false;
    EnterCriticalSection(&lock);
    FaultCounter& counter = shared->counters[function];
    const LONG call = ++counter.calls;
    const LONG siteCall = CountSite(counter, site, call);
    bool fails = false;
    for (int i = 0; i < armedCount; ++i) {
        if (armed[i].plan.function == function && Fires(armed[i], site, call, siteCall))
            fails = true;
    }
    if (fails) {
        ++counter.failed;
        Record(function, call, site, note);
    }
    LeaveCriticalSection(&lock);
    return fails;
}
