#ifndef VELMOR_CONFIG_SETTINGS_H
#define VELMOR_CONFIG_SETTINGS_H

// The settings file: velmor.INI (named after the executable) in the Windows
// directory.  Readers apply the default and replace out-of-range values by
// it; when the file name cannot be formed they use the defaults and writers
// write nothing.

// Forms the settings-file name into buffer (size bytes).  1 on success.
int GetIniFileName(char* buffer, int size);

// "Image" / "NO": picture the next show starts with; 1..12, else 1.
int ReadStartPicture();
// "Config" / the interval key: display interval in seconds; 15..300, else 30.
int ReadIntervalSeconds();

// Store the values as "%d" text; 1 when the file name could be formed and
// the profile function reported success, else 0.
int WriteStartPicture(int pictureNumber);
int WriteIntervalSeconds(int seconds);

#endif
