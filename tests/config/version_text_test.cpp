#include <doctest/doctest.h>

#include <windows.h>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

#include "config/version_text.h"

namespace {

// While set, every allocation through operator new fails, as when memory
// has run out: the throwing forms throw, the nothrow forms give null.
bool allocationsFail = false;

}  // namespace

void* operator new(std::size_t size) {
    void* block = allocationsFail ? nullptr : std::malloc(size != 0 ? size : 1);
    if (!block) throw std::bad_alloc();
    return block;
}

void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    return allocationsFail ? nullptr : std::malloc(size != 0 ? size : 1);
}

void operator delete(void* block) noexcept {
    std::free(block);
}

void operator delete(void* block, std::size_t) noexcept {
    std::free(block);
}

namespace {

// A dialog stand-in with the version control (id 1003) in it.
struct VersionControl {
    VersionControl() {
        parent = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 100, 40, nullptr, nullptr,
                                 GetModuleHandleA(nullptr), nullptr);
        control =
            CreateWindowExA(0, "STATIC", "old", WS_CHILD, 0, 0, 90, 20, parent,
                            reinterpret_cast<HMENU>(1003), GetModuleHandleA(nullptr), nullptr);
    }
    ~VersionControl() { DestroyWindow(parent); }
    std::string Text() const {
        char text[64] = {};
        GetWindowTextA(control, text, sizeof text);
        return text;
    }
    HWND parent;
    HWND control;
};

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
    CHECK(Compact("1234, 5", 5) == "1234");  // no room left for the dot either
    CompactVersionText("1, 2", small, 0);     // no room at all: nothing written
    CHECK(small[0] == '1');
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
    // A lead byte that ends the text is a character of its own.
    CHECK(Compact("12\x93") == "12\x93");
}

TEST_CASE("a file without a version shows question marks") {
    VersionControl dialog;
    REQUIRE(dialog.control != nullptr);

    char ownPath[MAX_PATH];
    GetModuleFileNameA(nullptr, ownPath, MAX_PATH);
    CHECK(SetVersionText(ownPath, dialog.parent, 1003) == 0);
    CHECK(dialog.Text() == "????");

    SetWindowTextA(dialog.control, "old");
    CHECK(SetVersionText("C:\\no\\such\\file.scr", dialog.parent, 1003) == 0);
    CHECK(dialog.Text() == "????");
}

TEST_CASE("without memory for the version block, question marks and no exception") {
    VersionControl dialog;
    REQUIRE(dialog.control != nullptr);
    char kernel[MAX_PATH];
    GetSystemDirectoryA(kernel, MAX_PATH);
    std::strcat(kernel, "\\kernel32.dll");
    REQUIRE(SetVersionText(kernel, dialog.parent, 1003) == 1);  // it has a version

    SetWindowTextA(dialog.control, "old");
    int shown = -1;
    bool threw = false;
    allocationsFail = true;
    try {
        shown = SetVersionText(kernel, dialog.parent, 1003);
    } catch (...) {
        threw = true;
    }
    allocationsFail = false;
    CHECK_FALSE(threw);
    CHECK(shown == 0);
    CHECK(dialog.Text() == "????");
}
