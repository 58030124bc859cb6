#ifndef VELMOR_TESTS_E2E_SAVER_DRIVER_H
#define VELMOR_TESTS_E2E_SAVER_DRIVER_H

// A small driver for end-to-end tests of velmor.scr: it runs under Wine in
// the same prefix and display as the saver, starts the saver the way the
// display control panel does, finds its windows, sends it input, waits for
// it to end, reads and writes its settings file and takes screenshots.
//
// Every wait in here keeps pumping this thread's messages, so the saver can
// create child windows of windows this thread owns (the preview) without
// blocking on it.

#include <windows.h>
#include <cstdint>
#include <string>
#include <vector>

#include "tests/e2e/driver/cursor_probe.h"

namespace e2e {

// ---- Paths ---------------------------------------------------------------

// The Windows path (Z:\...) of a Unix path, as Wine maps the root to Z:.
std::string WindowsPathOf(const std::string& unixPath);
// The saver under test (the build's velmor.scr) as a Windows path.
std::string SaverPath();

// Runs `command` with the Unix shell, which Wine starts as it starts any
// Unix program (with this process's environment, DISPLAY included), and
// waits up to `timeoutMs` for it to end; true when it ended with exit code
// 0.  For the X side of a test: the X pointer, the monitor layout.
bool RunUnixCommand(const std::string& command, DWORD timeoutMs = 20000);

// ---- The saver process ---------------------------------------------------

class SaverProcess {
public:
    SaverProcess();
    ~SaverProcess();  // terminates the saver if it still runs

    // Starts `executable` (a Windows path) with `arguments` as its command
    // line after the program name (for instance "/s" or "/p 1234").
    bool Start(const std::string& arguments, const std::string& executable = SaverPath());
    // Starts the saver suspended, loads `library` (a Windows path) into it
    // and only then lets it run, so that the library is there before any of
    // the saver's own code runs.  False (and no saver) when it could not be
    // loaded.
    bool StartWithLibrary(const std::string& arguments, const std::string& library,
                          const std::string& executable = SaverPath());
    // Waits up to `timeoutMs` for the saver to end; true when it ended, with
    // its exit code in *exitCode (if given).
    bool WaitForExit(DWORD timeoutMs, DWORD* exitCode = nullptr);
    // True when the saver is still running after `ms` milliseconds.
    bool StillRunningAfter(DWORD ms);
    bool IsRunning() const;
    void Terminate();

    DWORD Id() const { return processId_; }
    HANDLE Handle() const { return process_; }

    SaverProcess(const SaverProcess&) = delete;
    SaverProcess& operator=(const SaverProcess&) = delete;

private:
    bool Create(const std::string& arguments, const std::string& executable, DWORD flags,
                HANDLE* mainThread);

