#include "tests/faults/settings_check.h"

#include <cstdlib>

#include "tests/e2e/driver/saver_driver.h"

namespace {

// A decimal number in [low, high]; 0 for anything else.
int NumberIn(const std::string& text, int low, int high) {
    if (text.empty() || text.size() > 4 ||
        text.find_first_not_of("0123456789") != std::string::npos)
        return 0;
    const int value = std::atoi(text.c_str());
    return value >= low && value <= high ? value : 0;
}

std::string Describe(const SettingsValues& values) {
    return "NO=" + std::to_string(values.startPicture) +
           ", interval=" + std::to_string(values.intervalSeconds);
}

// One line of a settings file: the section it opens, or a key of `section`.
std::string ParseLine(const std::string& line, std::string* section, SettingsValues* values) {
    if (line.empty()) return "";
    if (line == "[Image]" || line == "[Config]") {
        *section = line;
        return "";
    }
    const size_t equals = line.find('=');
    if (equals == std::string::npos) return "a line that is no key: " + line;
    const std::string key = line.substr(0, equals);
    const std::string value = line.substr(equals + 1);
    int* slot = nullptr;
    int number = 0;
    if (*section == "[Image]" && key == "NO") {
        slot = &values->startPicture;
        number = NumberIn(value, 1, 12);
    } else if (*section == "[Config]" && key == e2e::INTERVAL_KEY) {
        slot = &values->intervalSeconds;
        number = NumberIn(value, 15, 300);
    } else {
        return "an unknown key in " + *section + ": " + line;
    }
    if (number == 0) return "a value out of range: " + line;
    if (*slot != 0) return "a key twice: " + line;
    *slot = number;
    return "";
}

}  // namespace

std::string ParseSettings(const std::string& bytes, SettingsValues* values) {
    *values = SettingsValues();
    if (bytes.size() < 2 || bytes.compare(bytes.size() - 2, 2, "\r\n") != 0)
        return "does not end with a whole line";
    std::string section;
    size_t begin = 0;
    while (begin < bytes.size()) {
        const size_t end = bytes.find("\r\n", begin);
        const std::string line = bytes.substr(begin, end - begin);
        if (line.find_first_of("\r\n") != std::string::npos) return "a line without CRLF";
        const std::string problem = ParseLine(line, &section, values);
        if (!problem.empty()) return problem;
        begin = end + 2;
    }
    return "";
}

std::string CheckSettingsFile(const SettingsFile& before, const SettingsFile& after,
                              const std::vector<SettingsValues>& accepted, bool unchangedAllowed) {
    const bool unchanged = after.exists == before.exists && after.bytes == before.bytes;
    if (unchanged && unchangedAllowed) return "";
    if (!after.exists) return "is gone";
    SettingsValues found;
    const std::string problem = ParseSettings(after.bytes, &found);
    if (!problem.empty()) return "is no valid settings file: " + problem;
    std::string belongs;
    for (const SettingsValues& values : accepted) {
        if (found.startPicture == values.startPicture &&
            found.intervalSeconds == values.intervalSeconds)
            return "";
        belongs += (belongs.empty() ? "" : " or ") + Describe(values);
    }
    if (belongs.empty()) return "is there, holding " + Describe(found);
    return "holds " + Describe(found) + " where " + belongs + " belongs" +
           (unchangedAllowed ? " (or the file as it was)" : "");
}
