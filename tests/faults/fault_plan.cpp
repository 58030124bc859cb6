#include "tests/faults/fault_plan.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "tests/faults/fault_functions.h"

namespace {

bool ParseEntry(const char* begin, const char* end, PlannedFault* fault) {
    const char* nameEnd = begin;
    while (nameEnd < end && *nameEnd != '@' && *nameEnd != ':') ++nameEnd;
    fault->function = FaultFunctionNamed(begin, static_cast<size_t>(nameEnd - begin));
    if (fault->function < 0 || nameEnd == end) return false;
    const std::string rest(nameEnd, end);
    unsigned long site = 0;
    long call = 0;
    char persistent = 0;
    int used = 0;
    if (rest[0] == '@') {
        if (std::sscanf(rest.c_str(), "@%lx:%ld%n", &site, &call, &used) != 2) return false;
    } else if (std::sscanf(rest.c_str(), ":%ld%n", &call, &used) != 1) {
        return false;
    }
    const std::string tail = rest.substr(static_cast<size_t>(used));
    if (!tail.empty()) {
        if (std::sscanf(tail.c_str(), ":%c", &persistent) != 1 || persistent != 'p' ||
            tail.size() != 2)
            return false;
    }
    fault->site = static_cast<DWORD>(site);
    fault->call = call;
    fault->persistent = persistent == 'p';
    return call >= 1;
}

}  // namespace

bool ParseFaultPlan(const char* text, std::vector<PlannedFault>* faults) {
    faults->clear();
    if (text == nullptr) return true;
    const char* begin = text;
    while (*begin != '\0') {
        const char* end = std::strchr(begin, ',');
        if (end == nullptr) end = begin + std::strlen(begin);
        PlannedFault fault;
        if (!ParseEntry(begin, end, &fault)) {
            faults->clear();
            return false;
        }
        faults->push_back(fault);
        begin = *end == ',' ? end + 1 : end;
    }
    return true;
}

std::string FormatFaultPlan(const std::vector<PlannedFault>& faults) {
    std::string text;
    for (const PlannedFault& fault : faults) {
        char entry[96];
        if (fault.site != 0)
            std::snprintf(entry, sizeof entry, "%s@%lx:%ld%s", NameOf(fault.function),
                          static_cast<unsigned long>(fault.site), fault.call,
                          fault.persistent ? ":p" : "");
        else
            std::snprintf(entry, sizeof entry, "%s:%ld%s", NameOf(fault.function), fault.call,
                          fault.persistent ? ":p" : "");
        if (!text.empty()) text += ",";
        text += entry;
    }
    return text;
}
