#ifndef VELMOR_TESTS_FAULTS_CALL_SITES_H
#define VELMOR_TESTS_FAULTS_CALL_SITES_H

// Call sites of the saver's calls into the functions the fault library
// watches, as offsets into the executable image: the same in every run.

#include <windows.h>

// Takes the executable's image (its code sections), the code ranges that
// an allocator call is looked up past and the ranges whose calls are spared
// ("begin-end,..." in hex offsets; null for none).
void InitCallSites(HMODULE executable, const char* passRanges, const char* spareRanges);

// Whether a call from `site` is one that no fault may strike.
bool Spared(DWORD site);

// The offset of a return address into the executable; 0 when it lies
// outside it.
DWORD SiteOf(const void* returnAddress);

// The site of an allocator call: the runtime's operator new makes every
// `new` call malloc from one place, so the stack above the call is searched
// for the first return address into the executable's code that lies outside
// the pass ranges.  `slot` is where the call's own return address lies on
// the stack.  Without one, the call's own site.
DWORD AllocatorSiteOf(const void* returnAddress, void* const* slot);

#endif
