// The settings of a standard user, who cannot write the Windows directory:
// they are kept in the per-user file, a Windows directory file is read but
// never changed, and a per-user file wins over it.
//
// standard_user_settings.sh runs this program as an unprivileged Unix user
// in a prefix whose drive_c/windows that user cannot write: first the case
// without a Windows directory file, then, after it has put WINDOWS_FILE
// there, the case with one.

#include <doctest/doctest.h>

#include <string>

#include "tests/e2e/driver/saver_driver.h"

using namespace e2e;

namespace {

const DWORD START_TIMEOUT_MS = 15000;
const DWORD EXIT_TIMEOUT_MS = 15000;
const int IDC_INTERVAL = 1004;

std::string IntervalLine(const std::string& value) {
    return std::string(INTERVAL_KEY) + "=" + value + "\r\n";
}

// What standard_user_settings.sh puts in the Windows directory.
const std::string WINDOWS_FILE = "[Image]\r\nNO=7\r\n[Config]\r\n" + IntervalLine("200");

bool Exists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string BytesOf(const std::string& path) {
    std::string bytes;
    ReadFileBytes(path, &bytes);
    return bytes;
}

// The Windows directory refuses this user's new files.
bool WindowsDirectoryIsReadOnly() {
    return WritePrivateProfileStringA("probe", "probe", "1", "velmor_probe.INI") == 0;
}

// Makes the folders of the per-user file.
void MakePerUserFolders() {
    std::string folder = PerUserIniPath();
    folder.erase(folder.find_last_of('\\'));
    CreateDirectoryA(folder.substr(0, folder.find_last_of('\\')).c_str(), nullptr);
    CreateDirectoryA(folder.c_str(), nullptr);
}

// Opens the dialog, checks the interval it shows, presses Down `downs`
// times and closes it with Enter (OK) or, when `downs` is 0, Escape.
void RunDialog(const std::string& shown, int downs) {
    MovePointerTo(5, 5);  // off the up-down control
    SaverProcess saver;
    REQUIRE(saver.Start("/c"));
    HWND dialog = WaitForTopLevelWindow(saver.Id(), "#32770", START_TIMEOUT_MS, "velmor");
    REQUIRE(dialog != nullptr);
    WaitForForeground(dialog, 3000);
    PumpMessages(200);
    HWND edit = GetDlgItem(dialog, IDC_INTERVAL);
    CHECK(ControlTextOf(edit) == shown);
    for (int i = 0; i < downs; ++i) {
        TypeKey(VK_DOWN);
    }
    PumpMessages(300);
    PostKey(edit, downs > 0 ? VK_RETURN : VK_ESCAPE);
    DWORD code = 1234;
    REQUIRE(saver.WaitForExit(EXIT_TIMEOUT_MS, &code));
    CHECK(code == 0);
    SettlePointer();
}

// Runs the full-screen show until its first picture is on the screen, then
// ends it with a key, which saves the picture on screen.
void RunShow() {
    SaverProcess saver;
    REQUIRE(saver.Start("/s"));
    HWND window = WaitForTopLevelWindow(saver.Id(), "WindowScreenSaverClass", START_TIMEOUT_MS);
    REQUIRE(window != nullptr);
    const RECT middle = {200, 100, 600, 500};
    Screenshot shot;
    for (int waited = 0; waited < 10000; waited += 100) {
        if (CaptureScreen(middle, &shot) && shot.CountOtherThan(0x000000, 0, 0, 400, 400) > 0) {
            break;
        }
        PumpMessages(100);
    }
    REQUIRE(shot.CountOtherThan(0x000000, 0, 0, 400, 400) > 0);
    PostKey(window, VK_SHIFT);
    DWORD code = 1234;
    REQUIRE(saver.WaitForExit(EXIT_TIMEOUT_MS, &code));
    CHECK(code == 0);
}

}  // namespace

TEST_CASE("without a Windows directory file, OK and the show keep their values per user") {
    REQUIRE(WindowsDirectoryIsReadOnly());
    REQUIRE_FALSE(IniExists());
    DeleteFileA(PerUserIniPath().c_str());

    RunDialog("30", 5);
    CHECK(BytesOf(PerUserIniPath()) == "[Config]\r\n" + IntervalLine("35"));

    RunShow();
    CHECK(BytesOf(PerUserIniPath()) == "[Config]\r\n" + IntervalLine("35") + "[Image]\r\nNO=1\r\n");
    RunDialog("35", 0);
    CHECK_FALSE(IniExists());
}

TEST_CASE("a Windows directory file is read and never changed; a per-user file wins over it") {
    REQUIRE(WindowsDirectoryIsReadOnly());
    REQUIRE(BytesOf(IniPath()) == WINDOWS_FILE);
    DeleteFileA(PerUserIniPath().c_str());

    // Its interval is shown; the first change starts the per-user file as
    // a copy of it, so its picture number is kept.  The Windows directory's
    // file is read-only; the copy is not.
    RunDialog("200", 0);
    CHECK_FALSE(Exists(PerUserIniPath()));
    RunDialog("200", 1);
    CHECK(BytesOf(PerUserIniPath()) == "[Image]\r\nNO=7\r\n[Config]\r\n" + IntervalLine("201"));
    CHECK((GetFileAttributesA(PerUserIniPath().c_str()) & FILE_ATTRIBUTE_READONLY) == 0);

    // The per-user values are the ones read: the dialog shows 45, and the
    // show starts with picture 3 (saving 3 again, not the 7 it would have
    // started with from the Windows directory's file).
    MakePerUserFolders();
    REQUIRE(
        WriteFileBytes(PerUserIniPath(), "[Image]\r\nNO=3\r\n[Config]\r\n" + IntervalLine("45")));
    RunDialog("45", 1);
    RunShow();
    CHECK(BytesOf(PerUserIniPath()) == "[Image]\r\nNO=3\r\n[Config]\r\n" + IntervalLine("46"));

    CHECK(BytesOf(IniPath()) == WINDOWS_FILE);
}
