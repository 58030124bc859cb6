#ifndef VELMOR_CONFIG_VERSION_TEXT_H
#define VELMOR_CONFIG_VERSION_TEXT_H

#include <windows.h>

// Shows the file version of executable `path` in control `controlId` of
// `dialog`, compacted ("1, 0, 0, 4" shows as "1.004").  1 when the version
// was shown; 0 when "????" was shown instead (no version resource, no
// translation entry, no FileVersion string in that language and code page).
int SetVersionText(const char* path, HWND dialog, int controlId);

// Compacts a version string into `output` (outputSize bytes, at least 1):
// blanks are dropped, the first comma becomes '.', later commas are
// dropped, everything else is copied.  Text that does not fit is cut; the
// output is always zero-terminated.
void CompactVersionText(const char* version, char* output, int outputSize);

#endif
