#include "config/version_text.h"

#include <cstdio>
#include <new>

namespace {

const int TEXT_SIZE = 256;   // the raw FileVersion string, cut to 255 bytes
const int OUTPUT_SIZE = 64;  // the compacted text, cut to 63 bytes

const char UNKNOWN_VERSION[] = "????";

// Copies at most `size` - 1 bytes of `source`, stopping at its terminator
// or at `sourceEnd`, and terminates the copy.
void CopyBounded(const char* source, const char* sourceEnd, char* dest, int size) {
    int count = 0;
    while (count < size - 1 && source + count < sourceEnd && source[count] != '\0') {
        dest[count] = source[count];
        ++count;
    }
    dest[count] = '\0';
}

// Finds the FileVersion string of a version block through its first
// translation entry; null when the block has none.
const char* FindFileVersion(void* block, char* text) {
    void* translation = nullptr;
    UINT translationLength = 0;
    if (!VerQueryValueA(block, "\\VarFileInfo\\Translation", &translation, &translationLength) ||
        translation == nullptr || translationLength < 2 * sizeof(WORD)) {
        return nullptr;
    }
    const WORD* entry = static_cast<const WORD*>(translation);
    std::snprintf(text, TEXT_SIZE, "\\StringFileInfo\\%04x%04x\\FileVersion",
                  static_cast<unsigned>(entry[0]), static_cast<unsigned>(entry[1]));
    void* version = nullptr;
    UINT length = 0;
    if (!VerQueryValueA(block, text, &version, &length) || version == nullptr) {
        return nullptr;
    }
    return static_cast<const char*>(version);
}

}  // namespace

void CompactVersionText(const char* version, char* output, int outputSize) {
    if (outputSize <= 0) {
        return;
    }
    bool commaSeen = false;
    int count = 0;
    for (const char* p = version; *p != '\0' && count < outputSize - 1; ++p) {
        if (*p == ' ') {
            continue;
        }
        if (*p == ',') {
            if (!commaSeen) {
                output[count++] = '.';
                commaSeen = true;
            }
            continue;
        }
        output[count++] = *p;
    }
    output[count] = '\0';
}

int SetVersionText(const char* path, HWND dialog, int controlId) {
    HWND control = GetDlgItem(dialog, controlId);
    int shown = 0;
    char output[OUTPUT_SIZE];
    lstrcpynA(output, UNKNOWN_VERSION, OUTPUT_SIZE);

    DWORD handle = 0;
    DWORD size = GetFileVersionInfoSizeA(path, &handle);
    if (size != 0) {
        // One spare zero byte behind the data keeps every string in the
        // block terminated.
        char* block = new (std::nothrow) char[size + 1]();
        char* text = new (std::nothrow) char[TEXT_SIZE];
        if (block != nullptr && text != nullptr && GetFileVersionInfoA(path, handle, size, block)) {
            const char* version = FindFileVersion(block, text);
            const char* blockEnd = block + size + 1;
            if (version != nullptr && version >= block && version < blockEnd) {
                CopyBounded(version, blockEnd, text, TEXT_SIZE);
                CompactVersionText(text, output, OUTPUT_SIZE);
                shown = 1;
            }
        }
        delete[] text;
        delete[] block;
    }
    SetWindowTextA(control, output);
    return shown;
}
