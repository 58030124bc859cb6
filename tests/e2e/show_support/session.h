#ifndef VELMOR_TESTS_E2E_SHOW_SUPPORT_SESSION_H
#define VELMOR_TESTS_E2E_SHOW_SUPPORT_SESSION_H

// Settings and timing helpers shared by the slide show's end-to-end tests.

#include <windows.h>

#include <string>

#include "tests/e2e/show_support/pictures.h"

namespace show_e2e {

const DWORD START_TIMEOUT_MS = 15000;
const DWORD EXIT_TIMEOUT_MS = 15000;
const int TICK_MS = 66;

// IMGDAT ids of the pictures by number, as the saver maps them.
int ResourceOf(int pictureNumber);

// Replaces the settings file: "Image"/"NO" and the interval, each left out
// when null.
void StoreSettings(const char* startPicture, const char* intervalSeconds);
// The "NO" value text stored in the settings file; "" when there is none.
std::string StoredStartPicture();

// The reference picture (decoded from velmor.scr) of a picture number.
const Pixels& Reference(int pictureNumber);

// Milliseconds since an arbitrary start, with sub-millisecond resolution.
double NowMs();

// Pumps this thread's messages for `ms` milliseconds.
void Wait(DWORD ms);

}  // namespace show_e2e

#endif
