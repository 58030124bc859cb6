// The password switch: only a message box saying no password can be set,
// in the same Japanese words under any ANSI code page (CTest runs it under
// code page 932 and under 1252).

#include <doctest/doctest.h>

#include <string>

#include "tests/e2e/driver/saver_driver.h"

using namespace e2e;

namespace {

// "パスワードの設定" and "設定できないんですよ".
const wchar_t CAPTION[] = L"\u30D1\u30B9\u30EF\u30FC\u30C9\u306E\u8A2D\u5B9A";
const wchar_t TEXT[] = L"\u8A2D\u5B9A\u3067\u304D\u306A\u3044\u3093\u3067\u3059\u3088";
// The same texts in Shift-JIS.
const char CAPTION_SJIS[] = "\x83\x70\x83\x58\x83\x8F\x81\x5B\x83\x68\x82\xCC\x90\xDD\x92\xE8";
const char TEXT_SJIS[] =
    "\x90\xDD\x92\xE8\x82\xC5\x82\xAB\x82\xC8\x82\xA2\x82\xF1\x82\xC5\x82\xB7\x82\xE6";

HWND FindChildWithText(HWND parent, const wchar_t* text) {
    for (HWND child : ChildWindowsOf(parent)) {
        if (WideTextOf(child) == text) {
            return child;
        }
    }
    return nullptr;
}

}  // namespace

TEST_CASE("password mode shows its message box and ends with 0 when it is dismissed") {
    SaverProcess saver;
    REQUIRE(saver.Start("/a"));
    HWND box = WaitForTopLevelWindow(saver.Id(), "#32770", 15000);
    REQUIRE(box != nullptr);

    CHECK(WideTextOf(box) == CAPTION);
    HWND text = FindChildWithText(box, TEXT);
    CHECK(text != nullptr);
    if (GetACP() == 932) {
        CHECK(TextOf(box) == CAPTION_SJIS);
        if (text != nullptr) {
            CHECK(TextOf(text) == TEXT_SJIS);
        }
    }

    // One button only (MB_OK); Enter presses it.
    int buttons = 0;
    HWND ok = nullptr;
    for (HWND child : ChildWindowsOf(box, 0, "Button")) {
        ++buttons;
        ok = child;
    }
    CHECK(buttons == 1);
    CHECK(GetDlgCtrlID(ok) == IDOK);
    CHECK(TopLevelWindowsOf(saver.Id(), "WindowScreenSaverClass").empty());
    CHECK(TopLevelWindowsOf(saver.Id(), "velmor_CN").empty());

    PostKey(ok, VK_RETURN);
    DWORD code = 1234;
    REQUIRE(saver.WaitForExit(10000, &code));
    CHECK(code == 0);
}
