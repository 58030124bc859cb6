// The configuration dialog as a user works it: what it shows, the up-down
// arrows, and what OK, Cancel, Escape and the close box leave in velmor.INI.

#include <doctest/doctest.h>

#include <string>

#include "tests/e2e/driver/saver_driver.h"

using namespace e2e;

namespace {

const DWORD START_TIMEOUT_MS = 15000;
const DWORD EXIT_TIMEOUT_MS = 10000;
const int IDC_INTERVAL_SPIN = 1001;
const int IDC_VERSION = 1003;
const int IDC_INTERVAL = 1004;

std::string IntervalLine(const std::string& value) {
    return std::string(INTERVAL_KEY) + "=" + value + "\r\n";
}

// The settings file as the profile functions write a fresh one with only
// the interval in it.
std::string IniWithOnlyInterval(const std::string& value) {
    return "[Config]\r\n" + IntervalLine(value);
}

// The configuration dialog of a saver started with `arguments`.
class ConfigDialogSession {
public:
    explicit ConfigDialogSession(const char* arguments = "/c") {
        ParkPointer();
        if (saver.Start(arguments)) {
            dialog = WaitForTopLevelWindow(saver.Id(), "#32770", START_TIMEOUT_MS, "velmor");
        }
        if (dialog != nullptr) {
            // Input typed or clicked before the dialog is active gets lost.
            WaitForForeground(dialog, 3000);
            PumpMessages(200);
            edit = GetDlgItem(dialog, IDC_INTERVAL);
            spin = GetDlgItem(dialog, IDC_INTERVAL_SPIN);
        }
    }

    std::string Shown() const { return ControlTextOf(edit); }

    // Clicks the upper (up) or lower (down) half of the up-down control.
    void ClickArrow(bool up) {
        RECT rect = ScreenRectOf(spin);
        int height = rect.bottom - rect.top;
        int y = up ? rect.top + height / 4 : rect.bottom - 1 - height / 4;
        ClickScreenPoint((rect.left + rect.right) / 2, y);
        PumpMessages(100);
        ParkPointer();
    }

    // Keeps the pointer off the up-down control: Wine's control takes the
    // arrow under the pointer for one being pressed and then ignores the
    // key of that direction.
    static void ParkPointer() {
        MovePointerTo(5, 5);
        PumpMessages(100);
    }
    // Types the Up or Down key at the keyboard (the edit has the focus).
    void PressArrow(bool up, int times) {
        for (int i = 0; i < times; ++i) {
            TypeKey(up ? VK_UP : VK_DOWN);
        }
        PumpMessages(300);
    }

    // True when the saver ended with exit code 0.
    bool EndsWithZero() {
        DWORD code = 1234;
        bool ended = saver.WaitForExit(EXIT_TIMEOUT_MS, &code) && code == 0;
        SettlePointer();
        return ended;
    }

    SaverProcess saver;
    HWND dialog = nullptr;
    HWND edit = nullptr;
    HWND spin = nullptr;
};

std::string IniBytes() {
    std::string bytes;
    ReadIniBytes(&bytes);
    return bytes;
}

}  // namespace

