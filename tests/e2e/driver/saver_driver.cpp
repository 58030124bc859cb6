#include "tests/e2e/driver/saver_driver.h"

#include "image/bmp_writer.h"
#include "tests/e2e/driver/coarse_timer.h"

#include <cstdio>

#ifndef VELMOR_SCR_UNIX_PATH
#error "VELMOR_SCR_UNIX_PATH must name the built velmor.scr"
#endif
#ifndef VELMOR_HOOKS_UNIX_PATH
#error "VELMOR_HOOKS_UNIX_PATH must name the built hook library"
#endif

namespace e2e {

const char INTERVAL_KEY[] = "\x95\x5C\x8E\xA6\x8A\xD4\x8A\x75";

// ---- Paths ---------------------------------------------------------------

std::string WindowsPathOf(const std::string& unixPath) {
    std::string path = "Z:";
    for (char c : unixPath) {
        path += (c == '/') ? '\\' : c;
    }
    return path;
}

std::string SaverPath() {
    return WindowsPathOf(VELMOR_SCR_UNIX_PATH);
}

bool RunUnixCommand(const std::string& command, DWORD timeoutMs) {
    // Wine hands a started Unix program no process handle: the shell leaves
    // the exit code in a file, written under another name and then renamed
    // so that it is never read half-written.
    static int runs = 0;
    char name[96];
    std::snprintf(name, sizeof name, "/tmp/velmor-e2e-%lu-%d.status",
                  static_cast<unsigned long>(GetCurrentProcessId()), ++runs);
    std::string status = name;
    std::string line = "sh -c \"" + command + "; echo $? >" + status + ".part; mv " + status +
                       ".part " + status + "\"";
    std::vector<char> commandLine(line.begin(), line.end());
    commandLine.push_back('\0');
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started = {};
    if (!CreateProcessA("Z:\\bin\\sh", commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &startup, &started)) {
        return false;
    }
    if (started.hThread != nullptr) CloseHandle(started.hThread);
    if (started.hProcess != nullptr) CloseHandle(started.hProcess);

    std::string windowsStatus = WindowsPathOf(status);
    DWORD start = GetTickCount();
    while (GetFileAttributesA(windowsStatus.c_str()) == INVALID_FILE_ATTRIBUTES) {
        if (GetTickCount() - start > timeoutMs) return false;
        PumpMessages(50);
    }
    FILE* file = std::fopen(windowsStatus.c_str(), "rb");
    int code = -1;
    if (file != nullptr) {
        if (std::fscanf(file, "%d", &code) != 1) code = -1;
        std::fclose(file);
    }
    DeleteFileA(windowsStatus.c_str());
    return code == 0;
}

// ---- Messages ------------------------------------------------------------

void PumpMessages(DWORD ms) {
    DWORD start = GetTickCount();
    for (;;) {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        DWORD elapsed = GetTickCount() - start;
        if (elapsed >= ms) {
            return;
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, ms - elapsed, QS_ALLINPUT);
    }
}

// ---- The saver process ---------------------------------------------------

SaverProcess::SaverProcess() : process_(nullptr), processId_(0) {}

SaverProcess::~SaverProcess() {
    Terminate();
}

bool SaverProcess::Create(const std::string& arguments, const std::string& executable, DWORD flags,
                          HANDLE* mainThread) {
    Terminate();
    std::string commandLine = "\"" + executable + "\"";
    if (!arguments.empty()) {
        commandLine += " " + arguments;
    }
    std::vector<char> buffer(commandLine.begin(), commandLine.end());
    buffer.push_back('\0');
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    if (!CreateProcessA(executable.c_str(), buffer.data(), nullptr, nullptr, FALSE, flags, nullptr,
                        nullptr, &startup, &info)) {
        return false;
    }
    *mainThread = info.hThread;
    process_ = info.hProcess;
    processId_ = info.dwProcessId;
    return true;
}

bool SaverProcess::Start(const std::string& arguments, const std::string& executable) {
    HANDLE thread = nullptr;
    if (!Create(arguments, executable, 0, &thread)) {
        return false;
    }
    CloseHandle(thread);
    WaitForInputIdle(process_, 5000);
    return true;
}

namespace {

// Runs LoadLibraryA(library) in `process` on a thread of its own and waits
// for it; true when it returned a module.  kernel32 lies at the same address
// in every process of a bitness, so this process's LoadLibraryA is theirs.
bool LoadLibraryInto(HANDLE process, const std::string& library) {
    void* name = VirtualAllocEx(process, nullptr, library.size() + 1, MEM_COMMIT | MEM_RESERVE,
                                PAGE_READWRITE);
    if (name == nullptr) {
        return false;
    }
    bool loaded = false;
    LPTHREAD_START_ROUTINE loadLibrary = reinterpret_cast<LPTHREAD_START_ROUTINE>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "LoadLibraryA")));
    HANDLE thread = nullptr;
    if (WriteProcessMemory(process, name, library.c_str(), library.size() + 1, nullptr)) {
        thread = CreateRemoteThread(process, nullptr, 0, loadLibrary, name, 0, nullptr);
    }
    if (thread != nullptr) {
        DWORD module = 0;  // the low 32 bits of the module handle
        loaded = WaitForSingleObject(thread, 20000) == WAIT_OBJECT_0 &&
                 GetExitCodeThread(thread, &module) && module != 0;
        CloseHandle(thread);
    }
    VirtualFreeEx(process, name, 0, MEM_RELEASE);
    return loaded;
}

}  // namespace

