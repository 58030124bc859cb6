#include <doctest/doctest.h>

#include <windows.h>
#include <cstdio>
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
