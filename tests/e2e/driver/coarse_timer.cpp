// The hook library's coarse timer: in the saver's process it makes every
// SetTimer period what current Windows makes of it, rounded up to whole
// 15.625 ms clock interrupts (a 66 ms timer fires every 78 ms), where Wine
// keeps periods exact.  On the coarse-timer message it points the saver's
// import of SetTimer at its own, and sets the running timer (wParam: its
// id, lParam: its period) again through it.

#include <windows.h>

#include "tests/e2e/driver/coarse_timer.h"
#include "tests/e2e/driver/import_table.h"

namespace {

UINT CoarsePeriod(UINT ms) {
    const unsigned long long interrupts = (ms * 64ull + 999) / 1000;  // 15.625 ms = 1000 / 64
    return static_cast<UINT>(interrupts * 1000 / 64);
}

UINT_PTR WINAPI CoarseSetTimer(HWND hwnd, UINT_PTR id, UINT ms, TIMERPROC proc) {
    return SetTimer(hwnd, id, CoarsePeriod(ms), proc);
}

}  // namespace

extern "C" __declspec(dllexport) LRESULT CALLBACK
    CoarseTimerHook(int code, WPARAM wParam, LPARAM lParam) {
    if (code >= 0) {
        const CWPSTRUCT* call = reinterpret_cast<const CWPSTRUCT*>(lParam);
        if (call->message == RegisterWindowMessageA(COARSE_TIMER_MESSAGE)) {
            // The saver calls into this library from now on: it must stay
            // loaded when the hook goes.
            HMODULE self = nullptr;
            bool pinned = GetModuleHandleExA(
                GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                reinterpret_cast<LPCSTR>(&CoarseSetTimer), &self);
            if (pinned &&
                RedirectImport(GetModuleHandleA(nullptr), "user32.dll", "SetTimer",
                               reinterpret_cast<void*>(&CoarseSetTimer)) &&
                CoarseSetTimer(call->hwnd, call->wParam, static_cast<UINT>(call->lParam),
                               nullptr) != 0) {
                SetPropA(call->hwnd, COARSE_TIMER_DONE, reinterpret_cast<HANDLE>(1));
            }
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}
