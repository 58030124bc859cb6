#ifndef VELMOR_TESTS_E2E_CURSOR_PROBE_H
#define VELMOR_TESTS_E2E_CURSOR_PROBE_H

// Shared between the driver and its cursor-probe hook library.
#define CURSOR_PROBE_MESSAGE "velmor_e2e_probe_cursor"
#define CURSOR_PROBE_CLASS_KIND "velmor_e2e_class_cursor"
#define CURSOR_PROBE_SHOWN_KIND "velmor_e2e_shown_cursor"

enum CursorKind {
    CURSOR_KIND_UNKNOWN = -1,  // the probe could not look
    CURSOR_KIND_NONE = 0,      // no cursor
    CURSOR_KIND_ARROW = 1,     // the system arrow
    CURSOR_KIND_BLANK = 2,     // a cursor that draws nothing
    CURSOR_KIND_OTHER = 3
};

#endif
