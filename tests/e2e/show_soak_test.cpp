// Hundreds of rapid clicks in the windowed slide show: each one swaps a
// picture in and starts a loader thread.  Nothing may crash or leak.

#include <doctest/doctest.h>

#include <windows.h>

#include "tests/e2e/driver/saver_driver.h"
#include "tests/e2e/show_support/process_usage.h"
#include "tests/e2e/show_support/session.h"

using namespace show_e2e;

namespace {

void Click(HWND window) {
    e2e::SendWithTimeout(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(30, 30), 10000);
}

}  // namespace

TEST_CASE("hundreds of rapid clicks: no crash, handles and memory stay flat") {
    StoreSettings(nullptr, nullptr);
    e2e::SaverProcess saver;
    REQUIRE(saver.Start(""));
    HWND window = e2e::WaitForTopLevelWindow(saver.Id(), "velmor_CN", START_TIMEOUT_MS);
    REQUIRE(window != nullptr);
    Wait(300);

    for (int i = 0; i < 48; ++i)  // every picture several times over
        Click(window);
    Wait(300);
    int handlesBefore = CountProcessHandles(saver.Id());
    SIZE_T memoryBefore = CommittedBytes(saver.Handle());
    REQUIRE(handlesBefore > 0);
    REQUIRE(memoryBefore > 0);

    double start = NowMs();
    for (int i = 0; i < 240; ++i) Click(window);
    // And a burst of posted clicks that queue up behind one another.
    for (int i = 0; i < 60; ++i) e2e::PostButtonClick(window, WM_LBUTTONDOWN, 30, 30);
    e2e::SendWithTimeout(window, WM_NULL, 0, 0);
    Wait(8000);
    double clicksMs = NowMs() - start;

    REQUIRE(saver.IsRunning());
    int handlesAfter = CountProcessHandles(saver.Id());
    SIZE_T memoryAfter = CommittedBytes(saver.Handle());
    MESSAGE("300 clicks in " << clicksMs << " ms; handles " << handlesBefore << " -> "
                             << handlesAfter << "; private bytes " << memoryBefore << " -> "
                             << memoryAfter << "; GDI objects (GetGuiResources) "
                             << GetGuiResources(saver.Handle(), GR_GDIOBJECTS));
    CHECK(handlesAfter <= handlesBefore + 2);
    // One leaked picture or DIB section per click would be over 100 MB.
    CHECK(memoryAfter < memoryBefore + 4 * 1024 * 1024);

    PostMessageA(window, WM_CLOSE, 0, 0);
    DWORD code = 99;
    REQUIRE(saver.WaitForExit(EXIT_TIMEOUT_MS, &code));
    CHECK(code == 0);
}
