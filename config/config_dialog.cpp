// The configuration dialog: every message it handles is in HandleMessage.

#include "config/config_dialog.h"

#include <commctrl.h>
#include <new>

#include "config/settings.h"
#include "config/version_text.h"
#include "res/resource.h"

namespace {

// UDM_SETRANGE takes the maximum in the low word and the minimum in the
// high word: maximum 15, minimum 300, so the up arrow goes toward 15 and
// the down arrow toward 300.
const LPARAM INTERVAL_SPIN_RANGE = 0x012C000F;

ConfigDialog* DialogOf(HWND hwnd) {
    return reinterpret_cast<ConfigDialog*>(GetWindowLongPtrA(hwnd, DWLP_USER));
}

}  // namespace

ConfigDialog::ConfigDialog() : interval(0), dirty(0) {}

ConfigDialog::~ConfigDialog() {
    SaveSettings();
}

INT_PTR ConfigDialog::HandleMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
        case WM_INITDIALOG: {
            char path[MODULE_PATH_SIZE];
            DWORD length = GetModuleFileNameA(nullptr, path, MODULE_PATH_SIZE);
            if (length == 0 || length >= static_cast<DWORD>(MODULE_PATH_SIZE)) {
                path[0] = '\0';  // a cut path names no file: "????" is shown
            }
            SetVersionText(path, hwnd, IDC_VERSION);
            LoadSettings(hwnd);
            return TRUE;  // the focus goes to the interval edit
        }
        case WM_COMMAND:
            // The whole wParam is compared: a click, Enter, Escape and the close
            // box all come with notification code 0.
            if (wParam == IDOK) {
                dirty = 1;
                interval = static_cast<int>(
                    SendDlgItemMessageA(hwnd, IDC_INTERVAL_SPIN, UDM_GETPOS, 0, 0));
                EndDialog(hwnd, 1);
                return TRUE;
            }
            if (wParam == IDCANCEL) {
                EndDialog(hwnd, 1);
                return TRUE;
            }
            return FALSE;
        case WM_NCDESTROY:
            SetWindowLongPtrA(hwnd, DWLP_USER, 0);
            delete this;  // saves the interval after OK
            return FALSE;
        default:
            return FALSE;
    }
}

int ConfigDialog::LoadSettings(HWND hwnd) {
    interval = ReadIntervalSeconds();
    SendDlgItemMessageA(hwnd, IDC_INTERVAL_SPIN, UDM_SETRANGE, 0, INTERVAL_SPIN_RANGE);
    // The up-down control takes its position from this text (its buddy).
    SetDlgItemInt(hwnd, IDC_INTERVAL, static_cast<UINT>(interval), TRUE);
    return 1;
}

void ConfigDialog::SaveSettings() {
    if (dirty) {
        WriteIntervalSeconds(interval);
    }
}

INT_PTR CALLBACK ConfigDialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    ConfigDialog* dialog = DialogOf(hwnd);
    if (dialog == nullptr) {
        if (message != WM_INITDIALOG) {
            return FALSE;
        }
        dialog = new (std::nothrow) ConfigDialog();
        if (dialog == nullptr) {
            // Without its state the dialog could not even be ended by OK.
            EndDialog(hwnd, 0);
            return TRUE;
        }
        SetWindowLongPtrA(hwnd, DWLP_USER, reinterpret_cast<LONG_PTR>(dialog));
    }
    return dialog->HandleMessage(hwnd, message, wParam, lParam);
}
