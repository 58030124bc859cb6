// The release package in a fresh Wine prefix, as a user or an administrator
// installs it: msiexec silently, the saver started from the system folder,
// Add/Remove Programs, upgrades, ACTIVATE=1 and uninstalling.

#include <doctest/doctest.h>
#include <windows.h>
// msi.h needs windows.h first.
#include <msi.h>

#include <cstdio>
#include <string>
#include <vector>

#include "tests/e2e/driver/saver_driver.h"

using namespace e2e;

namespace {

const char UNINSTALL_KEY[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
const char DESKTOP_KEY[] = "Control Panel\\Desktop";
const char SAVER_VALUE[] = "SCRNSAVE.EXE";
const char USERS_SAVER[] = "C:\\windows\\system32\\other.scr";
const DWORD MSIEXEC_TIMEOUT_MS = 120000;
const DWORD INSTALL_FAILURE = 1603;

std::string SystemFile(const char* name) {
    char directory[MAX_PATH] = {};
    GetSystemDirectoryA(directory, MAX_PATH);
    return std::string(directory) + "\\" + name;
}

std::string InstalledSaver() {
    return SystemFile("velmor.scr");
}

// Runs msiexec with `arguments`; its exit code, or ~0 when it did not end.
DWORD Msiexec(const std::string& arguments) {
    SaverProcess msiexec;
    DWORD code = ~0u;
    if (!msiexec.Start(arguments, SystemFile("msiexec.exe")) ||
        !msiexec.WaitForExit(MSIEXEC_TIMEOUT_MS, &code)) {
        return ~0u;
    }
    return code;
}

std::string Package() {
    return WindowsPathOf(VELMOR_MSI_UNIX_PATH);
}
std::string NewerPackage() {
    return WindowsPathOf(VELMOR_NEWER_MSI_UNIX_PATH);
}

bool SameFileBytes(const std::string& a, const std::string& b) {
    std::string first, second;
    return ReadFileBytes(a, &first) && ReadFileBytes(b, &second) && first == second;
}

std::string StringValue(HKEY root, const std::string& key, const char* name) {
    char value[1024] = {};
    DWORD size = sizeof value - 1;
    if (RegGetValueA(root, key.c_str(), name, RRF_RT_REG_SZ, nullptr, value, &size) !=
        ERROR_SUCCESS) {
        return "";
    }
    return value;
}

// The Add/Remove Programs entries named velmor: their key names (the
// product codes of MSI packages).
std::vector<std::string> VelmorEntries() {
    std::vector<std::string> found;
    HKEY uninstall;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, UNINSTALL_KEY, 0, KEY_READ, &uninstall) !=
        ERROR_SUCCESS) {
        return found;
    }
    char name[256];
    for (DWORD i = 0;; ++i) {
        DWORD length = sizeof name;
        if (RegEnumKeyExA(uninstall, i, name, &length, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS) {
            break;
        }
        if (StringValue(uninstall, name, "DisplayName") == "velmor") {
            found.push_back(name);
        }
    }
    RegCloseKey(uninstall);
    return found;
}

std::string EntryValue(const std::string& productCode, const char* name) {
    return StringValue(HKEY_LOCAL_MACHINE, std::string(UNINSTALL_KEY) + "\\" + productCode, name);
}

std::string ProductIcon(const std::string& productCode) {
    char path[MAX_PATH] = {};
    DWORD size = MAX_PATH;
    if (MsiGetProductInfoA(productCode.c_str(), INSTALLPROPERTY_PRODUCTICON, path, &size) !=
        ERROR_SUCCESS) {
        return "";
    }
    return path;
}

std::string UsersSaver() {
    return StringValue(HKEY_CURRENT_USER, DESKTOP_KEY, SAVER_VALUE);
}

void SetUsersSaver(const char* path) {
    RegSetKeyValueA(HKEY_CURRENT_USER, DESKTOP_KEY, SAVER_VALUE, REG_SZ, path,
                    static_cast<DWORD>(strlen(path) + 1));
}

// Writes to `path` the build's velmor.scr with its build number changed by
// `change`, as a user may have copied an older or newer release into the
// system folder by hand.  The build number is the low word of
// dwFileVersionLS in VS_FIXEDFILEINFO, which follows the version block's key
// L"VS_VERSION_INFO" and its padding.
bool WriteSaverOfOtherBuild(const std::string& path, int change) {
    const std::wstring wideKey = L"VS_VERSION_INFO";
    const std::string key(reinterpret_cast<const char*>(wideKey.c_str()), 2 * wideKey.size());
    const size_t keyToFixedInfo = key.size() + 4;  // its NUL, then padding to 32 bits
    std::string bytes;
    if (!ReadFileBytes(WindowsPathOf(VELMOR_SCR_UNIX_PATH), &bytes)) {
        return false;
    }
    size_t at = bytes.find(key);
    if (at == std::string::npos || at + keyToFixedInfo + 16 > bytes.size()) {
        return false;
    }
    size_t build = at + keyToFixedInfo + 12;
    int changed = static_cast<unsigned char>(bytes[build]) + change;
    if (bytes.compare(at + keyToFixedInfo, 4, "\xBD\x04\xEF\xFE") != 0 || changed < 0 ||
        changed > 255) {
        return false;
    }
    bytes[build] = static_cast<char>(changed);
    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        return false;
    }
    bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && written;
}

