// The resources of the built velmor.scr, read the way the saver reads them:
// the picture streams through FindResourceA with the type name "IMGDAT", the
// dialog template, the icon and the cursor as Windows builds them, and the
// version block through the version API.
#include <windows.h>
#include <commctrl.h>

#include <doctest/doctest.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "res/resource.h"

namespace {

// CTest hands over Unix paths; under Wine the Z: drive is the Unix root.
std::string WindowsPath(const std::string& path) {
    std::string result = (!path.empty() && path[0] == '/') ? "Z:" + path : path;
    std::replace(result.begin(), result.end(), '/', '\\');
    return result;
}

std::string SaverPath() {
    return WindowsPath(VELMOR_SCR_PATH);
}

std::vector<unsigned char> ReadWholeFile(const std::string& path) {
    std::vector<unsigned char> bytes;
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE) return bytes;
    DWORD size = GetFileSize(file, NULL);
    if (size != INVALID_FILE_SIZE) {
        bytes.resize(size);
        DWORD read = 0;
        if (size && (!ReadFile(file, &bytes[0], size, &read, NULL) || read != size)) bytes.clear();
    }
    CloseHandle(file);
    return bytes;
}

// The saver's module, mapped for its resources only.
class SaverModule {
public:
    SaverModule() : handle(LoadLibraryExA(SaverPath().c_str(), NULL, LOAD_LIBRARY_AS_DATAFILE)) {}
    ~SaverModule() {
        if (handle) FreeLibrary(handle);
    }
    SaverModule(const SaverModule&) = delete;
    SaverModule& operator=(const SaverModule&) = delete;
    HMODULE handle;
};

struct ResourceBytes {
    const unsigned char* data;
    DWORD size;
};

ResourceBytes FindBytes(HMODULE module, LPCSTR type, int id) {
    ResourceBytes bytes = {nullptr, 0};
    HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(id), type);
    if (!found) return bytes;
    HGLOBAL loaded = LoadResource(module, found);
    if (!loaded) return bytes;
    bytes.data = static_cast<const unsigned char*>(LockResource(loaded));
    bytes.size = bytes.data ? SizeofResource(module, found) : 0;
    return bytes;
}

unsigned Word(const unsigned char* p) {
    return p[0] | (p[1] << 8);
}
unsigned long Dword(const unsigned char* p) {
    return Word(p) | (static_cast<unsigned long>(Word(p + 2)) << 16);
}
long Long(const unsigned char* p) {
    return static_cast<long>(Dword(p));
}

// A dialog-template field that is either a 16-bit ordinal or a string.
struct NameOrOrdinal {
    bool isOrdinal;
    unsigned ordinal;
    std::wstring name;
};

// Reads a standard dialog template field by field, never past its end.
class TemplateReader {
public:
    explicit TemplateReader(ResourceBytes bytes) : bytes(bytes), pos(0), failed(false) {}
    bool Failed() const { return failed; }
    bool AtEnd() const { return pos >= bytes.size; }

    unsigned ReadWord() {
        if (pos + 2 > bytes.size) {
            failed = true;
            return 0;
        }
        unsigned value = Word(bytes.data + pos);
        pos += 2;
        return value;
    }
    short ReadShort() { return static_cast<short>(ReadWord()); }
    unsigned long ReadDword() {
        unsigned long low = ReadWord();
        return low | (static_cast<unsigned long>(ReadWord()) << 16);
    }
    std::wstring ReadText() {
        std::wstring text;
        for (unsigned c = ReadWord(); c != 0 && !failed; c = ReadWord())
            text += static_cast<wchar_t>(c);
        return text;
    }
    NameOrOrdinal ReadNameOrOrdinal() {
        NameOrOrdinal field = {false, 0, std::wstring()};
        if (pos + 2 <= bytes.size && Word(bytes.data + pos) == 0xFFFF) {
            ReadWord();
            field.isOrdinal = true;
            field.ordinal = ReadWord();
        } else {
            field.name = ReadText();
        }
        return field;
    }
    void AlignToDword() { pos = (pos + 3) & ~3u; }
    void Skip(unsigned count) {
        if (pos + count > bytes.size) failed = true;
        pos += count;
    }

private:
    ResourceBytes bytes;
    unsigned pos;
    bool failed;
};

