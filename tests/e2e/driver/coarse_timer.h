#ifndef VELMOR_TESTS_E2E_COARSE_TIMER_H
#define VELMOR_TESTS_E2E_COARSE_TIMER_H

// Shared between the driver and the hook library's coarse timer.
#define COARSE_TIMER_MESSAGE "velmor_e2e_coarse_timer"
#define COARSE_TIMER_DONE "velmor_e2e_coarse_timer_done"

#endif
