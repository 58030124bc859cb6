#include "tests/faults/saver_log.h"

#include <vector>

namespace {

const DWORD MAX_READ = 1 << 20;

}  // namespace

void SaverLog::Skip() {
    Added();
}

std::string SaverLog::Added() {
    if (path.empty()) return "";
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return "";
    std::string text;
    LARGE_INTEGER size = {};
    LARGE_INTEGER from = {};
    from.QuadPart = read;
    if (GetFileSizeEx(file, &size) && size.QuadPart > read &&
        SetFilePointerEx(file, from, nullptr, FILE_BEGIN)) {
        LONGLONG want = size.QuadPart - read;
        std::vector<char> bytes(static_cast<size_t>(want < MAX_READ ? want : MAX_READ));
        DWORD got = 0;
        if (ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr))
            text.assign(bytes.data(), got);
        read = size.QuadPart;
    }
    CloseHandle(file);
    return text;
}

std::string SaverLog::HeapErrors(const std::string& text) {
    std::string found;
    size_t begin = 0;
    while (begin < text.size()) {
        size_t end = text.find('\n', begin);
        if (end == std::string::npos) end = text.size();
        const std::string line = text.substr(begin, end - begin);
        if (line.find(":err:heap") != std::string::npos ||
            line.find(":warn:heap") != std::string::npos ||
            line.find("Unhandled") != std::string::npos)
            found += line + "\n";
        begin = end + 1;
    }
    return found;
}