bool SaverProcess::StartWithLibrary(const std::string& arguments, const std::string& library,
                                    const std::string& executable) {
    HANDLE thread = nullptr;
    if (!Create(arguments, executable, CREATE_SUSPENDED, &thread)) {
        return false;
    }
    bool loaded = LoadLibraryInto(process_, library);
    if (loaded) {
        ResumeThread(thread);
    }
    CloseHandle(thread);
    if (!loaded) {
        Terminate();
        return false;
    }
    WaitForInputIdle(process_, 5000);
    return true;
}

bool SaverProcess::WaitForExit(DWORD timeoutMs, DWORD* exitCode) {
    if (process_ == nullptr) {
        return false;
    }
    DWORD start = GetTickCount();
    for (;;) {
        DWORD elapsed = GetTickCount() - start;
        DWORD left = elapsed >= timeoutMs ? 0 : timeoutMs - elapsed;
        DWORD result = MsgWaitForMultipleObjects(1, &process_, FALSE, left, QS_ALLINPUT);
        if (result == WAIT_OBJECT_0) {
            DWORD code = STILL_ACTIVE;
            GetExitCodeProcess(process_, &code);
            if (exitCode != nullptr) {
                *exitCode = code;
            }
            return true;
        }
        if (result != WAIT_OBJECT_0 + 1) {
            return false;  // timed out
        }
        PumpMessages(0);
    }
}

bool SaverProcess::StillRunningAfter(DWORD ms) {
    return !WaitForExit(ms);
}

bool SaverProcess::IsRunning() const {
    return process_ != nullptr && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT;
}

void SaverProcess::Terminate() {
    if (process_ == nullptr) {
        return;
    }
    if (WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) {
        TerminateProcess(process_, 99);
        WaitForSingleObject(process_, 5000);
    }
    CloseHandle(process_);
    process_ = nullptr;
    processId_ = 0;
}

// ---- Windows -------------------------------------------------------------

