// The interval key is the same eight Shift-JIS bytes whatever the system's
// ANSI code page: CTest runs this program, and so the saver, under a
// non-Japanese locale.

#include <doctest/doctest.h>

#include <string>

#include "tests/e2e/driver/saver_driver.h"

using namespace e2e;

TEST_CASE("under another code page the dialog reads and writes the same key bytes") {
    CHECK(GetACP() != 932);

    // A stored value under the Shift-JIS key is found...
    REQUIRE(WriteIniBytes(std::string("[Config]\r\n") + INTERVAL_KEY + "=77\r\n"));
    SaverProcess saver;
    REQUIRE(saver.Start("/c"));
    HWND dialog = WaitForTopLevelWindow(saver.Id(), "#32770", 15000, "velmor");
    REQUIRE(dialog != nullptr);
    HWND edit = GetDlgItem(dialog, 1004);
    PumpMessages(200);
    CHECK(ControlTextOf(edit) == "77");

    // ...and written back under the same bytes.
    PostKey(edit, VK_DOWN);
    PumpMessages(300);
    CHECK(ControlTextOf(edit) == "78");
    PostKey(edit, VK_RETURN);
    DWORD code = 1234;
    REQUIRE(saver.WaitForExit(10000, &code));
    CHECK(code == 0);

    std::string bytes;
    REQUIRE(ReadIniBytes(&bytes));
    CHECK(bytes == std::string("[Config]\r\n\x95\x5C\x8E\xA6\x8A\xD4\x8A\x75=78\r\n"));
    DeleteIni();
}
