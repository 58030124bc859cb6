#ifndef VELMOR_TESTS_FAULTS_SETTINGS_CHECK_H
#define VELMOR_TESTS_FAULTS_SETTINGS_CHECK_H

// What a run may leave in a settings file (velmor.INI): the file as it was,
// or a whole, valid file with the values the run should have stored; never
// a truncated or partial one.

#include <string>
#include <vector>

// The two settings; 0 for a key the file does not hold.
struct SettingsValues {
    int startPicture = 0;     // [Image] NO, 1..12
    int intervalSeconds = 0;  // [Config] <the Shift-JIS key>, 15..300
};

// A file's bytes (`exists` false: no file), before and after a run.
struct SettingsFile {
    bool exists = false;
    std::string bytes;
};

// Reads `bytes` as a settings file: every line ends with CRLF and is blank,
// a section header [Image] or [Config], or one of the two keys in its
// section with a decimal value in its range, each key at most once.
// "" when it is valid, with its values in *values; else what is wrong.
std::string ParseSettings(const std::string& bytes, SettingsValues* values);

// "" when `after` is `before` unchanged (if `unchangedAllowed`) or a valid
// file holding exactly one of `accepted`; else what is wrong.
std::string CheckSettingsFile(const SettingsFile& before, const SettingsFile& after,
                              const std::vector<SettingsValues>& accepted, bool unchangedAllowed);

#endif
