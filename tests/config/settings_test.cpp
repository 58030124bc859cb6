#include <doctest/doctest.h>

#include <windows.h>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <string>

#include "config/settings.h"

namespace {

std::string NameFromTitle(const char* title, int size = 64) {
    char buffer[64] = {};
    if (!IniFileNameFromTitle(title, buffer, size)) {
        return "(fails)";
    }
    return buffer;
}

std::string NameFromPath(const char* path) {
    char buffer[64] = {};
    if (!IniFileNameFromPath(path, buffer, 64)) {
        return "(fails)";
    }
    return buffer;
}

// The full Windows path of a bare profile name (in the Windows directory).
std::string ProfilePath(const char* name) {
    char directory[MAX_PATH];
    GetWindowsDirectoryA(directory, MAX_PATH);
    return std::string(directory) + "\\" + name;
}

std::string ReadWholeFile(const std::string& path) {
    std::string bytes;
    FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        return bytes;
    }
    char chunk[512];
    size_t count;
    while ((count = std::fread(chunk, 1, sizeof chunk, file)) > 0) {
        bytes.append(chunk, count);
    }
    std::fclose(file);
    return bytes;
}

// A profile file of this test's own, removed before and after use.
class ScratchProfile {
public:
    explicit ScratchProfile(const char* name) : name_(name), path_(ProfilePath(name)) {
        DeleteFileA(path_.c_str());
    }
    ~ScratchProfile() { DeleteFileA(path_.c_str()); }
    const char* Name() const { return name_; }
    std::string Bytes() const { return ReadWholeFile(path_); }
    void Put(const char* section, const char* key, const char* text) const {
        WritePrivateProfileStringA(section, key, text, name_);
    }

private:
    const char* name_;
    std::string path_;
};

}  // namespace

TEST_CASE("the settings-file name drops a four-character extension and adds .INI") {
    CHECK(NameFromTitle("velmor.scr") == "velmor.INI");
    CHECK(NameFromTitle("velmor") == "velmor.INI");
    CHECK(NameFromTitle("name.sc") == "name.sc.INI");
    CHECK(NameFromTitle("a.b.scr") == "a.b.INI");
    CHECK(NameFromTitle(".scr") == ".INI");
    CHECK(NameFromTitle("abc") == "abc.INI");
    CHECK(NameFromTitle("ab") == "ab.INI");
    CHECK(NameFromTitle("") == ".INI");
    CHECK(NameFromTitle("x.exe.") == "x.exe..INI");
}

TEST_CASE("the settings-file name must fit in 64 bytes with its terminator") {
    std::string title59(59, 'n');
    std::string title60(60, 'n');
    CHECK(NameFromTitle(title59.c_str()) == title59 + ".INI");
    CHECK(NameFromTitle(title60.c_str()) == "(fails)");
    CHECK(NameFromTitle((title59 + ".scr").c_str()) == title59 + ".INI");
    CHECK(NameFromTitle((title60 + ".scr").c_str()) == "(fails)");
    CHECK(NameFromTitle("velmor", 11) == "velmor.INI");
    CHECK(NameFromTitle("velmor", 10) == "(fails)");
    CHECK(NameFromTitle("velmor", 0) == "(fails)");
}

TEST_CASE("the settings-file name comes from the executable's file title") {
    CHECK(NameFromPath("C:\\Windows\\System32\\velmor.scr") == "velmor.INI");
    CHECK(NameFromPath("Z:\\tmp\\a.b.scr") == "a.b.INI");
    std::string long59 = "C:\\dir\\" + std::string(59, 'k') + ".scr";
    std::string long60 = "C:\\dir\\" + std::string(60, 'k') + ".scr";
    std::string long70 = "C:\\dir\\" + std::string(70, 'k');
    CHECK(NameFromPath(long59.c_str()) == std::string(59, 'k') + ".INI");
    CHECK(NameFromPath(long60.c_str()) == "(fails)");
    CHECK(NameFromPath(long70.c_str()) == "(fails)");
    // Sizes the file-title call cannot take are refused, the buffer untouched.
    char untouched[8] = "old";
    CHECK(IniFileNameFromPath("C:\\velmor.scr", untouched, 0) == 0);
    CHECK(IniFileNameFromPath("C:\\velmor.scr", untouched, 0x10000) == 0);
    CHECK(std::string(untouched) == "old");

    // The running program's own name: settings_test.exe -> settings_test.INI.
    char own[64] = {};
    REQUIRE(GetIniFileName(own, 64) == 1);
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string title = std::string(path).substr(std::string(path).find_last_of('\\') + 1);
    CHECK(std::string(own) == title.substr(0, title.size() - 4) + ".INI");
}

