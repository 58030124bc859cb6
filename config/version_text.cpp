#include "config/version_text.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

namespace {

const int TEXT_SIZE = 256;   // the raw FileVersion string, cut to 255 bytes
const int OUTPUT_SIZE = 64;  // the compacted text, cut to 63 bytes

const char UNKNOWN_VERSION[] = "????";

// Bytes of the character at `text`: 2 for a lead byte of the ANSI code page
// (code page 932 on the saver's home system) followed by its trail byte,
// else 1.
int CharBytes(const char* text, const char* textEnd) {
    const bool lead = IsDBCSLeadByte(static_cast<BYTE>(*text)) != 0;
    return lead && text + 1 < textEnd && text[1] != '\0' ? 2 : 1;
}

// Copies whole characters of `source`, at most `size` - 1 bytes, stopping at
// its terminator or at `sourceEnd`, and terminates the copy.  A double-byte
// character that does not fit is left out whole.
void CopyBounded(const char* source, const char* sourceEnd, char* dest, int size) {
    int count = 0;
    while (source + count < sourceEnd && source[count] != '\0') {
        const int length = CharBytes(source + count, sourceEnd);
        if (count + length > size - 1) break;
        for (int i = 0; i < length; ++i, ++count) dest[count] = source[count];
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
    const char* versionEnd = version + std::strlen(version);
    bool commaSeen = false;
    int count = 0;
    for (const char* p = version; *p != '\0'; p += CharBytes(p, versionEnd)) {
        // Blanks and commas are single bytes, and never the trail byte of a
        // double-byte character.
        if (*p == ' ') {
            continue;
        }
        if (*p == ',') {
            if (!commaSeen && count < outputSize - 1) {
                output[count++] = '.';
                commaSeen = true;
            }
            continue;
        }
        const int length = CharBytes(p, versionEnd);
        if (count + length > outputSize - 1) {
            break;  // cut before a character that does not fit whole
        }
        for (int i = 0; i < length; ++i) output[count++] = p[i];
    }
    output[count] = '\0';
}

int SetVersionText(const char* path, HWND dialog, int controlId) {
    HWND control = GetDlgItem(dialog, controlId);
    int shown = 0;
    char output[OUTPUT_SIZE];
    lstrcpynA(output, UNKNOWN_VERSION, OUTPUT_SIZE);

    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeA(path, &handle);
    // One spare zero byte behind the data keeps every string in the block
    // terminated.  Without memory for the block "????" stays.
    std::unique_ptr<char[]> block(size != 0 && size < MAXDWORD ? new (std::nothrow) char[size + 1]()
                                                               : nullptr);
    char text[TEXT_SIZE];
    if (block && GetFileVersionInfoA(path, handle, size, block.get())) {
        const char* version = FindFileVersion(block.get(), text);
        const char* blockEnd = block.get() + size + 1;
        if (version != nullptr && version >= block.get() && version < blockEnd) {
            CopyBounded(version, blockEnd, text, TEXT_SIZE);
            CompactVersionText(text, output, OUTPUT_SIZE);
            shown = 1;
        }
    }
    SetWindowTextA(control, output);
    return shown;
}
