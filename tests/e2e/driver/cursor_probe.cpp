// A hook library that the driver loads into the saver's GUI thread to look
// at the saver's cursor from inside its process (another process cannot
// read a cursor's class slot or its pictures under Wine).  On the probe
// message it stores what it found in two properties of the window.

#include <windows.h>
#include <vector>

#include "tests/e2e/driver/cursor_probe.h"

namespace {

// True when the cursor draws nothing: AND mask all ones, XOR mask all zero.
bool IsBlank(HCURSOR cursor) {
    ICONINFO info = {};
    if (!GetIconInfo(cursor, &info)) {
        return false;
    }
    bool blank = info.hbmColor == nullptr;
    BITMAP mask = {};
    GetObjectA(info.hbmMask, sizeof mask, &mask);
    if (blank && mask.bmWidth > 0 && mask.bmHeight > 0) {
        BITMAPINFO bitmapInfo = {};
        bitmapInfo.bmiHeader.biSize = sizeof bitmapInfo.bmiHeader;
        bitmapInfo.bmiHeader.biWidth = mask.bmWidth;
        bitmapInfo.bmiHeader.biHeight = mask.bmHeight;  // bottom-up: XOR half first
        bitmapInfo.bmiHeader.biPlanes = 1;
        bitmapInfo.bmiHeader.biBitCount = 32;
        bitmapInfo.bmiHeader.biCompression = BI_RGB;
        std::vector<DWORD> pixels(static_cast<size_t>(mask.bmWidth) * mask.bmHeight);
        HDC dc = GetDC(nullptr);
        GetDIBits(dc, info.hbmMask, 0, mask.bmHeight, pixels.data(), &bitmapInfo, DIB_RGB_COLORS);
        ReleaseDC(nullptr, dc);
        size_t half = pixels.size() / 2;
        for (size_t i = 0; i < pixels.size(); ++i) {
            DWORD expected = i < half ? 0x000000u : 0xFFFFFFu;
            if ((pixels[i] & 0xFFFFFFu) != expected) {
                blank = false;
                break;
            }
        }
    } else {
        blank = false;
    }
    DeleteObject(info.hbmMask);
    if (info.hbmColor != nullptr) {
        DeleteObject(info.hbmColor);
    }
    return blank;
}

int KindOf(HCURSOR cursor) {
    if (cursor == nullptr) {
        return CURSOR_KIND_NONE;
    }
    if (cursor == LoadCursorA(nullptr, IDC_ARROW)) {
        return CURSOR_KIND_ARROW;
    }
    return IsBlank(cursor) ? CURSOR_KIND_BLANK : CURSOR_KIND_OTHER;
}

}  // namespace

extern "C" __declspec(dllexport) LRESULT CALLBACK
    CursorProbeHook(int code, WPARAM wParam, LPARAM lParam) {
    if (code >= 0) {
        const CWPSTRUCT* call = reinterpret_cast<const CWPSTRUCT*>(lParam);
        if (call->message == RegisterWindowMessageA(CURSOR_PROBE_MESSAGE)) {
            HCURSOR classCursor =
                reinterpret_cast<HCURSOR>(GetClassLongPtrA(call->hwnd, GCLP_HCURSOR));
            // Stored plus one, so that a missing property (0) stays distinct.
            SetPropA(call->hwnd, CURSOR_PROBE_CLASS_KIND,
                     reinterpret_cast<HANDLE>(static_cast<UINT_PTR>(KindOf(classCursor) + 1)));
            SetPropA(call->hwnd, CURSOR_PROBE_SHOWN_KIND,
                     reinterpret_cast<HANDLE>(static_cast<UINT_PTR>(KindOf(GetCursor()) + 1)));
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}