// Window classes compared by meaning: the predefined ordinals by their names,
// names without regard to case (windres upper-cases class names).
std::string ClassName(const NameOrOrdinal& field) {
    if (field.isOrdinal) {
        switch (field.ordinal) {
            case 0x80:
                return "button";
            case 0x81:
                return "edit";
            case 0x82:
                return "static";
            default:
                return "ordinal " + std::to_string(field.ordinal);
        }
    }
    std::string name;
    for (wchar_t c : field.name)
        name += static_cast<char>(c < 0x80 ? std::tolower(static_cast<int>(c)) : '?');
    return name;
}

const int PICTURE_IDS[12] = {140, 142, 155, 144, 145, 146, 147, 148, 149, 150, 151, 152};

std::string PicturePath(int pictureNumber) {
    char name[32];
    std::snprintf(name, sizeof name, "/res/pictures/%02d.jpg", pictureNumber);
    return WindowsPath(std::string(VELMOR_SOURCE_DIR) + name);
}

// Every resource of the module as (type, name, language); types and names
// given by number are written as "#n".
typedef std::tuple<std::string, std::string, unsigned> ResourceEntry;

std::string ResourceName(LPCSTR name) {
    if (IS_INTRESOURCE(name))
        return "#" + std::to_string(reinterpret_cast<ULONG_PTR>(name) & 0xFFFF);
    return name;
}

BOOL CALLBACK CollectLanguage(HMODULE, LPCSTR type, LPCSTR name, WORD language, LONG_PTR out) {
    reinterpret_cast<std::set<ResourceEntry>*>(out)->insert(
        ResourceEntry(ResourceName(type), ResourceName(name), language));
    return TRUE;
}

BOOL CALLBACK CollectName(HMODULE module, LPCSTR type, LPSTR name, LONG_PTR out) {
    EnumResourceLanguagesA(module, type, name, CollectLanguage, out);
    return TRUE;
}

BOOL CALLBACK CollectType(HMODULE module, LPSTR type, LONG_PTR out) {
    EnumResourceNamesA(module, type, CollectName, out);
    return TRUE;
}

const unsigned JAPANESE = 0x0411;

// The standard 16-colour palette as 0x00RRGGBB.
const unsigned long STANDARD_PALETTE[16] = {
    0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080, 0x008080, 0xC0C0C0,
    0x808080, 0xFF0000, 0x00FF00, 0xFFFF00, 0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF,
};

// A 32x32 top-down 32-bit DIB section selected into a memory DC, filled
// with one colour, to draw icons and cursors into.
class Canvas {
public:
    explicit Canvas(unsigned long fill)
        : dc(CreateCompatibleDC(NULL)), bitmap(NULL), old(NULL), pixels(nullptr) {
        BITMAPINFO info;
        std::memset(&info, 0, sizeof info);
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = 32;
        info.bmiHeader.biHeight = -32;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        void* bits = nullptr;
        bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, NULL, 0);
        pixels = static_cast<unsigned long*>(bits);
        if (dc && bitmap) old = SelectObject(dc, bitmap);
        if (pixels) std::fill(pixels, pixels + 32 * 32, fill);
    }
    ~Canvas() {
        if (old) SelectObject(dc, old);
        if (bitmap) DeleteObject(bitmap);
        if (dc) DeleteDC(dc);
    }
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;
    bool Ready() const { return pixels != nullptr && old != NULL; }
    // 0x00RRGGBB of the pixel at (x, y) from the top left.
    unsigned long At(int x, int y) const {
        GdiFlush();
        return pixels[y * 32 + x] & 0xFFFFFF;
    }
    HDC dc;

