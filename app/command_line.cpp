#include "app/command_line.h"

#include <windows.h>
#include <cstring>
#include <new>

namespace {

// Splits off the next space-delimited word of `*cursor`, like strtok with
// the single delimiter ' ', and advances the cursor past it.
char* NextWord(char** cursor) {
    char* p = *cursor;
    if (p == nullptr) {
        return nullptr;
    }
    while (*p == ' ') {
        ++p;
    }
    if (*p == '\0') {
        *cursor = p;
        return nullptr;
    }
    char* word = p;
    while (*p != '\0' && *p != ' ') {
        ++p;
    }
    if (*p == ' ') {
        *p++ = '\0';
    }
    *cursor = p;
    return word;
}

const char* SkipSwitchPrefix(const char* word) {
    return (*word == '-' || *word == '/') ? word + 1 : word;
}

}  // namespace

CommandLineWords::CommandLineWords(const char* commandLine)
    : switchWord(nullptr), argumentWord(nullptr), thirdWord(nullptr), copied(true) {
    if (commandLine == nullptr) {
        return;  // no words: the windowed mode
    }
    const size_t length = std::strlen(commandLine);
    buffer.reset(new (std::nothrow) char[length + 1]);
    if (!buffer) {
        copied = false;
        return;
    }
    std::memcpy(buffer.get(), commandLine, length + 1);

    char* cursor = buffer.get();
    switchWord = NextWord(&cursor);
    if (switchWord != nullptr) {
        argumentWord = NextWord(&cursor);
    }
    if (argumentWord != nullptr) {
        thirdWord = NextWord(&cursor);
    }
}

bool IsSwitch(const char* word, const char* letter) {
    if (word == nullptr) {
        return false;
    }
    return lstrcmpiA(SkipSwitchPrefix(word), letter) == 0;
}

bool IsConfigureWithOwner(const char* word) {
    if (word == nullptr) {
        return false;
    }
    const char* rest = SkipSwitchPrefix(word);
    return (rest[0] == 'c' || rest[0] == 'C') && rest[1] == ':';
}

SaverMode SelectMode(const char* switchWord) {
    if (IsSwitch(switchWord, "c") || IsConfigureWithOwner(switchWord)) {
        return MODE_CONFIGURE;
    }
    if (IsSwitch(switchWord, "p")) {
        return MODE_PREVIEW;
    }
    if (IsSwitch(switchWord, "s")) {
        return MODE_FULL_SCREEN;
    }
    if (IsSwitch(switchWord, "a")) {
        return MODE_PASSWORD;
    }
    return MODE_WINDOWED;
}

long ParseWindowNumber(const char* word) {
    if (word == nullptr) {
        return 0;
    }
    const char* p = word;
    while (*p == ' ' || (*p >= '\t' && *p <= '\r')) {
        ++p;
    }
    bool negative = false;
    if (*p == '+' || *p == '-') {
        negative = (*p == '-');
        ++p;
    }
    unsigned long value = 0;
    while (*p >= '0' && *p <= '9') {
        value = value * 10u + static_cast<unsigned long>(*p - '0');
        ++p;
    }
    if (negative) {
        value = 0u - value;
    }
    return static_cast<long>(value);
}