namespace {

struct WindowSearch {
    DWORD processId;
    const char* className;
    std::vector<HWND> found;
};

bool Matches(HWND hwnd, const WindowSearch& search) {
    if (search.processId != 0) {
        DWORD owner = 0;
        GetWindowThreadProcessId(hwnd, &owner);
        if (owner != search.processId) {
            return false;
        }
    }
    return search.className == nullptr ||
           lstrcmpiA(ClassNameOf(hwnd).c_str(), search.className) == 0;
}

BOOL CALLBACK CollectWindow(HWND hwnd, LPARAM lParam) {
    WindowSearch* search = reinterpret_cast<WindowSearch*>(lParam);
    if (Matches(hwnd, *search)) {
        search->found.push_back(hwnd);
    }
    return TRUE;
}

bool HasTitle(HWND hwnd, const char* title) {
    return title == nullptr || TextOf(hwnd) == title;
}

}  // namespace

std::vector<HWND> TopLevelWindowsOf(DWORD processId, const char* className) {
    WindowSearch search = {processId, className, {}};
    EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::vector<HWND> ChildWindowsOf(HWND parent, DWORD processId, const char* className) {
    WindowSearch search = {processId, className, {}};
    EnumChildWindows(parent, CollectWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND WaitForTopLevelWindow(DWORD processId, const char* className, DWORD timeoutMs,
                           const char* title) {
    DWORD start = GetTickCount();
    do {
        for (HWND hwnd : TopLevelWindowsOf(processId, className)) {
            if (IsWindowVisible(hwnd) && HasTitle(hwnd, title)) {
                return hwnd;
            }
        }
        PumpMessages(20);
    } while (GetTickCount() - start < timeoutMs);
    return nullptr;
}

HWND WaitForChildWindow(HWND parent, DWORD processId, const char* className, DWORD timeoutMs) {
    DWORD start = GetTickCount();
    do {
        for (HWND hwnd : ChildWindowsOf(parent, processId, className)) {
            if (IsWindowVisible(hwnd)) {
                return hwnd;
            }
        }
        PumpMessages(20);
    } while (GetTickCount() - start < timeoutMs);
    return nullptr;
}

bool WaitForForeground(HWND hwnd, DWORD timeoutMs) {
    DWORD start = GetTickCount();
    do {
        if (GetForegroundWindow() == hwnd) {
            PumpMessages(100);
            return true;
        }
        PumpMessages(20);
    } while (GetTickCount() - start < timeoutMs);
    return false;
}

std::string ClassNameOf(HWND hwnd) {
    char name[256] = {};
    GetClassNameA(hwnd, name, sizeof name);
    return name;
}

std::string TextOf(HWND hwnd) {
    char text[512] = {};
    GetWindowTextA(hwnd, text, sizeof text);
    return text;
}

std::wstring WideTextOf(HWND hwnd) {
    wchar_t text[512] = {};
    GetWindowTextW(hwnd, text, 512);
    return text;
}

std::string ControlTextOf(HWND control) {
    char text[512] = {};
    DWORD_PTR result = 0;
    SendMessageTimeoutA(control, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text),
                        SMTO_ABORTIFHUNG, 3000, &result);
    text[sizeof text - 1] = '\0';
    return text;
}

DWORD StyleOf(HWND hwnd) {
    return static_cast<DWORD>(GetWindowLongA(hwnd, GWL_STYLE));
}

DWORD ExStyleOf(HWND hwnd) {
    return static_cast<DWORD>(GetWindowLongA(hwnd, GWL_EXSTYLE));
}

RECT ScreenRectOf(HWND hwnd) {
    RECT rect = {};
    GetWindowRect(hwnd, &rect);
    return rect;
}

RECT ClientRectOf(HWND hwnd) {
    RECT rect = {};
    GetClientRect(hwnd, &rect);
    return rect;
}

// ---- Input ---------------------------------------------------------------

namespace {

LPARAM KeyData(UINT virtualKey, bool system, bool release) {
    UINT scanCode = MapVirtualKeyA(virtualKey, MAPVK_VK_TO_VSC);
    LPARAM data = 1 | (static_cast<LPARAM>(scanCode & 0xFF) << 16);
    if (system) {
        data |= 1 << 29;  // Alt held
    }
    if (release) {
        data |= static_cast<LPARAM>(3u << 30);  // was down, going up
    }
    return data;
}

void SendKeyboard(WORD virtualKey, bool release) {
    INPUT input = {};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = virtualKey;
    input.ki.wScan = static_cast<WORD>(MapVirtualKeyA(virtualKey, MAPVK_VK_TO_VSC));
    input.ki.dwFlags = release ? KEYEVENTF_KEYUP : 0;
    SendInput(1, &input, sizeof input);
}

}  // namespace

void PostKeyDown(HWND hwnd, UINT virtualKey, bool system) {
    PostMessageA(hwnd, system ? WM_SYSKEYDOWN : WM_KEYDOWN, virtualKey,
                 KeyData(virtualKey, system, false));
}

void PostKey(HWND hwnd, UINT virtualKey, bool system) {
    PostKeyDown(hwnd, virtualKey, system);
    PostMessageA(hwnd, system ? WM_SYSKEYUP : WM_KEYUP, virtualKey,
                 KeyData(virtualKey, system, true));
}

void PostMouseMove(HWND hwnd, int x, int y) {
    PostMessageA(hwnd, WM_MOUSEMOVE, 0, MAKELPARAM(x, y));
}

void PostButtonClick(HWND hwnd, UINT buttonDownMessage, int x, int y) {
    WPARAM held = buttonDownMessage == WM_LBUTTONDOWN   ? MK_LBUTTON
                  : buttonDownMessage == WM_RBUTTONDOWN ? MK_RBUTTON
                                                        : MK_MBUTTON;
    PostMessageA(hwnd, buttonDownMessage, held, MAKELPARAM(x, y));
    // The matching button-up message follows its button-down message.
    PostMessageA(hwnd, buttonDownMessage + 1, 0, MAKELPARAM(x, y));
}

LRESULT SendWithTimeout(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, DWORD timeoutMs) {
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutA(hwnd, message, wParam, lParam, SMTO_ABORTIFHUNG, timeoutMs, &result)) {
        return 0;
    }
    return static_cast<LRESULT>(result);
}

void MovePointerTo(int screenX, int screenY) {
    // An absolute move in the 0..65535 coordinates of the primary screen,
    // rounded so that it lands on the pixel asked for.
    int width = GetSystemMetrics(SM_CXSCREEN);
    int height = GetSystemMetrics(SM_CYSCREEN);
    INPUT input = {};
    input.type = INPUT_MOUSE;
    input.mi.dx = static_cast<LONG>((static_cast<long long>(screenX) * 65536 + width / 2) / width);
    input.mi.dy =
        static_cast<LONG>((static_cast<long long>(screenY) * 65536 + height / 2) / height);
    input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    SendInput(1, &input, sizeof input);
    PumpMessages(100);
}

void SettlePointer() {
    // Asking for the position after a pause makes Wine read the X pointer.
    PumpMessages(250);
    POINT now = {};
    GetCursorPos(&now);
    PumpMessages(50);
}

void ClickScreenPoint(int screenX, int screenY) {
    MovePointerTo(screenX, screenY);
    // Each button event carries the position too, so that the click lands
    // there even if Wine has meanwhile gone back to the X pointer's place.
    INPUT press[2] = {};
    int width = GetSystemMetrics(SM_CXSCREEN);
    int height = GetSystemMetrics(SM_CYSCREEN);
    for (int i = 0; i < 2; ++i) {
        press[i].type = INPUT_MOUSE;
        press[i].mi.dx =
            static_cast<LONG>((static_cast<long long>(screenX) * 65536 + width / 2) / width);
        press[i].mi.dy =
            static_cast<LONG>((static_cast<long long>(screenY) * 65536 + height / 2) / height);
        press[i].mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE |
                              (i == 0 ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_LEFTUP);
    }
    SendInput(1, &press[0], sizeof press[0]);
    PumpMessages(30);
    SendInput(1, &press[1], sizeof press[1]);
    PumpMessages(50);
}

void ClickWindow(HWND hwnd) {
    RECT rect = ScreenRectOf(hwnd);
    ClickScreenPoint((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
}

void TypeKey(UINT virtualKey) {
    SendKeyboard(static_cast<WORD>(virtualKey), false);
    SendKeyboard(static_cast<WORD>(virtualKey), true);
    PumpMessages(50);
}

void TypeKeyWithAlt(UINT virtualKey) {
    SendKeyboard(VK_MENU, false);
    SendKeyboard(static_cast<WORD>(virtualKey), false);
    SendKeyboard(static_cast<WORD>(virtualKey), true);
    SendKeyboard(VK_MENU, true);
    PumpMessages(50);
}

namespace {

// Sends `message` (a registered name) to the window with the hook library's
// hook `hookName` on the window's thread, so that the hook handles it in the
// saver's process; false when the hook could not be set.
bool SendThroughHook(HWND hwnd, const char* hookName, const char* message, WPARAM wParam,
                     LPARAM lParam) {
    HMODULE hooks = LoadLibraryA(WindowsPathOf(VELMOR_HOOKS_UNIX_PATH).c_str());
    if (hooks == nullptr) {
        return false;
    }
    HOOKPROC hook =
        reinterpret_cast<HOOKPROC>(reinterpret_cast<void*>(GetProcAddress(hooks, hookName)));
    DWORD thread = GetWindowThreadProcessId(hwnd, nullptr);
    HHOOK installed =
        hook != nullptr ? SetWindowsHookExA(WH_CALLWNDPROC, hook, hooks, thread) : nullptr;
    if (installed != nullptr) {
        SendWithTimeout(hwnd, RegisterWindowMessageA(message), wParam, lParam);
        UnhookWindowsHookEx(installed);
    }
    FreeLibrary(hooks);
    return installed != nullptr;
}

}  // namespace

CursorReport ProbeCursor(HWND hwnd) {
    CursorReport report = {CURSOR_KIND_UNKNOWN, CURSOR_KIND_UNKNOWN};
    if (SendThroughHook(hwnd, "CursorProbeHook", CURSOR_PROBE_MESSAGE, 0, 0)) {
        UINT_PTR classKind = reinterpret_cast<UINT_PTR>(GetPropA(hwnd, CURSOR_PROBE_CLASS_KIND));
        UINT_PTR shownKind = reinterpret_cast<UINT_PTR>(GetPropA(hwnd, CURSOR_PROBE_SHOWN_KIND));
        report.classCursor = static_cast<CursorKind>(static_cast<int>(classKind) - 1);
        report.shownCursor = static_cast<CursorKind>(static_cast<int>(shownKind) - 1);
    }
    return report;
}

bool MakeTimersCoarse(HWND hwnd, UINT_PTR timerId, UINT periodMs) {
    return SendThroughHook(hwnd, "CoarseTimerHook", COARSE_TIMER_MESSAGE, timerId,
                           static_cast<LPARAM>(periodMs)) &&
           GetPropA(hwnd, COARSE_TIMER_DONE) != nullptr;
}

// ---- Settings file -------------------------------------------------------

std::string IniPath() {
    char directory[MAX_PATH] = {};
    GetWindowsDirectoryA(directory, MAX_PATH);
    return std::string(directory) + "\\velmor.INI";
}

std::string PerUserIniPath() {
    char folder[MAX_PATH] = {};
    GetEnvironmentVariableA("LOCALAPPDATA", folder, MAX_PATH);
    return std::string(folder) + "\\VirtualStore\\Windows\\velmor.INI";
}

bool ReadFileBytes(const std::string& path, std::string* bytes) {
    bytes->clear();
    FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        return false;
    }
    char chunk[512];
    size_t count;
    while ((count = std::fread(chunk, 1, sizeof chunk, file)) > 0) {
        bytes->append(chunk, count);
    }
    std::fclose(file);
    return true;
}

bool WriteFileBytes(const std::string& path, const std::string& bytes) {
    // The profile functions may cache a file: make them forget it first.
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, "velmor.INI");
    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        return false;
    }
    bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && written;
}