TEST_CASE("out-of-range values are replaced by the default, never clamped") {
    CHECK(CheckedIntervalSeconds(15) == 15);
    CHECK(CheckedIntervalSeconds(300) == 300);
    CHECK(CheckedIntervalSeconds(45) == 45);
    CHECK(CheckedIntervalSeconds(14) == 30);
    CHECK(CheckedIntervalSeconds(301) == 30);
    CHECK(CheckedIntervalSeconds(0) == 30);
    CHECK(CheckedIntervalSeconds(-20) == 30);

    CHECK(CheckedStartPicture(1) == 1);
    CHECK(CheckedStartPicture(12) == 12);
    CHECK(CheckedStartPicture(7) == 7);
    CHECK(CheckedStartPicture(0) == 1);
    CHECK(CheckedStartPicture(13) == 1);
    CHECK(CheckedStartPicture(-5) == 1);
}

TEST_CASE("reading the settings file applies the defaults and the range checks") {
    ScratchProfile profile("velmor_settings_read.INI");
    CHECK(ReadIntervalSecondsFrom(profile.Name()) == 30);
    CHECK(ReadStartPictureFrom(profile.Name()) == 1);

    struct Case {
        const char* text;
        int interval;
        int picture;
    };
    const Case cases[] = {
        {"15", 15, 1},  {"300", 300, 1}, {"14", 30, 1},     {"301", 30, 1},
        {"0", 30, 1},   {"abc", 30, 1},  {"12abc", 30, 12}, {"-5", 30, 1},
        {"12", 30, 12}, {"13", 30, 1},   {"7", 30, 7},      {"120", 120, 1},
    };
    for (const Case& c : cases) {
        CAPTURE(c.text);
        profile.Put("Config", INTERVAL_KEY, c.text);
        profile.Put("Image", "NO", c.text);
        CHECK(ReadIntervalSecondsFrom(profile.Name()) == c.interval);
        CHECK(ReadStartPictureFrom(profile.Name()) == c.picture);
    }
}

TEST_CASE("writing stores %d text under the exact Shift-JIS interval key") {
    ScratchProfile profile("velmor_settings_write.INI");
    REQUIRE(WriteIntervalSecondsTo(profile.Name(), 42) == 1);
    std::string bytes = profile.Bytes();
    CHECK(bytes.find("[Config]") != std::string::npos);
    CHECK(bytes.find("\x95\x5C\x8E\xA6\x8A\xD4\x8A\x75=42") != std::string::npos);
    CHECK(ReadIntervalSecondsFrom(profile.Name()) == 42);

    REQUIRE(WriteStartPictureTo(profile.Name(), 6) == 1);
    bytes = profile.Bytes();
    CHECK(bytes.find("[Image]") != std::string::npos);
    CHECK(bytes.find("NO=6") != std::string::npos);
    CHECK(bytes.find("\x95\x5C\x8E\xA6\x8A\xD4\x8A\x75=42") != std::string::npos);

    REQUIRE(WriteIntervalSecondsTo(profile.Name(), -7) == 1);
    CHECK(profile.Bytes().find("\x8A\x75=-7") != std::string::npos);
}

TEST_CASE("without a settings-file name readers give the defaults and writers write nothing") {
    CHECK(ReadIntervalSecondsFrom(nullptr) == 30);
    CHECK(ReadStartPictureFrom(nullptr) == 1);
    CHECK(WriteIntervalSecondsTo(nullptr, 60) == 0);
    CHECK(WriteStartPictureTo(nullptr, 5) == 0);
}

TEST_CASE("the program's own settings file round-trips through the plain operations") {
    char name[64];
    REQUIRE(GetIniFileName(name, 64) == 1);
    ScratchProfile profile(name);
    CHECK(ReadIntervalSeconds() == 30);
    CHECK(ReadStartPicture() == 1);
    CHECK(WriteIntervalSeconds(75) == 1);
    CHECK(WriteStartPicture(9) == 1);
    CHECK(ReadIntervalSeconds() == 75);
    CHECK(ReadStartPicture() == 9);
}

