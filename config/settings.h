#ifndef VELMOR_CONFIG_SETTINGS_H
#define VELMOR_CONFIG_SETTINGS_H

// The settings file: velmor.INI (named after the executable).  The user's
// own %LOCALAPPDATA%\VirtualStore\Windows\velmor.INI is used whenever it
// exists; otherwise the Windows directory's file is read and written, and
// when that write fails (a standard user) the user's own file is made from a
// copy of it and written instead.  Readers apply the default and replace
// out-of-range values by it; when the file name cannot be formed they use
// the defaults and writers write nothing.

// Forms the settings-file name into buffer (size bytes).  1 on success.
int GetIniFileName(char* buffer, int size);

// Bytes of the buffer that receives the executable's full path (with
// GetModuleFileNameA); a path that does not fit is not used.
const int MODULE_PATH_SIZE = 256;

// "Image" / "NO": picture the next show starts with; 1..12, else 1.
int ReadStartPicture();
// "Config" / the interval key: display interval in seconds; 15..300, else 30.
int ReadIntervalSeconds();

// Store the values as "%d" text; 1 when the file name could be formed and
// the profile function reported success, else 0.
int WriteStartPicture(int pictureNumber);
int WriteIntervalSeconds(int seconds);

// Building blocks of the above, for callers that already have a name.

// The settings-file name for executable path `path`: its file title with a
// four-character extension (".xyz") removed, then ".INI", into buffer
// (size bytes).  0 when the title cannot be had or the name does not fit.
int IniFileNameFromPath(const char* path, char* buffer, int size);
// Steps after the title: strip a four-character extension, append ".INI".
int IniFileNameFromTitle(const char* title, char* buffer, int size);

// The range checks: a value outside the range becomes the default (it is
// never clamped).
int CheckedStartPicture(int value);
int CheckedIntervalSeconds(int value);

// Readers and writers on a given bare file name, in the places above; a
// null name (the name could not be formed) reads the default and writes
// nothing.
int ReadStartPictureFrom(const char* iniFileName);
int ReadIntervalSecondsFrom(const char* iniFileName);
int WriteStartPictureTo(const char* iniFileName, int pictureNumber);
int WriteIntervalSecondsTo(const char* iniFileName, int seconds);

// Section and key names; the interval key is the Shift-JIS text for
// "display interval", the same eight bytes whatever the ANSI code page.
extern const char START_PICTURE_SECTION[];
extern const char START_PICTURE_KEY[];
extern const char INTERVAL_SECTION[];
extern const char INTERVAL_KEY[];

#endif