    HANDLE process_;
    DWORD processId_;
};

// ---- Windows -------------------------------------------------------------

// Top-level windows of a process, optionally only those of one class.
std::vector<HWND> TopLevelWindowsOf(DWORD processId, const char* className = nullptr);
// Direct and indirect child windows of `parent` that belong to `processId`
// (0: any process), optionally only those of one class.
std::vector<HWND> ChildWindowsOf(HWND parent, DWORD processId = 0, const char* className = nullptr);

// Waits until the process has a visible top-level window of `className`
// (and `title`, if given); null on time-out.
HWND WaitForTopLevelWindow(DWORD processId, const char* className, DWORD timeoutMs,
                           const char* title = nullptr);
// Waits until `parent` has a visible child window of `className` owned by
// the process; null on time-out.
HWND WaitForChildWindow(HWND parent, DWORD processId, const char* className, DWORD timeoutMs);

// Waits until `hwnd` is the foreground window (typed keys go to it).
bool WaitForForeground(HWND hwnd, DWORD timeoutMs);

std::string ClassNameOf(HWND hwnd);
// The window's text as this process's ANSI code page gives it.
std::string TextOf(HWND hwnd);
// The window's text in UTF-16.
std::wstring WideTextOf(HWND hwnd);
// The text of a control of another process, asked with WM_GETTEXT (edit
// controls keep their text to themselves).
std::string ControlTextOf(HWND control);
DWORD StyleOf(HWND hwnd);
DWORD ExStyleOf(HWND hwnd);
RECT ScreenRectOf(HWND hwnd);
RECT ClientRectOf(HWND hwnd);

// Runs this thread's message loop for `ms` milliseconds.
void PumpMessages(DWORD ms);

// ---- Input ---------------------------------------------------------------

// Posts a key press (down, then up) to a window; `system` sends the
// WM_SYSKEYDOWN/WM_SYSKEYUP pair with the Alt context bit set.
void PostKey(HWND hwnd, UINT virtualKey, bool system = false);
void PostKeyDown(HWND hwnd, UINT virtualKey, bool system = false);
// Posts a mouse move to client position x,y.
void PostMouseMove(HWND hwnd, int x, int y);
// Posts a button press and release at client position x,y; `message` is
// WM_LBUTTONDOWN, WM_RBUTTONDOWN or WM_MBUTTONDOWN.
void PostButtonClick(HWND hwnd, UINT buttonDownMessage, int x, int y);
// Sends a message and returns its result (0 on time-out).
LRESULT SendWithTimeout(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                        DWORD timeoutMs = 3000);

// Real input through the system, as a user gives it.  Note: under Wine on
// Xvfb the X pointer itself stays where it is (the centre of the screen
// at first); the system's pointer position and mouse messages follow, until
// Wine reads the X pointer again and reports a move back to it.  Call
// SettlePointer() after moving, before any full-screen saver starts.
void MovePointerTo(int screenX, int screenY);
void SettlePointer();
void ClickScreenPoint(int screenX, int screenY);
// Clicks the centre of a window's screen rectangle.
void ClickWindow(HWND hwnd);
void TypeKey(UINT virtualKey);
void TypeKeyWithAlt(UINT virtualKey);

// The saver's cursor as seen from inside its process: its window class's
// cursor and the cursor its thread shows (set when the pointer last moved
// over its window).  A hook library looks from inside,
// as another process cannot read a cursor's pictures under Wine.
struct CursorReport {
    CursorKind classCursor;
    CursorKind shownCursor;
};
CursorReport ProbeCursor(HWND hwnd);

// Makes the saver's window timers as coarse as current Windows makes them:
// from now on every period it sets is rounded up to whole 15.625 ms clock
// interrupts (66 ms becomes 78), and its running timer `timerId` of
// `periodMs` is set again that way.  Wine's own timers are exact.  False
// when the hook could not do it.
bool MakeTimersCoarse(HWND hwnd, UINT_PTR timerId, UINT periodMs);

// ---- Settings file -------------------------------------------------------

// The saver's settings file: velmor.INI in the prefix's Windows directory.
std::string IniPath();
// The per-user one the saver uses where it cannot write the Windows
// directory: %LOCALAPPDATA%\VirtualStore\Windows\velmor.INI.
std::string PerUserIniPath();
// Reads a whole file; false when it does not exist.
bool ReadFileBytes(const std::string& path, std::string* bytes);
bool WriteFileBytes(const std::string& path, const std::string& bytes);
// Reads the whole file; false when it does not exist.
bool ReadIniBytes(std::string* bytes);
bool WriteIniBytes(const std::string& bytes);
void DeleteIni();
bool IniExists();
// The interval key: "display interval" in Shift-JIS, whatever the code page.
extern const char INTERVAL_KEY[];

// ---- Screenshots ---------------------------------------------------------

// A screen rectangle copied pixel for pixel: rows top-down, 3 bytes per
// pixel in the order blue, green, red.
struct Screenshot {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> bgr;

    std::uint32_t Pixel(int x, int y) const;  // 0xRRGGBB
    // Counts the pixels of the rectangle (in screenshot coordinates) that
    // differ from `rgb`.
    int CountOtherThan(std::uint32_t rgb, int left, int top, int right, int bottom) const;
    // Writes a 24-bit BMP file (Windows path), for looking at a failure.
    bool SaveBmp(const std::string& path) const;
};

// Copies the screen rectangle [left, right) x [top, bottom).
bool CaptureScreen(const RECT& rect, Screenshot* shot);

}  // namespace e2e

#endif