private:
    HBITMAP bitmap;
    HGDIOBJ old;
    unsigned long* pixels;
};

}  // namespace

TEST_CASE("the saver carries exactly its resources, all in Japanese") {
    SaverModule saver;
    REQUIRE(saver.handle != NULL);
    std::set<ResourceEntry> found;
    EnumResourceTypesA(saver.handle, CollectType, reinterpret_cast<LONG_PTR>(&found));

    std::set<ResourceEntry> expected = {
        ResourceEntry("#1", "#2", JAPANESE),     // the cursor image
        ResourceEntry("#3", "#1", JAPANESE),     // the icon image
        ResourceEntry("#5", "#103", JAPANESE),   // the configuration dialog
        ResourceEntry("#12", "#102", JAPANESE),  // the cursor group
        ResourceEntry("#14", "#101", JAPANESE),  // the icon group
        ResourceEntry("#16", "#1", JAPANESE),    // the version block
    };
    for (int id : PICTURE_IDS)
        expected.insert(ResourceEntry("IMGDAT", "#" + std::to_string(id), JAPANESE));
    // Listed as text so that a failure names the unexpected and missing entries.
    std::string unexpected, missing;
    for (const ResourceEntry& entry : found)
        if (!expected.count(entry))
            unexpected += std::get<0>(entry) + "/" + std::get<1>(entry) + "/" +
                          std::to_string(std::get<2>(entry)) + " ";
    for (const ResourceEntry& entry : expected)
        if (!found.count(entry))
            missing += std::get<0>(entry) + "/" + std::get<1>(entry) + "/" +
                       std::to_string(std::get<2>(entry)) + " ";
    CHECK(unexpected == "");
    CHECK(missing == "");
}

TEST_CASE("each picture stream is found under IMGDAT and equals its committed file") {
    SaverModule saver;
    REQUIRE(saver.handle != NULL);
    for (int number = 1; number <= 12; ++number) {
        CAPTURE(number);
        ResourceBytes stream = FindBytes(saver.handle, "IMGDAT", PICTURE_IDS[number - 1]);
        REQUIRE(stream.data != nullptr);
        std::vector<unsigned char> committed = ReadWholeFile(PicturePath(number));
        REQUIRE(committed.size() > 4);
        CHECK(stream.size == committed.size());
        CHECK(std::memcmp(stream.data, committed.data(),
                          std::min<size_t>(stream.size, committed.size())) == 0);
    }
    for (int missing : {141, 143, 153, 154}) {
        CAPTURE(missing);
        CHECK(FindResourceA(saver.handle, MAKEINTRESOURCEA(missing), "IMGDAT") == NULL);
    }
    // The type is a name: the same ids under a numeric type are not there.
    CHECK(FindResourceA(saver.handle, MAKEINTRESOURCEA(140), RT_RCDATA) == NULL);
}

