#ifndef VELMOR_CONFIG_CONFIG_DIALOG_H
#define VELMOR_CONFIG_CONFIG_DIALOG_H

#include <windows.h>

// State of one configuration dialog: the display interval it shows and
// whether OK was pressed.  Lives on the heap from WM_INITDIALOG to
// WM_NCDESTROY, its address in the dialog's DWLP_USER slot; destroying it
// saves the interval when OK was pressed.
class ConfigDialog {
public:
    ConfigDialog();
    ~ConfigDialog();

    INT_PTR HandleMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    int LoadSettings(HWND hwnd);
    void SaveSettings();

    int interval;  // seconds, 15..300
    int dirty;     // 1 once OK was pressed

    ConfigDialog(const ConfigDialog&) = delete;
    ConfigDialog& operator=(const ConfigDialog&) = delete;
};

// The dialog procedure of the configuration dialog (template IDD_CONFIG).
INT_PTR CALLBACK ConfigDialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

#endif
