#include "tests/faults/call_sites.h"

#include <cstdio>

namespace {

const int MAX_RANGES = 8;
// How far up the stack an allocator's caller is looked for, in words.
const int CALLER_SEARCH_WORDS = 256;

struct Range {
    DWORD begin = 0;
    DWORD end = 0;
    bool Holds(DWORD offset) const { return offset >= begin && offset < end; }
};

BYTE* imageBase = nullptr;
Range code;  // the executable's code, offsets
struct RangeList {
    Range ranges[MAX_RANGES];
    int count = 0;
    bool Holds(DWORD offset) const {
        for (int i = 0; i < count; ++i)
            if (ranges[i].Holds(offset)) return true;
        return false;
    }
};

RangeList passRanges;
RangeList spareRanges;

void FindCode(HMODULE executable) {
    imageBase = reinterpret_cast<BYTE*>(executable);
    const IMAGE_NT_HEADERS* headers = reinterpret_cast<const IMAGE_NT_HEADERS*>(
        imageBase + reinterpret_cast<const IMAGE_DOS_HEADER*>(imageBase)->e_lfanew);
    const IMAGE_SECTION_HEADER* section = IMAGE_FIRST_SECTION(headers);
    for (int i = 0; i < headers->FileHeader.NumberOfSections; ++i, ++section) {
        if ((section->Characteristics & IMAGE_SCN_CNT_CODE) == 0) continue;
        const DWORD end = section->VirtualAddress + section->Misc.VirtualSize;
        if (code.end == 0 || section->VirtualAddress < code.begin)
            code.begin = section->VirtualAddress;
        if (end > code.end) code.end = end;
    }
}

void ReadRanges(const char* text, RangeList* list) {
    unsigned long begin = 0;
    unsigned long end = 0;
    int used = 0;
    while (text && list->count < MAX_RANGES &&
           std::sscanf(text, "%lx-%lx%n", &begin, &end, &used) == 2) {
        list->ranges[list->count].begin = static_cast<DWORD>(begin);
        list->ranges[list->count].end = static_cast<DWORD>(end);
        ++list->count;
        text += used;
        if (*text != ',') break;
        ++text;
    }
}

bool Passed(DWORD offset) {
    return passRanges.Holds(offset);
}

// Whether `offset` is a return address: code that follows a call
// instruction (relative, through memory, or through a register).
bool FollowsCall(DWORD offset) {
    if (!code.Holds(offset) || offset < code.begin + 6) return false;
    const BYTE* after = imageBase + offset;
    if (after[-5] == 0xE8) return true;                                // call rel32
    if (after[-6] == 0xFF && (after[-5] & 0x38) == 0x10) return true;  // call [mem32]
    if (after[-3] == 0xFF && (after[-2] & 0xF8) == 0x50) return true;  // call [reg+d8]
    return after[-2] == 0xFF && (after[-1] & 0xF8) == 0xD0;            // call reg
}

// The end of the stack's committed memory above `word`.
ULONG_PTR StackEnd(const void* word) {
    MEMORY_BASIC_INFORMATION region = {};
    if (!VirtualQuery(word, &region, sizeof region)) return reinterpret_cast<ULONG_PTR>(word);
    return reinterpret_cast<ULONG_PTR>(region.BaseAddress) + region.RegionSize;
}

}  // namespace

void InitCallSites(HMODULE executable, const char* passText, const char* spareText) {
    FindCode(executable);
    ReadRanges(passText, &passRanges);
    ReadRanges(spareText, &spareRanges);
}

bool Spared(DWORD site) {
    return spareRanges.Holds(site);
}

DWORD SiteOf(const void* returnAddress) {
    const ULONG_PTR address = reinterpret_cast<ULONG_PTR>(returnAddress);
    const ULONG_PTR base = reinterpret_cast<ULONG_PTR>(imageBase);
    if (address < base || address - base >= 0xFFFFFFFFu) return 0;
    return static_cast<DWORD>(address - base);
}

DWORD AllocatorSiteOf(const void* returnAddress, void* const* slot) {
    const DWORD own = SiteOf(returnAddress);
    if (!Passed(own)) return own;
    const ULONG_PTR top = StackEnd(slot);
    for (int i = 1; i <= CALLER_SEARCH_WORDS; ++i) {
        void* const* word = slot + i;
        if (reinterpret_cast<ULONG_PTR>(word + 1) > top) break;
        const DWORD offset = SiteOf(*word);
        if (offset != 0 && FollowsCall(offset) && !Passed(offset)) return offset;
    }
    return own;
}
