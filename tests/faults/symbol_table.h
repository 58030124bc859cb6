#ifndef VELMOR_TESTS_FAULTS_SYMBOL_TABLE_H
#define VELMOR_TESTS_FAULTS_SYMBOL_TABLE_H

// velmor.scr's code symbols, as tools/fault-sweep.sh lists them with nm:
// one "OFFSET NAME" line each (hex offset into the image), in address order.
// They name the call sites in the sweep's report and give the code of the
// runtime's operator new, past which an allocator call's site is sought.

#include <windows.h>

#include <string>
#include <vector>

class SymbolTable {
public:
    // False when the file cannot be read; the table is then empty.
    bool Load(const std::string& path);

    // "Function+0x1c" for an offset; the bare offset without symbols.
    std::string NameOf(DWORD offset) const;
    // The code of every operator new, as VELMOR_FAULT_PASS wants it.
    std::string OperatorNewRanges() const;
    // The code of a coverage build's gcov runtime, from its first function
    // to the end of its last, as VELMOR_FAULT_SPARE wants it; empty for a
    // build without one.
    std::string GcovRange() const;

private:
    struct Symbol {
        DWORD offset;
        std::string name;
    };
    std::vector<Symbol> symbols;
};

#endif
