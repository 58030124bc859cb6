#ifndef VELMOR_TESTS_FAULTS_FAULT_SHARED_H
#define VELMOR_TESTS_FAULTS_FAULT_SHARED_H

// The block of shared memory between the fault library inside velmor.scr and
// the sweep driver: the saver's clock, which the driver sets, and what the
// library saw: calls, call sites, the faults it injected, the threads, GDI
// objects and heap memory the saver holds, and the first fatal exception.  The driver
// creates it and names it to the library in the environment:
//   VELMOR_FAULT_SHARED  the mapping's name
//   VELMOR_FAULTS        the faults to inject, see FaultPlan
//   VELMOR_FAULT_PASS    code ranges (offsets into velmor.scr, hex
//                        "begin-end,...") that a call site of the
//                        allocator is looked up past: the runtime's own
//                        operator new, so that a site names its caller.
//   VELMOR_FAULT_SPARE   code ranges (the same form) whose calls are
//                        neither counted nor failed: a coverage build's
//                        gcov runtime, which writes the counts at exit and
//                        is not the saver's code.

#include <windows.h>

#include "tests/faults/fault_functions.h"

const int FAULT_MAX_SITES = 64;
const int FAULT_MAX_RECORDS = 16;
// The saver's clock starts here (ms), far from 0 and from its wrap.
const LONG FAULT_CLOCK_START_MS = 1000000;

// One call site: the return address of the call as an offset into the
// executable image, and the function's call count at its first call.
struct FaultSite {
    DWORD offset;
    LONG firstCall;
    LONG calls;
};

struct FaultCounter {
    LONG calls;
    LONG failed;
    LONG siteCount;
    FaultSite sites[FAULT_MAX_SITES];
};

// A call that the library made fail.
struct FaultRecord {
    LONG function;
    LONG call;      // the function's call count
    DWORD site;     // offset of the call site
    LONG clockMs;   // the saver's clock then
    DWORD thread;   // the thread that made the call
    char note[24];  // for the profile functions: the key
};

struct FaultShared {
    LONG attached;  // imports redirected; 0 until the library has run
    LONG useClock;  // the clock below is the saver's
    volatile LONG clockMs;
    FaultCounter counters[FAULT_FUNCTION_COUNT];
    LONG recordCount;
    FaultRecord records[FAULT_MAX_RECORDS];
    volatile LONG liveThreads;     // started with CreateThread, not yet returned
    volatile LONG liveGdiObjects;  // made through the saver's imports, not deleted
    volatile LONG liveHeapBytes;   // local blocks and runtime blocks not freed
    LONG crashCode;                // first fatal exception, 0 for none
    DWORD crashOffset;             // its address in velmor.scr (offset), or 0
};

#endif
