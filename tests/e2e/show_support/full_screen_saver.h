#ifndef VELMOR_TESTS_E2E_SHOW_SUPPORT_FULL_SCREEN_SAVER_H
#define VELMOR_TESTS_E2E_SHOW_SUPPORT_FULL_SCREEN_SAVER_H

#include <doctest/doctest.h>

#include <windows.h>

#include "tests/e2e/driver/saver_driver.h"
#include "tests/e2e/show_support/session.h"

namespace show_e2e {

// A running full-screen saver, closed with a key press at the end.
class FullScreenSaver {
public:
    FullScreenSaver() {
        startMs = NowMs();
        REQUIRE(process.Start("/s"));
        window =
            e2e::WaitForTopLevelWindow(process.Id(), "WindowScreenSaverClass", START_TIMEOUT_MS);
        REQUIRE(window != nullptr);
        shownMs = NowMs();
    }

    // Ends the saver with a key, as a user does; its exit code.
    DWORD CloseWithKey() {
        e2e::PostKey(window, VK_SHIFT);
        DWORD code = 99;
        REQUIRE(process.WaitForExit(EXIT_TIMEOUT_MS, &code));
        return code;
    }

    double SinceShown() const { return NowMs() - shownMs; }

    // Waits until the window has been seen for `ms`.
    void WaitUntilShownFor(double ms) const {
        double left = ms - SinceShown();
        if (left > 0) Wait(static_cast<DWORD>(left));
    }

    e2e::SaverProcess process;
    HWND window = nullptr;
    double startMs = 0;
    double shownMs = 0;
};

}  // namespace show_e2e

#endif