TEST_CASE("the configuration dialog template") {
    SaverModule saver;
    REQUIRE(saver.handle != NULL);
    ResourceBytes bytes = FindBytes(saver.handle, RT_DIALOG, IDD_CONFIG);
    REQUIRE(bytes.data != nullptr);
    REQUIRE(bytes.size >= 18);
    TemplateReader reader(bytes);

    // A standard template: an extended one starts with 1, 0xFFFF.
    CHECK_FALSE((Word(bytes.data) == 1 && Word(bytes.data + 2) == 0xFFFF));
    CHECK(reader.ReadDword() == 0x10C808C0ul);
    CHECK(reader.ReadDword() == 0ul);  // extended style
    const unsigned controlCount = reader.ReadWord();
    CHECK(controlCount == 9);
    CHECK(reader.ReadShort() == 0);
    CHECK(reader.ReadShort() == 0);
    CHECK(reader.ReadShort() == 151);
    CHECK(reader.ReadShort() == 86);
    NameOrOrdinal menu = reader.ReadNameOrOrdinal();
    CHECK((!menu.isOrdinal && menu.name.empty()));
    NameOrOrdinal windowClass = reader.ReadNameOrOrdinal();
    CHECK((!windowClass.isOrdinal && windowClass.name.empty()));
    CHECK(reader.ReadText() == L"velmor");
    CHECK(reader.ReadWord() == 9);  // points
    CHECK(reader.ReadText() == L"\uFF2D\uFF33 \uFF30\u30B4\u30B7\u30C3\u30AF");

    struct Control {
        unsigned long style;
        short x, y, cx, cy;
        unsigned id;
        const char* windowClass;
        unsigned textOrdinal;  // nonzero: the text is this resource ordinal
        const wchar_t* text;   // null: any text that is not empty
    };
    const Control expected[9] = {
        {0x50810880, 31, 39, 40, 14, IDC_INTERVAL, "edit", 0, L""},
        {0x50000036, 71, 39, 9, 14, IDC_INTERVAL_SPIN, "msctls_updown32", 0, L"Spin1"},
        {0x50010001, 104, 7, 40, 14, IDOK, "button", 0, L"OK"},
        {0x50010000, 105, 24, 39, 14, IDCANCEL, "button", 0, L"\uFF77\uFF6C\uFF9D\uFF7E\uFF99"},
        {0x50000003, 7, 7, 18, 20, 0xFFFF, "static", IDI_SAVER, nullptr},
        {0x50020000, 7, 27, 66, 8, 0xFFFF, "static", 0,
         L"\u753B\u50CF\u306E\u8868\u793A\u9593\u9694(\u79D2)"},
        {0x50020000, 7, 65, 137, 8, 0xFFFF, "static", 0, nullptr},
        {0x50020000, 26, 13, 26, 8, 0xFFFF, "static", 0, L"Version"},
        {0x50020000, 53, 13, 46, 8, IDC_VERSION, "static", 0, L""},
    };
    for (unsigned i = 0; i < 9 && i < controlCount; ++i) {
        CAPTURE(i);
        reader.AlignToDword();
        CHECK(reader.ReadDword() == expected[i].style);
        CHECK(reader.ReadDword() == 0ul);  // extended style
        CHECK(reader.ReadShort() == expected[i].x);
        CHECK(reader.ReadShort() == expected[i].y);
        CHECK(reader.ReadShort() == expected[i].cx);
        CHECK(reader.ReadShort() == expected[i].cy);
        CHECK(reader.ReadWord() == expected[i].id);
        CHECK(ClassName(reader.ReadNameOrOrdinal()) == expected[i].windowClass);
        NameOrOrdinal text = reader.ReadNameOrOrdinal();
        if (expected[i].textOrdinal) {
            CHECK(text.isOrdinal);
            CHECK(text.ordinal == expected[i].textOrdinal);
        } else if (expected[i].text) {
            CHECK_FALSE(text.isOrdinal);
            CHECK(text.name == expected[i].text);
        } else {
            CHECK_FALSE(text.isOrdinal);
            CHECK_FALSE(text.name.empty());
        }
        reader.Skip(reader.ReadWord());  // creation data
        REQUIRE_FALSE(reader.Failed());
    }
    reader.AlignToDword();
    CHECK(reader.AtEnd());
}

namespace {
INT_PTR CALLBACK QuietDialogProc(HWND, UINT message, WPARAM, LPARAM) {
    return message == WM_INITDIALOG ? TRUE : FALSE;
}
}  // namespace

