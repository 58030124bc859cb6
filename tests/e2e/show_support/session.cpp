#include "tests/e2e/show_support/session.h"

#include <map>

#include "tests/e2e/driver/saver_driver.h"

namespace show_e2e {

int ResourceOf(int pictureNumber) {
    static const int ids[12] = {140, 142, 155, 144, 145, 146, 147, 148, 149, 150, 151, 152};
    return pictureNumber >= 1 && pictureNumber <= 12 ? ids[pictureNumber - 1] : 0;
}

void StoreSettings(const char* startPicture, const char* intervalSeconds) {
    std::string bytes;
    if (startPicture) bytes += std::string("[Image]\r\nNO=") + startPicture + "\r\n";
    if (intervalSeconds)
        bytes += std::string("[Config]\r\n") + e2e::INTERVAL_KEY + "=" + intervalSeconds + "\r\n";
    e2e::DeleteIni();
    if (!bytes.empty()) e2e::WriteIniBytes(bytes);
}

std::string StoredStartPicture() {
    std::string bytes;
    if (!e2e::ReadIniBytes(&bytes)) return "";
    size_t section = bytes.find("[Image]");
    if (section == std::string::npos) return "";
    size_t key = bytes.find("\nNO=", section);
    if (key == std::string::npos) return "";
    size_t begin = key + 4;
    size_t end = bytes.find_first_of("\r\n", begin);
    return bytes.substr(begin, end == std::string::npos ? std::string::npos : end - begin);
}

const Pixels& Reference(int pictureNumber) {
    static std::map<int, Pixels> decoded;
    auto found = decoded.find(pictureNumber);
    if (found == decoded.end()) {
        std::string path = e2e::SaverPath();
        found =
            decoded.emplace(pictureNumber, DecodeReference(path, ResourceOf(pictureNumber))).first;
    }
    return found->second;
}

double NowMs() {
    LARGE_INTEGER t, f;
    QueryPerformanceCounter(&t);
    QueryPerformanceFrequency(&f);
    return t.QuadPart * 1000.0 / f.QuadPart;
}

void Wait(DWORD ms) {
    e2e::PumpMessages(ms);
}

}  // namespace show_e2e