TEST_CASE("the dialog shows its caption, version and the default interval") {
    DeleteIni();
    ConfigDialogSession session;
    REQUIRE(session.dialog != nullptr);
    CHECK(TextOf(session.dialog) == "velmor");
    CHECK(session.Shown() == "30");
    CHECK(ControlTextOf(GetDlgItem(session.dialog, IDC_VERSION)) == "1.004");
    CHECK((StyleOf(session.edit) & ES_READONLY) != 0);
    CHECK(ClassNameOf(session.spin) == "msctls_updown32");

    // The interval edit has the focus: typing into it changes nothing.
    PostMessageA(session.edit, WM_CHAR, '5', 1);
    PumpMessages(200);
    CHECK(session.Shown() == "30");

    PostMessageA(session.dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
    CHECK(session.EndsWithZero());
    CHECK_FALSE(IniExists());
}

TEST_CASE("the dialog shows a stored interval, and 30 for one it does not accept") {
    struct Case {
        const char* stored;
        const char* shown;
    };
    const Case cases[] = {
        {"15", "15"},  {"300", "300"}, {"123", "123"}, {"10", "30"},  {"14", "30"},
        {"301", "30"}, {"0", "30"},    {"abc", "30"},  {"-20", "30"},
    };
    for (const Case& c : cases) {
        std::string stored = c.stored;
        CAPTURE(stored);
        REQUIRE(WriteIniBytes(IniWithOnlyInterval(c.stored)));
        ConfigDialogSession session;
        REQUIRE(session.dialog != nullptr);
        CHECK(session.Shown() == c.shown);
        PostKey(session.edit, VK_ESCAPE);
        CHECK(session.EndsWithZero());
        // Nothing was written back.
        CHECK(IniBytes() == IniWithOnlyInterval(c.stored));
    }
}

TEST_CASE("the up arrow goes toward 15, the down arrow toward 300, and the ends hold") {
    DeleteIni();
    {
        ConfigDialogSession session;
        REQUIRE(session.dialog != nullptr);
        session.ClickArrow(true);
        CHECK(session.Shown() == "29");
        session.ClickArrow(false);
        session.ClickArrow(false);
        CHECK(session.Shown() == "31");
        PostMessageA(session.dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
        CHECK(session.EndsWithZero());
    }
    {
        // The Up and Down keys in the edit do the same.
        ConfigDialogSession session;
        REQUIRE(session.dialog != nullptr);
        CHECK(GetForegroundWindow() == session.dialog);
        session.PressArrow(true, 1);
        CHECK(session.Shown() == "29");
        session.PressArrow(false, 3);
        CHECK(session.Shown() == "32");
        PostMessageA(session.dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
        CHECK(session.EndsWithZero());
    }
    {
        REQUIRE(WriteIniBytes(IniWithOnlyInterval("16")));
        ConfigDialogSession session;
        REQUIRE(session.dialog != nullptr);
        session.ClickArrow(true);
        CHECK(session.Shown() == "15");
        session.ClickArrow(true);
        CHECK(session.Shown() == "15");
        session.PressArrow(true, 2);
        CHECK(session.Shown() == "15");
        PostKey(session.edit, VK_ESCAPE);
        CHECK(session.EndsWithZero());
    }
    {
        REQUIRE(WriteIniBytes(IniWithOnlyInterval("299")));
        ConfigDialogSession session;
        REQUIRE(session.dialog != nullptr);
        session.ClickArrow(false);
        CHECK(session.Shown() == "300");
        session.ClickArrow(false);
        CHECK(session.Shown() == "300");
        session.PressArrow(false, 2);
        CHECK(session.Shown() == "300");
        PostKey(session.edit, VK_ESCAPE);
        CHECK(session.EndsWithZero());
    }
}

TEST_CASE("OK writes the interval shown, also when it is unchanged") {
    SUBCASE("no settings file: OK creates it with 30") {
        DeleteIni();
        ConfigDialogSession session;
        REQUIRE(session.dialog != nullptr);
        ClickWindow(GetDlgItem(session.dialog, IDOK));
        CHECK(session.EndsWithZero());
        CHECK(IniBytes() == IniWithOnlyInterval("30"));
    }
    SUBCASE("a changed value, with Enter on the default button") {
        DeleteIni();
        ConfigDialogSession session;
        REQUIRE(session.dialog != nullptr);
        session.PressArrow(false, 5);
        CHECK(session.Shown() == "35");
        PostKey(session.edit, VK_RETURN);
        CHECK(session.EndsWithZero());
        CHECK(IniBytes() == IniWithOnlyInterval("35"));
    }
    SUBCASE("the other lines of the file are kept") {
        REQUIRE(WriteIniBytes("[Image]\r\nNO=7\r\n[Config]\r\n" + IntervalLine("200")));
        ConfigDialogSession session;
        REQUIRE(session.dialog != nullptr);
        CHECK(session.Shown() == "200");
        session.ClickArrow(true);
        CHECK(session.Shown() == "199");
        ClickWindow(GetDlgItem(session.dialog, IDOK));
        CHECK(session.EndsWithZero());
        CHECK(IniBytes() == "[Image]\r\nNO=7\r\n[Config]\r\n" + IntervalLine("199"));
    }
    SUBCASE("a stored value the dialog does not accept is replaced by 30") {
        REQUIRE(WriteIniBytes(IniWithOnlyInterval("301")));
        ConfigDialogSession session;
        REQUIRE(session.dialog != nullptr);
        ClickWindow(GetDlgItem(session.dialog, IDOK));
        CHECK(session.EndsWithZero());
        CHECK(IniBytes() == IniWithOnlyInterval("30"));
    }
}

TEST_CASE("Cancel, Escape and the close box write nothing") {
    SUBCASE("Cancel") {
        DeleteIni();
        ConfigDialogSession session;
        REQUIRE(session.dialog != nullptr);
        session.PressArrow(false, 3);
        CHECK(session.Shown() == "33");
        ClickWindow(GetDlgItem(session.dialog, IDCANCEL));
        CHECK(session.EndsWithZero());
        CHECK_FALSE(IniExists());
    }
    SUBCASE("Escape") {
        REQUIRE(WriteIniBytes(IniWithOnlyInterval("45")));
        ConfigDialogSession session;
        REQUIRE(session.dialog != nullptr);
        session.PressArrow(true, 3);
        CHECK(session.Shown() == "42");
        PostKey(session.edit, VK_ESCAPE);
        CHECK(session.EndsWithZero());
        CHECK(IniBytes() == IniWithOnlyInterval("45"));
    }
    SUBCASE("the close box") {
        REQUIRE(WriteIniBytes(IniWithOnlyInterval("45")));
        ConfigDialogSession session("/c:4660");
        REQUIRE(session.dialog != nullptr);
        session.PressArrow(false, 1);
        CHECK(session.Shown() == "46");
        PostMessageA(session.dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
        CHECK(session.EndsWithZero());
        CHECK(IniBytes() == IniWithOnlyInterval("45"));
    }
}

namespace {

// Names of the files in the Windows directory.
std::string WindowsDirectoryListing() {
    char directory[MAX_PATH] = {};
    GetWindowsDirectoryA(directory, MAX_PATH);
    std::string listing;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((std::string(directory) + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        return listing;
    }
    do {
        listing += found.cFileName;
        listing += '\n';
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return listing;
}

}  // namespace

TEST_CASE("a saver whose settings-file name is too long shows 30 and writes nothing") {
    // A 60-character title leaves no room for ".INI" in 64 bytes.
    std::string saver = SaverPath();
    std::string longCopy =
        saver.substr(0, saver.find_last_of('\\') + 1) + std::string(60, 'v') + ".scr";
    REQUIRE(CopyFileA(saver.c_str(), longCopy.c_str(), FALSE));
    REQUIRE(WriteIniBytes(IniWithOnlyInterval("45")));
    std::string before = WindowsDirectoryListing();

    ConfigDialogSession::ParkPointer();
    SaverProcess process;
    REQUIRE(process.Start("/c", longCopy));
    HWND dialog = WaitForTopLevelWindow(process.Id(), "#32770", START_TIMEOUT_MS, "velmor");
    REQUIRE(dialog != nullptr);
    WaitForForeground(dialog, 3000);
    HWND edit = GetDlgItem(dialog, IDC_INTERVAL);
    CHECK(ControlTextOf(edit) == "30");
    TypeKey(VK_DOWN);
    PumpMessages(300);
    CHECK(ControlTextOf(edit) == "31");
    PostKey(edit, VK_RETURN);
    DWORD code = 1234;
    REQUIRE(process.WaitForExit(EXIT_TIMEOUT_MS, &code));
    CHECK(code == 0);

    CHECK(WindowsDirectoryListing() == before);
    CHECK(IniBytes() == IniWithOnlyInterval("45"));
    DeleteFileA(longCopy.c_str());
    DeleteIni();
}
