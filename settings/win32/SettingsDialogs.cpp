// The settings dialogs: each loads its pending values when it opens, shows the
// stored radio checked, takes radio clicks, and on OK writes the settings back
// and starts a new game from them on the main window's canvas.
#include "settings/win32/SettingsDialogs.h"

#include "commands/Commands.h"
#include "res/resource.h"
#include "settings/Settings.h"

namespace {

// The pending values of the dialog that is open; the dialogs are modal, one at a time.
SizeDialogState sizeState;
LevelDialogState levelState;
TypeDialogState typeState;

// Shows the stored radio checked and gives it the focus. A range of ids is
// cleared first where the dialog has one; the radio itself is checked by
// message, which also reaches ids outside that range.
void checkStoredRadio(HWND dialog, int radioId, int firstInRange, int lastInRange) {
    if (firstInRange != 0) CheckRadioButton(dialog, firstInRange, lastInRange, radioId);
    HWND radio = GetDlgItem(dialog, radioId);
    SendMessageA(radio, BM_SETCHECK, BST_CHECKED, 0);
    SetFocus(radio);
}

// The steps after a settings dialog's own writes on OK: the dialog ends, then a
// new game is made from all of the settings and replaces the current one.
void finishWithNewGame(HWND dialog) {
    EndDialog(dialog, IDOK);
    replaceGameFromSettings();
}

}  // namespace

INT_PTR CALLBACK aboutDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_INITDIALOG) return TRUE;
    if (message == WM_COMMAND) {
        const int id = LOWORD(wParam);
        if (id == IDOK || id == IDCANCEL) {
            EndDialog(dialog, id);
            return TRUE;
        }
    }
    return FALSE;
}

INT_PTR CALLBACK sizeDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_INITDIALOG) {
        sizeState.open(settings);
        checkStoredRadio(dialog, sizeState.pendingSizeRadio, IDC_SIZE6, IDC_SIZE20);
        return TRUE;
    }
    if (message != WM_COMMAND) return FALSE;
    const int id = LOWORD(wParam);
    if (id == IDOK) {
        sizeState.ok(settings);
        finishWithNewGame(dialog);
        return TRUE;
    }
    if (id == IDCANCEL) {
        EndDialog(dialog, 0);
        return TRUE;
    }
    sizeState.click(id);
    return FALSE;
}

INT_PTR CALLBACK levelDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_INITDIALOG) {
        levelState.open(settings);
        checkStoredRadio(dialog, levelState.pendingLevelRadio, IDC_LEVEL1, IDC_LEVEL4);
        return TRUE;
    }
    if (message != WM_COMMAND) return FALSE;
    const int id = LOWORD(wParam);
    if (id == IDOK) {
        levelState.ok(settings);
        finishWithNewGame(dialog);
        return TRUE;
    }
    if (id == IDCANCEL) {
        EndDialog(dialog, 0);
        return TRUE;
    }
    levelState.click(id, settings);
    return FALSE;
}

INT_PTR CALLBACK typeDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_INITDIALOG) {
        typeState.open(settings);
        checkStoredRadio(dialog, typeState.pendingTypeRadio, 0, 0);
        return TRUE;
    }
    if (message != WM_COMMAND) return FALSE;
    const int id = LOWORD(wParam);
    if (id == IDOK) {
        typeState.ok(settings);
        finishWithNewGame(dialog);
        return TRUE;
    }
    if (id == IDCANCEL) {
        EndDialog(dialog, 0);
        return TRUE;
    }
    typeState.click(id, settings);
    return FALSE;
}