TEST_CASE("the dialog template makes a working dialog") {
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_UPDOWN_CLASS};
    REQUIRE(InitCommonControlsEx(&controls));
    SaverModule saver;
    REQUIRE(saver.handle != NULL);
    ResourceBytes bytes = FindBytes(saver.handle, RT_DIALOG, IDD_CONFIG);
    REQUIRE(bytes.data != nullptr);
    HWND dialog = CreateDialogIndirectParamA(GetModuleHandleA(NULL),
                                             reinterpret_cast<LPCDLGTEMPLATEA>(bytes.data), NULL,
                                             QuietDialogProc, 0);
    REQUIRE(dialog != NULL);

    char text[64] = {0};
    GetWindowTextA(dialog, text, sizeof text);
    CHECK(std::string(text) == "velmor");

    // DS_CENTER: the dialog sits in the middle of the work area.
    RECT window, work;
    GetWindowRect(dialog, &window);
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    CHECK(std::abs((window.left + window.right) - (work.left + work.right)) <= 2);
    CHECK(std::abs((window.top + window.bottom) - (work.top + work.bottom)) <= 2);

    HWND edit = GetDlgItem(dialog, IDC_INTERVAL);
    HWND spin = GetDlgItem(dialog, IDC_INTERVAL_SPIN);
    REQUIRE(edit != NULL);
    REQUIRE(spin != NULL);
    char className[64] = {0};
    GetClassNameA(spin, className, sizeof className);
    CHECK(lstrcmpiA(className, "msctls_updown32") == 0);
    // UDS_AUTOBUDDY attached the up-down control to the edit control before it.
    CHECK(reinterpret_cast<HWND>(SendMessageA(spin, UDM_GETBUDDY, 0, 0)) == edit);
    CHECK((GetWindowLongA(edit, GWL_STYLE) & ES_READONLY) != 0);

    LRESULT defaultId = SendMessageA(dialog, DM_GETDEFID, 0, 0);
    CHECK(HIWORD(defaultId) == DC_HASDEFID);
    CHECK(LOWORD(defaultId) == IDOK);
    CHECK(GetDlgItem(dialog, IDCANCEL) != NULL);
    CHECK(GetDlgItem(dialog, IDC_VERSION) != NULL);

    // The tab order starts at the edit control and ends at the version text.
    int children = 0;
    HWND first = GetWindow(dialog, GW_CHILD);
    for (HWND child = first; child; child = GetWindow(child, GW_HWNDNEXT)) ++children;
    CHECK(children == 9);
    CHECK(first == edit);
    CHECK(GetWindow(first, GW_HWNDLAST) == GetDlgItem(dialog, IDC_VERSION));

    // The photo credit (the seventh control) fits its one line unclipped.
    HWND credit = first;
    for (int i = 0; i < 6 && credit; ++i) credit = GetWindow(credit, GW_HWNDNEXT);
    REQUIRE(credit != NULL);
    wchar_t creditText[128] = {0};
    int creditLength = GetWindowTextW(credit, creditText, 128);
    CHECK(creditLength > 0);
    HDC dc = GetDC(credit);
    HGDIOBJ oldFont =
        SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(credit, WM_GETFONT, 0, 0)));
    SIZE extent = {0, 0};
    GetTextExtentPoint32W(dc, creditText, creditLength, &extent);
    SelectObject(dc, oldFont);
    ReleaseDC(credit, dc);
    RECT client;
    GetClientRect(credit, &client);
    CHECK(extent.cx > 0);
    CHECK(extent.cx <= client.right);
    DestroyWindow(dialog);
}

