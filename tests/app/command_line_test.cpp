#include <doctest/doctest.h>

#include <string>

#include "app/command_line.h"

namespace {

std::string Word(const char* word) {
    return word == nullptr ? std::string("(none)") : std::string(word);
}

}  // namespace

TEST_CASE("the command line splits on spaces only, into at most three words") {
    CommandLineWords words("/p  1234 extra more");
    CHECK(Word(words.switchWord) == "/p");
    CHECK(Word(words.argumentWord) == "1234");
    CHECK(Word(words.thirdWord) == "extra");

    CommandLineWords tab("/p\t1234");
    CHECK(Word(tab.switchWord) == "/p\t1234");
    CHECK(tab.argumentWord == nullptr);

    CommandLineWords leading("   /s   ");
    CHECK(Word(leading.switchWord) == "/s");
    CHECK(leading.argumentWord == nullptr);
    CHECK(leading.thirdWord == nullptr);

    CommandLineWords empty("");
    CHECK(empty.switchWord == nullptr);
    CHECK(empty.argumentWord == nullptr);

    CommandLineWords blanks("    ");
    CHECK(blanks.switchWord == nullptr);

    CommandLineWords none(nullptr);
    CHECK(none.switchWord == nullptr);
}

TEST_CASE("the command line itself is left unchanged") {
    char line[] = "/p 99 x";
    CommandLineWords words(line);
    CHECK(std::string(line) == "/p 99 x");
}

TEST_CASE("a switch is its letter behind at most one '-' or '/', in either case") {
    CHECK(IsSwitch("s", "s"));
    CHECK(IsSwitch("S", "s"));
    CHECK(IsSwitch("-s", "s"));
    CHECK(IsSwitch("/S", "s"));
    CHECK(IsSwitch("-p", "p"));

    CHECK_FALSE(IsSwitch(nullptr, "s"));
    CHECK_FALSE(IsSwitch("", "s"));
    CHECK_FALSE(IsSwitch("/", "s"));
    CHECK_FALSE(IsSwitch("//s", "s"));
    CHECK_FALSE(IsSwitch("-/s", "s"));
    CHECK_FALSE(IsSwitch("/s:1", "s"));
    CHECK_FALSE(IsSwitch("ss", "s"));
    CHECK_FALSE(IsSwitch("/c", "s"));
    CHECK_FALSE(IsSwitch("/s\t1", "s"));
}

TEST_CASE("the modes are tried in the order configure, preview, full screen, password") {
    CHECK(SelectMode("c") == MODE_CONFIGURE);
    CHECK(SelectMode("/C") == MODE_CONFIGURE);
    CHECK(SelectMode("-p") == MODE_PREVIEW);
    CHECK(SelectMode("/s") == MODE_FULL_SCREEN);
    CHECK(SelectMode("-S") == MODE_FULL_SCREEN);
    CHECK(SelectMode("a") == MODE_PASSWORD);
    CHECK(SelectMode("/A") == MODE_PASSWORD);

    CHECK(SelectMode(nullptr) == MODE_WINDOWED);
    CHECK(SelectMode("") == MODE_WINDOWED);
    CHECK(SelectMode("x") == MODE_WINDOWED);
    CHECK(SelectMode("//s") == MODE_WINDOWED);
    CHECK(SelectMode("/s:1") == MODE_WINDOWED);
    CHECK(SelectMode("/p:123") == MODE_WINDOWED);
    CHECK(SelectMode("/s\t1") == MODE_WINDOWED);
    CHECK(SelectMode("/a:1") == MODE_WINDOWED);
}

TEST_CASE("the configure switch with an owner after a colon opens the dialog") {
    CHECK(SelectMode("/c:1234") == MODE_CONFIGURE);
    CHECK(SelectMode("-C:5") == MODE_CONFIGURE);
    CHECK(SelectMode("c:") == MODE_CONFIGURE);
    CHECK(SelectMode("/c:") == MODE_CONFIGURE);

    CHECK(SelectMode("//c") == MODE_WINDOWED);
    CHECK(SelectMode("//c:1") == MODE_WINDOWED);
    CHECK(SelectMode("/c1") == MODE_WINDOWED);
    CHECK(SelectMode("/cc:1") == MODE_WINDOWED);
    CHECK(SelectMode(":c") == MODE_WINDOWED);
    CHECK(SelectMode("/c\t1") == MODE_WINDOWED);
}

TEST_CASE("the preview's window number is read the way atoi reads it") {
    CHECK(ParseWindowNumber("1234") == 1234);
    CHECK(ParseWindowNumber("  42") == 42);
    CHECK(ParseWindowNumber("\t+7") == 7);
    CHECK(ParseWindowNumber("-3") == -3);
    CHECK(ParseWindowNumber("12abc") == 12);
    CHECK(ParseWindowNumber("abc") == 0);
    CHECK(ParseWindowNumber("0") == 0);
    CHECK(ParseWindowNumber("") == 0);
    CHECK(ParseWindowNumber(nullptr) == 0);
    CHECK(ParseWindowNumber("0x10") == 0);
    CHECK(ParseWindowNumber("- 5") == 0);
    // A handle above 2^31 keeps its 32 bits.
    CHECK(static_cast<unsigned long>(ParseWindowNumber("3000000000")) == 3000000000ul);
}