bool ReadIniBytes(std::string* bytes) {
    return ReadFileBytes(IniPath(), bytes);
}

bool WriteIniBytes(const std::string& bytes) {
    return WriteFileBytes(IniPath(), bytes);
}

void DeleteIni() {
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, "velmor.INI");
    DeleteFileA(IniPath().c_str());
}

bool IniExists() {
    return GetFileAttributesA(IniPath().c_str()) != INVALID_FILE_ATTRIBUTES;
}

// ---- Screenshots ---------------------------------------------------------

std::uint32_t Screenshot::Pixel(int x, int y) const {
    if (x < 0 || y < 0 || x >= width || y >= height) {
        return 0xFFFFFFFFu;
    }
    size_t at = (static_cast<size_t>(y) * width + x) * 3;
    return (static_cast<std::uint32_t>(bgr[at + 2]) << 16) |
           (static_cast<std::uint32_t>(bgr[at + 1]) << 8) | bgr[at];
}

int Screenshot::CountOtherThan(std::uint32_t rgb, int left, int top, int right, int bottom) const {
    int count = 0;
    for (int y = top; y < bottom; ++y) {
        for (int x = left; x < right; ++x) {
            if (Pixel(x, y) != rgb) {
                ++count;
            }
        }
    }
    return count;
}

