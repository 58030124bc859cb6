#ifndef VELMOR_APP_MONITORS_H
#define VELMOR_APP_MONITORS_H

#include <windows.h>

#include "show/show_set.h"

// The monitors as the system reports them now, as the stages of a window
// whose client area begins at `origin` on the screen: each monitor's
// rectangle in client coordinates, its device name, and which is the
// primary one.  At most `most` of them go into `list`; the number listed,
// 0 when the system reports none.
int MonitorStages(POINT origin, Stage* list, int most);

#endif
