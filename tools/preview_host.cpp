// preview_host: runs velmor's preview for tools/screenshots.sh.
//   preview_host.exe SAVER.scr SECONDS
// Started inside a Wine virtual desktop of the display control panel's
// preview size (explorer /desktop=NAME,152x112), it starts
// `SAVER.scr /p <the desktop window>`, so the preview covers that desktop
// exactly.  After SECONDS it closes the preview and exits with the saver's
// exit code (1 when the saver did not start or did not end).
//
// Why the desktop window: Wine 8 does not draw a child window whose parent
// belongs to another process, as the control panel's preview area does; a
// child of the desktop window it draws.

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "win32/kernel_handle.h"

namespace {

const char PREVIEW_CLASS[] = "WindowScreenSaverClass";

// Runs this thread's messages (the preview's creation talks to the parent's
// desktop) for `ms` milliseconds.
void PumpFor(DWORD ms) {
    DWORD start = GetTickCount();
    for (DWORD elapsed = 0; elapsed < ms; elapsed = GetTickCount() - start) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, ms - elapsed, QS_ALLINPUT);
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
}

bool StartPreview(const char* saver, HWND parent, KernelHandle* process) {
    char number[32];
    std::snprintf(number, sizeof number, "%lu",
                  static_cast<unsigned long>(reinterpret_cast<UINT_PTR>(parent)));
    std::string commandLine = "\"" + std::string(saver) + "\" /p " + number;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started = {};
    if (!CreateProcessA(saver, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &started)) {
        return false;
    }
    KernelHandle thread(started.hThread);  // not needed: closed at once
    process->Reset(started.hProcess);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: preview_host SAVER.scr SECONDS\n");
        return 2;
    }
    KernelHandle process;
    if (!StartPreview(argv[1], GetDesktopWindow(), &process)) {
        std::fprintf(stderr, "preview_host: cannot start %s\n", argv[1]);
        return 1;
    }
    PumpFor(static_cast<DWORD>(std::atoi(argv[2])) * 1000);

    HWND preview = FindWindowExA(GetDesktopWindow(), nullptr, PREVIEW_CLASS, nullptr);
    if (preview != nullptr) {
        PostMessageA(preview, WM_CLOSE, 0, 0);
    }
    DWORD code = 1;
    if (WaitForSingleObject(process.Get(), 10000) != WAIT_OBJECT_0 ||
        !GetExitCodeProcess(process.Get(), &code)) {
        TerminateProcess(process.Get(), 1);
        std::fprintf(stderr, "preview_host: the preview did not end\n");
        return 1;
    }
    return static_cast<int>(code);
}