// Starts the installed saver full screen and waits for a picture: at least
// half of a 360x480 photograph's pixels lit.  Ends it with a key press.
bool InstalledSaverShowsPicture() {
    SettlePointer();
    SaverProcess saver;
    if (!saver.Start("/s", InstalledSaver())) {
        return false;
    }
    HWND window = WaitForTopLevelWindow(saver.Id(), "WindowScreenSaverClass", 15000);
    RECT screen = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    bool shown = false;
    for (int i = 0; window != nullptr && i < 40 && !shown; ++i) {
        PumpMessages(150);
        Screenshot shot;
        shown = CaptureScreen(screen, &shot) &&
                shot.CountOtherThan(0x000000, 0, 0, shot.width, shot.height) > 360 * 480 / 2;
    }
    if (window != nullptr) {
        PostKey(window, VK_SPACE);
    }
    DWORD code = ~0u;
    return saver.WaitForExit(15000, &code) && code == 0 && shown;
}

}  // namespace

TEST_CASE("install, run, install again and uninstall, silently") {
    DeleteIni();
    SetUsersSaver(USERS_SAVER);
    REQUIRE(Msiexec("/i " + Package() + " /qn") == 0);
    CHECK(SameFileBytes(InstalledSaver(), WindowsPathOf(VELMOR_SCR_UNIX_PATH)));
    std::vector<std::string> entries = VelmorEntries();
    REQUIRE(entries.size() == 1);
    const std::string& product = entries[0];
    CHECK(EntryValue(product, "DisplayVersion") == VELMOR_VERSION);
    CHECK(EntryValue(product, "Publisher") == "velmor developers");
    CHECK(EntryValue(product, "Comments").find("Berasategi") != std::string::npos);
    CHECK(SameFileBytes(ProductIcon(product), WindowsPathOf(VELMOR_ICON_UNIX_PATH)));
    CHECK(UsersSaver() == USERS_SAVER);

    CHECK(InstalledSaverShowsPicture());
    std::string settings;
    CHECK(ReadIniBytes(&settings));

    REQUIRE(Msiexec("/i " + Package() + " /qn") == 0);
    CHECK(SameFileBytes(InstalledSaver(), WindowsPathOf(VELMOR_SCR_UNIX_PATH)));
    CHECK(VelmorEntries() == entries);

    REQUIRE(Msiexec("/x " + Package() + " /qn") == 0);
    CHECK(GetFileAttributesA(InstalledSaver().c_str()) == INVALID_FILE_ATTRIBUTES);
    CHECK(VelmorEntries().empty());
    std::string settingsAfter;
    CHECK(ReadIniBytes(&settingsAfter));
    CHECK(settingsAfter == settings);
    CHECK(UsersSaver() == USERS_SAVER);
}

TEST_CASE("ACTIVATE=1 picks velmor for the user; uninstalling keeps the user's later choice") {
    SetUsersSaver(USERS_SAVER);
    REQUIRE(Msiexec("/i " + Package() + " /qn ACTIVATE=1") == 0);
    CHECK(UsersSaver() == InstalledSaver());
    SetUsersSaver(USERS_SAVER);
    REQUIRE(Msiexec("/x " + Package() + " /qn") == 0);
    CHECK(UsersSaver() == USERS_SAVER);
}

TEST_CASE("a newer package replaces this one, and this one does not replace a newer one") {
    REQUIRE(Msiexec("/i " + Package() + " /qn") == 0);
    REQUIRE(Msiexec("/i " + NewerPackage() + " /qn") == 0);
    std::vector<std::string> entries = VelmorEntries();
    REQUIRE(entries.size() == 1);
    CHECK(EntryValue(entries[0], "DisplayVersion") == VELMOR_NEWER_VERSION);
    CHECK(SameFileBytes(InstalledSaver(), WindowsPathOf(VELMOR_SCR_UNIX_PATH)));

    CHECK(Msiexec("/i " + Package() + " /qn") == INSTALL_FAILURE);
    CHECK(VelmorEntries() == entries);
    CHECK(GetFileAttributesA(InstalledSaver().c_str()) != INVALID_FILE_ATTRIBUTES);

    REQUIRE(Msiexec("/x " + NewerPackage() + " /qn") == 0);
    CHECK(VelmorEntries().empty());
}

TEST_CASE("an older velmor.scr copied into the system folder is replaced, a newer one kept") {
    REQUIRE(WriteSaverOfOtherBuild(InstalledSaver(), -1));
    REQUIRE_FALSE(SameFileBytes(InstalledSaver(), WindowsPathOf(VELMOR_SCR_UNIX_PATH)));
    REQUIRE(Msiexec("/i " + Package() + " /qn") == 0);
    CHECK(SameFileBytes(InstalledSaver(), WindowsPathOf(VELMOR_SCR_UNIX_PATH)));
    REQUIRE(Msiexec("/x " + Package() + " /qn") == 0);
    CHECK(GetFileAttributesA(InstalledSaver().c_str()) == INVALID_FILE_ATTRIBUTES);

    std::string newer, installed;
    REQUIRE(WriteSaverOfOtherBuild(InstalledSaver(), +1));
    REQUIRE(ReadFileBytes(InstalledSaver(), &newer));
    REQUIRE(Msiexec("/i " + Package() + " /qn") == 0);
    CHECK((ReadFileBytes(InstalledSaver(), &installed) && installed == newer));
    REQUIRE(Msiexec("/x " + Package() + " /qn") == 0);
}