TEST_CASE("the icon: one opaque 32x32 16-colour image of four identical tiles") {
    SaverModule saver;
    REQUIRE(saver.handle != NULL);
    ResourceBytes group = FindBytes(saver.handle, RT_GROUP_ICON, IDI_SAVER);
    REQUIRE(group.data != nullptr);
    REQUIRE(group.size == 6 + 14);
    CHECK(Word(group.data) == 0);
    CHECK(Word(group.data + 2) == 1);  // icons
    CHECK(Word(group.data + 4) == 1);  // one image
    const unsigned char* entry = group.data + 6;
    CHECK(entry[0] == 32);
    CHECK(entry[1] == 32);
    CHECK(entry[2] == 16);
    CHECK(Word(entry + 4) == 1);
    CHECK(Word(entry + 6) == 4);
    CHECK(Dword(entry + 8) == 744ul);
    CHECK(Word(entry + 12) == 1);

    ResourceBytes image = FindBytes(saver.handle, RT_ICON, 1);
    REQUIRE(image.data != nullptr);
    REQUIRE(image.size == 744);
    const unsigned char* header = image.data;
    CHECK(Dword(header) == 40ul);
    CHECK(Long(header + 4) == 32);
    CHECK(Long(header + 8) == 64);  // colour bits and AND mask
    CHECK(Word(header + 12) == 1);
    CHECK(Word(header + 14) == 4);
    CHECK(Dword(header + 16) == 0ul);  // BI_RGB
    for (int i = 0; i < 16; ++i) {
        CAPTURE(i);
        const unsigned char* quad = image.data + 40 + 4 * i;
        CHECK(((unsigned long)quad[2] << 16 | quad[1] << 8 | quad[0]) == STANDARD_PALETTE[i]);
    }
    const unsigned char* xorBits = image.data + 40 + 64;  // bottom row first
    const unsigned char* andMask = xorBits + 32 * 16;
    CHECK(std::all_of(andMask, andMask + 32 * 4, [](unsigned char b) { return b == 0; }));

    auto index = [&](int x, int y) {  // from the top left
        unsigned char pair = xorBits[(31 - y) * 16 + x / 2];
        return (x % 2) ? (pair & 15) : (pair >> 4);
    };
    std::set<int> colours;
    bool tilesAlike = true;
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) {
            colours.insert(index(x, y));
            tilesAlike = tilesAlike && index(x, y) == index(x % 16, y % 16);
        }
    CHECK(tilesAlike);
    CHECK(colours == std::set<int>{12, 14, 15});  // blue, cyan, white

    // Drawn by Windows, the icon covers everything under it with its colours.
    HICON icon = LoadIconA(saver.handle, MAKEINTRESOURCEA(IDI_SAVER));
    REQUIRE(icon != NULL);
    Canvas canvas(0x123456);
    REQUIRE(canvas.Ready());
    REQUIRE(DrawIconEx(canvas.dc, 0, 0, icon, 32, 32, 0, NULL, DI_NORMAL));
    int wrong = 0;
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x)
            if (canvas.At(x, y) != STANDARD_PALETTE[index(x, y)]) ++wrong;
    CHECK(wrong == 0);
}

TEST_CASE("the blank cursor: hotspot 0,0 and nothing drawn") {
    SaverModule saver;
    REQUIRE(saver.handle != NULL);
    ResourceBytes group = FindBytes(saver.handle, RT_GROUP_CURSOR, IDC_BLANK);
    REQUIRE(group.data != nullptr);
    REQUIRE(group.size == 6 + 14);
    CHECK(Word(group.data + 2) == 2);  // cursors
    CHECK(Word(group.data + 4) == 1);  // one image
    const unsigned char* entry = group.data + 6;
    CHECK(Word(entry) == 32);
    CHECK(Word(entry + 2) == 64);
    CHECK(Word(entry + 4) == 1);
    CHECK(Word(entry + 6) == 1);
    CHECK(Dword(entry + 8) == 308ul);
    CHECK(Word(entry + 12) == 2);

    ResourceBytes image = FindBytes(saver.handle, RT_CURSOR, 2);
    REQUIRE(image.data != nullptr);
    REQUIRE(image.size == 308);
    CHECK(Word(image.data) == 0);      // hotspot x
    CHECK(Word(image.data + 2) == 0);  // hotspot y
    const unsigned char* header = image.data + 4;
    CHECK(Dword(header) == 40ul);
    CHECK(Long(header + 4) == 32);
    CHECK(Long(header + 8) == 64);
    CHECK(Word(header + 12) == 1);
    CHECK(Word(header + 14) == 1);
    CHECK(Dword(header + 40) == 0x000000ul);  // black
    CHECK(Dword(header + 44) == 0xFFFFFFul);  // white
    const unsigned char* xorMask = header + 48;
    const unsigned char* andMask = xorMask + 128;
    CHECK(std::all_of(xorMask, xorMask + 128, [](unsigned char b) { return b == 0x00; }));
    CHECK(std::all_of(andMask, andMask + 128, [](unsigned char b) { return b == 0xFF; }));

    HCURSOR cursor = LoadCursorA(saver.handle, MAKEINTRESOURCEA(IDC_BLANK));
    REQUIRE(cursor != NULL);
    ICONINFO info;
    REQUIRE(GetIconInfo(cursor, &info));
    CHECK_FALSE(info.fIcon);
    CHECK(info.xHotspot == 0ul);
    CHECK(info.yHotspot == 0ul);
    if (info.hbmMask) DeleteObject(info.hbmMask);
    if (info.hbmColor) DeleteObject(info.hbmColor);

    Canvas canvas(0x3366CC);
    REQUIRE(canvas.Ready());
    REQUIRE(DrawIconEx(canvas.dc, 0, 0, cursor, 32, 32, 0, NULL, DI_NORMAL));
    int changed = 0;
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x)
            if (canvas.At(x, y) != 0x3366CC) ++changed;
    CHECK(changed == 0);
}

