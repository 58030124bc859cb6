#include <doctest/doctest.h>

#include <windows.h>
#include <atomic>
#include <cstdlib>
#include <new>
#include <string>

#include "config/config_dialog.h"
#include "config/settings.h"

// Nothrow allocations in this program fail while this is set.
static std::atomic<bool> failNothrowAllocations(false);

void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    if (failNothrowAllocations.load()) {
        return nullptr;
    }
    return std::malloc(size == 0 ? 1 : size);
}

void operator delete(void* block, const std::nothrow_t&) noexcept {
    std::free(block);
}

namespace {

std::atomic<bool> watchdogFired(false);

// Ends a dialog that failed to end itself, so that the test fails instead
// of hanging.
DWORD WINAPI Watchdog(LPVOID threadId) {
    Sleep(10000);
    watchdogFired = true;
    PostThreadMessageA(static_cast<DWORD>(reinterpret_cast<UINT_PTR>(threadId)), WM_QUIT, 0, 0);
    return 0;
}

// A minimal dialog template: caption only, no controls, DWORD-aligned.
struct EmptyDialogTemplate {
    DLGTEMPLATE header;
    WORD menu;
    WORD windowClass;
    WORD title;
};

}  // namespace

TEST_CASE("a dialog whose state cannot be allocated ends at once and saves nothing") {
    char iniName[64];
    REQUIRE(GetIniFileName(iniName, 64) == 1);
    char directory[MAX_PATH];
    GetWindowsDirectoryA(directory, MAX_PATH);
    std::string iniPath = std::string(directory) + "\\" + iniName;
    DeleteFileA(iniPath.c_str());

    EmptyDialogTemplate dialogTemplate = {};
    dialogTemplate.header.style = WS_POPUP | WS_CAPTION | DS_MODALFRAME;
    dialogTemplate.header.cx = 100;
    dialogTemplate.header.cy = 50;

    HANDLE watchdog = CreateThread(
        nullptr, 0, Watchdog, reinterpret_cast<LPVOID>(static_cast<UINT_PTR>(GetCurrentThreadId())),
        0, nullptr);
    REQUIRE(watchdog != nullptr);

    failNothrowAllocations = true;
    INT_PTR result = DialogBoxIndirectParamA(GetModuleHandleA(nullptr), &dialogTemplate.header,
                                             nullptr, ConfigDialogProc, 0);
    failNothrowAllocations = false;

    CHECK_FALSE(watchdogFired.load());
    CHECK(result == 0);
    CHECK(GetFileAttributesA(iniPath.c_str()) == INVALID_FILE_ATTRIBUTES);

    TerminateThread(watchdog, 0);
    CloseHandle(watchdog);
}
