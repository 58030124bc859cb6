#include "config/settings.h"

#include <windows.h>
#include <commdlg.h>
#include <cstdio>
#include <cstring>

#include "res/resource.h"

const char START_PICTURE_SECTION[] = "Image";
const char START_PICTURE_KEY[] = "NO";
const char INTERVAL_SECTION[] = "Config";
const char INTERVAL_KEY[] = "\x95\x5C\x8E\xA6\x8A\xD4\x8A\x75";

namespace {

const int DEFAULT_START_PICTURE = 1;
const int FIRST_PICTURE = 1;
const int LAST_PICTURE = PICTURE_COUNT;
const int DEFAULT_INTERVAL_SECONDS = 30;
const int SHORTEST_INTERVAL_SECONDS = 15;
const int LONGEST_INTERVAL_SECONDS = 300;

const int INI_NAME_SIZE = 64;
const char INI_EXTENSION[] = ".INI";

// The integer the key's value text begins with, or `defaultValue` when the
// file, section or key is missing or the file name could not be formed.
int ReadInt(const char* iniFileName, const char* section, const char* key, int defaultValue) {
    if (iniFileName == nullptr) {
        return defaultValue;
    }
    return static_cast<int>(GetPrivateProfileIntA(section, key, defaultValue, iniFileName));
}

int WriteInt(const char* iniFileName, const char* section, const char* key, int value) {
    if (iniFileName == nullptr) {
        return 0;
    }
    char text[16];
    std::snprintf(text, sizeof text, "%d", value);
    return WritePrivateProfileStringA(section, key, text, iniFileName) ? 1 : 0;
}

// The settings-file name of the running executable, or null.
const char* OwnIniFileName(char (&buffer)[INI_NAME_SIZE]) {
    return GetIniFileName(buffer, INI_NAME_SIZE) ? buffer : nullptr;
}

}  // namespace

int IniFileNameFromTitle(const char* title, char* buffer, int size) {
    size_t length = std::strlen(title);
    // The title comes with or without its extension, as the shell's
    // setting has it; both must give the same name.
    if (length >= 4 && title[length - 4] == '.') {
        length -= 4;
    }
    if (size <= 0 || length + sizeof INI_EXTENSION > static_cast<size_t>(size)) {
        return 0;
    }
    std::memmove(buffer, title, length);
    std::memcpy(buffer + length, INI_EXTENSION, sizeof INI_EXTENSION);
    return 1;
}

int IniFileNameFromPath(const char* path, char* buffer, int size) {
    if (size <= 0 || size > 0xFFFF) {
        return 0;
    }
    if (GetFileTitleA(path, buffer, static_cast<WORD>(size)) != 0) {
        return 0;
    }
    buffer[size - 1] = '\0';
    return IniFileNameFromTitle(buffer, buffer, size);
}

int GetIniFileName(char* buffer, int size) {
    char path[MODULE_PATH_SIZE];
    DWORD length = GetModuleFileNameA(nullptr, path, MODULE_PATH_SIZE);
    // A cut path would name some other file (and may lack its terminator).
    if (length == 0 || length >= static_cast<DWORD>(MODULE_PATH_SIZE)) {
        return 0;
    }
    return IniFileNameFromPath(path, buffer, size);
}

int CheckedStartPicture(int value) {
    return (value < FIRST_PICTURE || value > LAST_PICTURE) ? DEFAULT_START_PICTURE : value;
}

int CheckedIntervalSeconds(int value) {
    return (value < SHORTEST_INTERVAL_SECONDS || value > LONGEST_INTERVAL_SECONDS)
               ? DEFAULT_INTERVAL_SECONDS
               : value;
}

int ReadStartPictureFrom(const char* iniFileName) {
    return CheckedStartPicture(
        ReadInt(iniFileName, START_PICTURE_SECTION, START_PICTURE_KEY, DEFAULT_START_PICTURE));
}

int ReadIntervalSecondsFrom(const char* iniFileName) {
    return CheckedIntervalSeconds(
        ReadInt(iniFileName, INTERVAL_SECTION, INTERVAL_KEY, DEFAULT_INTERVAL_SECONDS));
}

int WriteStartPictureTo(const char* iniFileName, int pictureNumber) {
    return WriteInt(iniFileName, START_PICTURE_SECTION, START_PICTURE_KEY, pictureNumber);
}

int WriteIntervalSecondsTo(const char* iniFileName, int seconds) {
    return WriteInt(iniFileName, INTERVAL_SECTION, INTERVAL_KEY, seconds);
}

int ReadStartPicture() {
    char name[INI_NAME_SIZE];
    return ReadStartPictureFrom(OwnIniFileName(name));
}

int ReadIntervalSeconds() {
    char name[INI_NAME_SIZE];
    return ReadIntervalSecondsFrom(OwnIniFileName(name));
}

int WriteStartPicture(int pictureNumber) {
    char name[INI_NAME_SIZE];
    return WriteStartPictureTo(OwnIniFileName(name), pictureNumber);
}

int WriteIntervalSeconds(int seconds) {
    char name[INI_NAME_SIZE];
    return WriteIntervalSecondsTo(OwnIniFileName(name), seconds);
}
