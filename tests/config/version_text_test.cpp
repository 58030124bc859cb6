#include <doctest/doctest.h>

#include <windows.h>
#include <cstring>
#include <string>

#include "config/version_text.h"

namespace {

std::string Compact(const char* version, int size = 64) {
    char output[64];
    CompactVersionText(version, output, size);
    return output;
}

}  // namespace

TEST_CASE("version text: blanks go, the first comma becomes a dot, later commas go") {
    CHECK(Compact("1, 0, 0, 4") == "1.004");
    CHECK(Compact("2,10,3,0") == "2.1030");
    CHECK(Compact("1.0.0.4") == "1.0.0.4");
    CHECK(Compact("1 0 0 4") == "1004");
    CHECK(Compact("") == "");
    CHECK(Compact("   ") == "");
    CHECK(Compact(",,,") == ".");
    CHECK(Compact("beta, 7") == "beta.7");
}

TEST_CASE("version text longer than the output is cut and stays terminated") {
    std::string longVersion;
    for (int i = 0; i < 40; ++i) {
        longVersion += "12, ";
    }
    std::string compacted = Compact(longVersion.c_str());
    CHECK(compacted.size() == 63);
    CHECK(compacted.substr(0, 6) == "12.121");

    char small[8];
    std::memset(small, 'x', sizeof small);
    CompactVersionText("1, 2, 3, 4, 5, 6, 7", small, 5);
    CHECK(std::string(small) == "1.23");
    CHECK(small[5] == 'x');  // nothing written past the given size
}

TEST_CASE("a cut never splits a double-byte character") {
    // The tests run with the Japanese ANSI code page, the saver's own.
    REQUIRE(GetACP() == 932);
    const std::string kanji = "\x93\xfa";  // one character, lead and trail byte
    // 62 bytes and then a character: only its lead byte would fit in 63.
    CHECK(Compact((std::string(62, '1') + kanji).c_str()) == std::string(62, '1'));
    CHECK(Compact((std::string(61, '1') + kanji).c_str()) == std::string(61, '1') + kanji);
    // 0x81 is a lead byte and also a trail byte: 61 + "\x81\x81" fills 63 bytes
    // exactly, and the last of them is a trail byte, not a lead byte to drop.
    const std::string pairs = "\x81\x81\x81\x81";
    CHECK(Compact((std::string(61, '1') + pairs).c_str()) == std::string(61, '1') + "\x81\x81");
    CHECK(Compact((std::string(60, '1') + pairs).c_str()) == std::string(60, '1') + "\x81\x81");
}

TEST_CASE("a file without a version shows question marks") {
    HWND parent = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 100, 40, nullptr, nullptr,
                                  GetModuleHandleA(nullptr), nullptr);
    REQUIRE(parent != nullptr);
    HWND control =
        CreateWindowExA(0, "STATIC", "old", WS_CHILD, 0, 0, 90, 20, parent,
                        reinterpret_cast<HMENU>(1003), GetModuleHandleA(nullptr), nullptr);
    REQUIRE(control != nullptr);
    char text[64];

    char ownPath[MAX_PATH];
    GetModuleFileNameA(nullptr, ownPath, MAX_PATH);
    CHECK(SetVersionText(ownPath, parent, 1003) == 0);
    GetWindowTextA(control, text, sizeof text);
    CHECK(std::string(text) == "????");

    SetWindowTextA(control, "old");
    CHECK(SetVersionText("C:\\no\\such\\file.scr", parent, 1003) == 0);
    GetWindowTextA(control, text, sizeof text);
    CHECK(std::string(text) == "????");

    DestroyWindow(parent);
}