bool Screenshot::SaveBmp(const std::string& path) const {
    // BMP rows are padded to whole 32-bit words; the shot's rows are not.
    const size_t rowBytes = static_cast<size_t>(width) * 3;
    const size_t stride = (rowBytes + 3) & ~static_cast<size_t>(3);
    std::vector<std::uint8_t> rows(stride * height, 0);
    for (int y = 0; y < height; ++y)
        std::copy(bgr.begin() + static_cast<std::ptrdiff_t>(y * rowBytes),
                  bgr.begin() + static_cast<std::ptrdiff_t>((y + 1) * rowBytes),
                  rows.begin() + static_cast<std::ptrdiff_t>(y * stride));
    BITMAPINFOHEADER header = {};
    header.biSize = sizeof header;
    header.biWidth = width;
    header.biHeight = -height;  // top row first, as captured
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biCompression = BI_RGB;
    return WriteBmpFile(path.c_str(), header, rows.data(), rows.size());
}

bool CaptureScreen(const RECT& rect, Screenshot* shot) {
    int width = rect.right - rect.left;
    int height = rect.bottom - rect.top;
    if (width <= 0 || height <= 0) {
        return false;
    }
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    void* bits = nullptr;
    HBITMAP section = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    bool copied = false;
    if (memory != nullptr && section != nullptr) {
        HGDIOBJ old = SelectObject(memory, section);
        copied = BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY) != 0;
        GdiFlush();
        SelectObject(memory, old);
    }
    if (copied) {
        int stride = (width * 3 + 3) & ~3;
        shot->width = width;
        shot->height = height;
        shot->bgr.resize(static_cast<size_t>(width) * height * 3);
        const std::uint8_t* source = static_cast<const std::uint8_t*>(bits);
        for (int y = 0; y < height; ++y) {
            std::copy(source + static_cast<std::ptrdiff_t>(y) * stride,
                      source + static_cast<std::ptrdiff_t>(y) * stride + width * 3,
                      shot->bgr.begin() + static_cast<std::ptrdiff_t>(y) * width * 3);
        }
    }
    if (section != nullptr) {
        DeleteObject(section);
    }
    if (memory != nullptr) {
        DeleteDC(memory);
    }
    ReleaseDC(nullptr, screen);
    return copied;
}

}  // namespace e2e
