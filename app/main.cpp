// Process entry: picks the mode from the command line, opens the saver's
// window (or the configuration dialog, or the password message box) and
// runs the message loop until the window is gone.

#include <windows.h>
#include <commctrl.h>
#include <memory>
#include <new>

#include "app/command_line.h"
#include "app/full_screen_saver_window.h"
#include "app/saver_window.h"
#include "config/config_dialog.h"
#include "res/resource.h"

namespace {

// Shift-JIS (code page 932) texts: "no password can be set" and
// "password setting".
const char PASSWORD_TEXT[] =
    "\x90\xDD\x92\xE8\x82\xC5\x82\xAB\x82\xC8\x82\xA2\x82\xF1\x82\xC5\x82\xB7\x82\xE6";
const char PASSWORD_CAPTION[] = "\x83\x70\x83\x58\x83\x8F\x81\x5B\x83\x68\x82\xCC\x90\xDD\x92\xE8";
const UINT PASSWORD_CODE_PAGE = 932;

// Says that no password can be set, in the same Japanese words on every
// system: the texts are read as code page 932 whatever the system's own
// ANSI code page is (MessageBoxA would read them in that one).  Where the
// system cannot convert from 932, the bytes go out as they are.
void ShowPasswordBox() {
    wchar_t text[64];
    wchar_t caption[64];
    if (MultiByteToWideChar(PASSWORD_CODE_PAGE, MB_ERR_INVALID_CHARS, PASSWORD_TEXT, -1, text, 64) >
            0 &&
        MultiByteToWideChar(PASSWORD_CODE_PAGE, MB_ERR_INVALID_CHARS, PASSWORD_CAPTION, -1, caption,
                            64) > 0) {
        MessageBoxW(nullptr, text, caption, MB_OK);
    } else {
        MessageBoxA(nullptr, PASSWORD_TEXT, PASSWORD_CAPTION, MB_OK);
    }
}

// The up-down control of the configuration dialog needs its class.
void InitCommonControlClasses() {
    INITCOMMONCONTROLSEX classes;
    classes.dwSize = sizeof classes;
    classes.dwICC = ICC_UPDOWN_CLASS;
    InitCommonControlsEx(&classes);
}

WNDCLASSA DefaultWindowClass(HINSTANCE instance) {
    WNDCLASSA windowClass;
    // 0x0803.  A new size repaints the whole window, since the picture is
    // centred in it; and the system keeps what the window covers, so that
    // the desktop comes back without a repaint when a full-screen saver ends.
    windowClass.style = CS_VREDRAW | CS_HREDRAW | CS_SAVEBITS;
    windowClass.lpfnWndProc = SaverWndProc;
    windowClass.cbClsExtra = 0;
    // Four bytes, room for a 32-bit object pointer; unused, as the object is
    // bound through GWLP_USERDATA, which holds a whole pointer on 64-bit
    // Windows too.  The class keeps the size it has always registered.
    windowClass.cbWndExtra = 4;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_SAVER));
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    windowClass.lpszMenuName = nullptr;
    windowClass.lpszClassName = WINDOWED_CLASS;
    return windowClass;
}

// The window number of the preview's parent as a window handle.  Handles
// are 32-bit values; sign extension keeps them valid on 64-bit systems.
HWND PreviewParent(const char* argumentWord) {
    return reinterpret_cast<HWND>(static_cast<LONG_PTR>(ParseWindowNumber(argumentWord)));
}

// Registers the class and opens the window of `window`.  Once Create has
// succeeded the object owns itself (it goes at WM_NCDESTROY).  When Create
// fails (no window could be made, or it was destroyed while being made) the
// object is still this function's, and is freed here, once.
bool OpenWindow(WNDCLASSA& windowClass, std::unique_ptr<SaverWindow> window, HWND parent) {
    if (!window) {
        return false;
    }
    RegisterClassA(&windowClass);
    if (window->Create(parent) == 0) {
        return false;
    }
    window.release();
    return true;
}

template <typename Window>
std::unique_ptr<SaverWindow> NewWindow() {
    return std::unique_ptr<SaverWindow>(new (std::nothrow) Window());
}

// Opens the window of the selected mode, or runs the dialog or message
// box; true when a window is open and the message loop must run.
bool Dispatch(HINSTANCE instance, const CommandLineWords& words) {
    WNDCLASSA windowClass = DefaultWindowClass(instance);
    switch (SelectMode(words.switchWord)) {
        case MODE_CONFIGURE:
            DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_CONFIG), nullptr, ConfigDialogProc, 0);
            return false;
        case MODE_PREVIEW: {
            HWND parent = PreviewParent(words.argumentWord);
            // No preview while a full-screen saver runs.  FindWindowA sees only
            // top-level windows: it finds a full-screen saver's window, never
            // another preview (a child of its control panel's window).
            if (parent == nullptr || FindWindowA(SAVER_CLASS, nullptr) != nullptr) {
                return false;
            }
            windowClass.lpszClassName = SAVER_CLASS;
            return OpenWindow(windowClass, NewWindow<SaverWindow>(), parent);
        }
        case MODE_FULL_SCREEN:
            windowClass.lpszClassName = SAVER_CLASS;
            windowClass.hCursor = LoadCursorA(instance, MAKEINTRESOURCEA(IDC_BLANK));
            return OpenWindow(windowClass, NewWindow<FullScreenSaverWindow>(), nullptr);
        case MODE_PASSWORD:
            ShowPasswordBox();
            return false;
        case MODE_WINDOWED:
        default:
            return OpenWindow(windowClass, NewWindow<SaverWindow>(), nullptr);
    }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
    InitCommonControlClasses();

    bool windowOpen;
    {
        CommandLineWords words(commandLine);
        // Without its words the mode asked for is unknown: nothing is opened,
        // rather than a mode that was not asked for.
        windowOpen = words.copied && Dispatch(instance, words);
    }  // the command-line copy is freed before the loop
    if (!windowOpen) {
        return 0;
    }

    MSG message;
    BOOL got;
    while ((got = GetMessageA(&message, nullptr, 0, 0)) != 0) {
        if (got == -1) {
            return 0;
        }
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return static_cast<int>(message.wParam);  // WM_QUIT's code
}
