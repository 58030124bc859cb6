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
// The folders of the per-user file, under %LOCALAPPDATA%.
const char* const PER_USER_FOLDERS[] = {"\\VirtualStore", "\\Windows"};

bool IsFile(const char* path) {
    DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

// Appends `tail` to the path in `path`; false when it would not fit.
bool Append(char (&path)[MAX_PATH], const char* tail) {
    size_t length = std::strlen(path);
    size_t added = std::strlen(tail);
    if (length + added >= sizeof path) {
        return false;
    }
    std::memcpy(path + length, tail, added + 1);
    return true;
}

// A drive letter and a separator, or a UNC path (\\server\share).
bool IsAbsolute(const wchar_t* path) {
    bool drive = ((path[0] >= L'A' && path[0] <= L'Z') || (path[0] >= L'a' && path[0] <= L'z')) &&
                 path[1] == L':' && (path[2] == L'\\' || path[2] == L'/');
    return drive || (path[0] == L'\\' && path[1] == L'\\');
}

// The ANSI form of a wide path; false when a character of it has none in
// the ANSI code page (it would come out as '?', naming no file).
bool ToAnsi(const wchar_t* wide, char (&path)[MAX_PATH]) {
    BOOL lossy = FALSE;
    int bytes = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide, -1, path, MAX_PATH, nullptr,
                                    &lossy);
    return bytes > 0 && !lossy;
}

// %LOCALAPPDATA% as an absolute ANSI path.  A folder name outside the ANSI
// code page (a Cyrillic user name on a Western system, say) is reached
// through the path's short (8.3) form, where the volume keeps one.  False
// where there is no such path: no LOCALAPPDATA (Windows XP), one that is
// not absolute (empty, relative, a %VARIABLE% left unexpanded), which
// would name another folder in every current directory, or no ANSI form.
bool LocalAppData(char (&path)[MAX_PATH]) {
    wchar_t wide[MAX_PATH];
    DWORD length = GetEnvironmentVariableW(L"LOCALAPPDATA", wide, MAX_PATH);
    if (length == 0 || length >= MAX_PATH || !IsAbsolute(wide)) {
        return false;
    }
    if (ToAnsi(wide, path)) {
        return true;
    }
    wchar_t shortForm[MAX_PATH];
    length = GetShortPathNameW(wide, shortForm, MAX_PATH);
    return length != 0 && length < MAX_PATH && ToAnsi(shortForm, path);
}

// The per-user copy of the Windows directory's file `name`, where current
// Windows redirects a 32-bit program's writes to it:
// %LOCALAPPDATA%\VirtualStore\Windows\name.  False where there is no usable
// LOCALAPPDATA or the path does not fit; the Windows directory's file is
// then the only one.  `createFolders` makes the folders on the way.
bool PerUserPath(const char* name, char (&path)[MAX_PATH], bool createFolders) {
    if (!LocalAppData(path)) {
        return false;
    }
    for (const char* folder : PER_USER_FOLDERS) {
        if (!Append(path, folder)) {
            return false;
        }
        if (createFolders) {
            CreateDirectoryA(path, nullptr);
        }
    }
    return Append(path, "\\") && Append(path, name);
}

// The file that holds the settings: the per-user file when there is one
// (into `perUser`), else the bare name, which the profile functions look up
// in the Windows directory.
const char* FileInUse(const char* name, char (&perUser)[MAX_PATH]) {
    return PerUserPath(name, perUser, false) && IsFile(perUser) ? perUser : name;
}

// Clears the read-only attribute that a copy takes over from its source.
bool MakeWritable(const char* path) {
    DWORD attributes = GetFileAttributesA(path);
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        return false;
    }
    return (attributes & FILE_ATTRIBUTE_READONLY) == 0 ||
           SetFileAttributesA(path, attributes & ~FILE_ATTRIBUTE_READONLY) != 0;
}

// Makes the per-user file a copy of the Windows directory's file, if there
// is one, so that no other key is lost.  False when it cannot: a per-user
// file without those keys would hide them.  The copy is the user's own to
// write, also where an administrator made the original read-only.
bool StartPerUserFile(const char* name, char (&perUser)[MAX_PATH]) {
    char windowsFile[MAX_PATH];
    UINT length = GetWindowsDirectoryA(windowsFile, MAX_PATH);
    if (length == 0 || length >= MAX_PATH || !Append(windowsFile, "\\") ||
        !Append(windowsFile, name) || !PerUserPath(name, perUser, true)) {
        return false;
    }
    // Never over a per-user file that another process has just made.
    if (CopyFileA(windowsFile, perUser, TRUE)) {
        return MakeWritable(perUser);
    }
    return !IsFile(windowsFile) || IsFile(perUser);
}

// The integer the key's value text begins with, or `defaultValue` when the
// file, section or key is missing or the file name could not be formed.
int ReadInt(const char* iniFileName, const char* section, const char* key, int defaultValue) {
    if (iniFileName == nullptr) {
        return defaultValue;
    }
    char perUser[MAX_PATH];
    return static_cast<int>(
        GetPrivateProfileIntA(section, key, defaultValue, FileInUse(iniFileName, perUser)));
}

// Writes to the file in use.  A standard user cannot write the Windows
// directory (a 64-bit program, or a 32-bit one where Windows does not
// redirect the write): the value then goes into a new per-user file.
int WriteInt(const char* iniFileName, const char* section, const char* key, int value) {
    if (iniFileName == nullptr) {
        return 0;
    }
    char text[16];
    std::snprintf(text, sizeof text, "%d", value);
    char perUser[MAX_PATH];
    const char* file = FileInUse(iniFileName, perUser);
    if (WritePrivateProfileStringA(section, key, text, file)) {
        return 1;
    }
    if (file == perUser || !StartPerUserFile(iniFileName, perUser)) {
        return 0;
    }
    return WritePrivateProfileStringA(section, key, text, perUser) ? 1 : 0;
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
