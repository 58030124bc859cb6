#include "app/command_line.h"

#include <windows.h>
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

// Copies `text` into `copy`; false when there is no memory for it.
bool CopyText(const char* text, std::string& copy) {
    try {
        copy.assign(text);
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

}  // namespace

CommandLineWords::CommandLineWords(const char* commandLine)
    : switchWord(nullptr), argumentWord(nullptr), thirdWord(nullptr) {
    if (commandLine == nullptr || !CopyText(commandLine, buffer)) {
        return;  // no words: the windowed mode
    }

    char* cursor = &buffer[0];
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
