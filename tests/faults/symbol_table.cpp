#include "tests/faults/symbol_table.h"

#include <cstdio>
#include <cstdlib>

#include "tests/e2e/driver/saver_driver.h"

bool SymbolTable::Load(const std::string& path) {
    symbols.clear();
    std::string text;
    if (path.empty() || !e2e::ReadFileBytes(path, &text)) return false;
    size_t begin = 0;
    while (begin < text.size()) {
        size_t end = text.find('\n', begin);
        if (end == std::string::npos) end = text.size();
        const std::string line = text.substr(begin, end - begin);
        const size_t space = line.find(' ');
        if (space != std::string::npos) {
            Symbol symbol;
            symbol.offset = static_cast<DWORD>(std::strtoul(line.c_str(), nullptr, 16));
            symbol.name = line.substr(space + 1);
            symbols.push_back(symbol);
        }
        begin = end + 1;
    }
    return !symbols.empty();
}

std::string SymbolTable::NameOf(DWORD offset) const {
    char text[32];
    const Symbol* found = nullptr;
    for (const Symbol& symbol : symbols) {
        if (symbol.offset > offset) break;
        found = &symbol;
    }
    if (!found) {
        std::snprintf(text, sizeof text, "+0x%lx", static_cast<unsigned long>(offset));
        return text;
    }
    std::snprintf(text, sizeof text, "+0x%lx", static_cast<unsigned long>(offset - found->offset));
    return found->name + text;
}

std::string SymbolTable::OperatorNewRanges() const {
    std::string ranges;
    for (size_t i = 0; i + 1 < symbols.size(); ++i) {
        if (symbols[i].name.compare(0, 13, "operator new(") != 0 &&
            symbols[i].name.compare(0, 15, "operator new[](") != 0)
            continue;
        char range[48];
        std::snprintf(range, sizeof range, "%s%lx-%lx", ranges.empty() ? "" : ",",
                      static_cast<unsigned long>(symbols[i].offset),
                      static_cast<unsigned long>(symbols[i + 1].offset));
        ranges += range;
    }
    return ranges;
}

std::string SymbolTable::GcovRange() const {
    size_t first = symbols.size();
    size_t last = symbols.size();
    for (size_t i = 0; i + 1 < symbols.size(); ++i) {
        const std::string& name = symbols[i].name;
        if (name.compare(0, 7, "__gcov_") != 0 && name.compare(0, 5, "gcov_") != 0) continue;
        if (first == symbols.size()) first = i;
        last = i;
    }
    if (first == symbols.size()) return std::string();
    char range[48];
    std::snprintf(range, sizeof range, "%lx-%lx", static_cast<unsigned long>(symbols[first].offset),
                  static_cast<unsigned long>(symbols[last + 1].offset));
    return range;
}