TEST_CASE("the version block") {
    const std::string path = SaverPath();
    DWORD ignored = 0;
    DWORD size = GetFileVersionInfoSizeA(path.c_str(), &ignored);
    REQUIRE(size > 0);
    std::vector<char> block(size);
    REQUIRE(GetFileVersionInfoA(path.c_str(), 0, size, block.data()));

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    REQUIRE(VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
    REQUIRE(length >= sizeof(VS_FIXEDFILEINFO));
    CHECK(fixed->dwSignature == 0xFEEF04BDul);
    CHECK(fixed->dwFileVersionMS == 0x00010000ul);
    CHECK(fixed->dwFileVersionLS == 0x00000004ul);
    CHECK(fixed->dwProductVersionMS == 0x00010000ul);
    CHECK(fixed->dwProductVersionLS == 0x00000004ul);
    CHECK(fixed->dwFileFlagsMask == 0x3Ful);
    CHECK(fixed->dwFileFlags == 0ul);
    CHECK(fixed->dwFileOS == 0x40004ul);
    CHECK(fixed->dwFileType == 1ul);
    CHECK(fixed->dwFileSubtype == 0ul);
    CHECK(fixed->dwFileDateMS == 0ul);
    CHECK(fixed->dwFileDateLS == 0ul);

    WORD* translation = nullptr;
    REQUIRE(VerQueryValueA(block.data(), "\\VarFileInfo\\Translation",
                           reinterpret_cast<void**>(&translation), &length));
    REQUIRE(length == 4);  // exactly one entry
    CHECK(translation[0] == 0x0411);
    CHECK(translation[1] == 0x04B0);

    auto value = [&](const char* key) {
        std::string query = std::string("\\StringFileInfo\\041104b0\\") + key;
        char* text = nullptr;
        UINT textLength = 0;
        if (!VerQueryValueA(block.data(), query.c_str(), reinterpret_cast<void**>(&text),
                            &textLength) ||
            !text)
            return std::string("<missing>");
        return std::string(text);
    };
    CHECK(value("FileVersion") == "1, 0, 0, 4");
    CHECK(value("ProductVersion") == "1, 0, 0, 4");
    CHECK(value("FileDescription") == "velmor");
    CHECK(value("InternalName") == "velmor");
    CHECK(value("OriginalFilename") == "velmor.scr");
    for (const char* key : {"Comments", "CompanyName", "LegalCopyright", "ProductName"}) {
        CAPTURE(key);
        CHECK(value(key) != "<missing>");
        CHECK_FALSE(value(key).empty());
    }
}