namespace {

// Sets LOCALAPPDATA for this process, and puts it back as it was.
class LocalAppDataSetTo {
public:
    explicit LocalAppDataSetTo(const std::wstring& value) {
        wchar_t old[MAX_PATH];
        DWORD length = GetEnvironmentVariableW(L"LOCALAPPDATA", old, MAX_PATH);
        hadOld_ = length > 0 && length < MAX_PATH;
        if (hadOld_) old_ = old;
        SetEnvironmentVariableW(L"LOCALAPPDATA", value.c_str());
    }
    ~LocalAppDataSetTo() {
        SetEnvironmentVariableW(L"LOCALAPPDATA", hadOld_ ? old_.c_str() : nullptr);
    }

private:
    bool hadOld_;
    std::wstring old_;
};

// Makes `folder`\VirtualStore\Windows\`name` (wide paths, folders
// included) holding `bytes`; returns the file's path.
std::wstring PutPerUserFile(const std::wstring& folder, const char* name,
                            const std::string& bytes) {
    std::wstring path = folder;
    for (const wchar_t* part : {L"", L"\\VirtualStore", L"\\Windows"}) {
        path += part;
        CreateDirectoryW(path.c_str(), nullptr);
    }
    path += L"\\" + std::wstring(name, name + std::strlen(name));
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    REQUIRE(file != INVALID_HANDLE_VALUE);
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
    return path;
}

std::string WideFileBytes(const std::wstring& path) {
    std::string bytes;
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return bytes;
    char chunk[512];
    DWORD got = 0;
    while (ReadFile(file, chunk, sizeof chunk, &got, nullptr) && got > 0) bytes.append(chunk, got);
    CloseHandle(file);
    return bytes;
}

void RemovePerUserFile(const std::wstring& folder, const char* name) {
    DeleteFileW(
        (folder + L"\\VirtualStore\\Windows\\" + std::wstring(name, name + std::strlen(name)))
            .c_str());
    RemoveDirectoryW((folder + L"\\VirtualStore\\Windows").c_str());
    RemoveDirectoryW((folder + L"\\VirtualStore").c_str());
}

}  // namespace

TEST_CASE("a LOCALAPPDATA that is not an absolute path names no per-user file") {
    const char* name = "velmor_settings_relative.INI";
    ScratchProfile profile(name);
    profile.Put("Image", "NO", "9");
    // Each value, taken as a path, would be relative to the current directory.
    // Empty, or too long for a path (itself, or with the per-user folders),
    // it names no file either.
    const std::wstring tooLong = L"C:\\" + std::wstring(MAX_PATH, L'a');
    const std::wstring noRoomForFolders = L"C:\\" + std::wstring(MAX_PATH - 12, L'a');
    struct Case {
        std::wstring folder;
        bool decoy;  // a per-user file there, which must not be read
    };
    const Case cases[] = {{L"relative", true},       {L"%LOCALAPPDATA%", true},
                          {L"C:relative", true},     {L"\\no-drive", false},
                          {L"~:\\no-drive", false}, {L"", false},
                          {tooLong, false},          {noRoomForFolders, false}};
    for (const Case& c : cases) {
        const std::wstring& folder = c.folder;
        CAPTURE(std::string(folder.begin(), folder.end()));
        if (c.decoy) PutPerUserFile(folder, name, "[Image]\r\nNO=4\r\n");
        LocalAppDataSetTo set(folder);
        CHECK(ReadStartPictureFrom(name) == 9);
        CHECK(WriteStartPictureTo(name, 10) == 1);
        CHECK(profile.Bytes() == "[Image]\r\nNO=10\r\n");
        profile.Put("Image", "NO", "9");
        if (c.decoy) {
            RemovePerUserFile(folder, name);
            RemoveDirectoryW(folder.c_str());
        }
    }
}

TEST_CASE("a per-user folder named outside the ANSI code page is found and written") {
    const char* name = "velmor_settings_wide.INI";
    ScratchProfile profile(name);
    profile.Put("Image", "NO", "9");
    // A profile folder in Cyrillic, as a Russian user's on a Western system.
    wchar_t temp[MAX_PATH];
    REQUIRE(GetTempPathW(MAX_PATH, temp) > 0);
    const std::wstring profileFolder = std::wstring(temp) + L"velmor-\u0422\u0435\u0441\u0442";
    const std::wstring local = profileFolder + L"\\Local";
    CreateDirectoryW(profileFolder.c_str(), nullptr);
    const std::wstring perUser = PutPerUserFile(local, name, "[Image]\r\nNO=4\r\n");
    BOOL lossy = FALSE;
    char ansi[MAX_PATH];
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, local.c_str(), -1, ansi, MAX_PATH, nullptr,
                        &lossy);
    MESSAGE("ANSI code page " << GetACP() << ", the folder's ANSI name "
                              << std::string(lossy ? "lost" : "kept"));

    {
        LocalAppDataSetTo set(local);
        CHECK(ReadStartPictureFrom(name) == 4);
        CHECK(WriteStartPictureTo(name, 6) == 1);
    }
    CHECK(WideFileBytes(perUser) == "[Image]\r\nNO=6\r\n");
    CHECK(profile.Bytes() == "[Image]\r\nNO=9\r\n");

    RemovePerUserFile(local, name);
    RemoveDirectoryW(local.c_str());
    RemoveDirectoryW(profileFolder.c_str());
}
