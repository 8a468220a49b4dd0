// Helpers for the Win32 tests: the main window of one test, pixels read back
// from windows, the thread's message queue, and modal dialogs driven from inside.
#pragma once

#include <windows.h>

#include <functional>

#include "draw/Colour.h"

// Whether this process runs under Wine rather than Windows.
bool runningUnderWine();

// Without a window manager, Wine waits two seconds for every visible top-level
// window that is hidden, minimised or destroyed, to see the manager withdraw
// it; test programs make and destroy hundreds. Windows that Wine leaves
// unmanaged go at once. The setting is Wine's own, kept for the named program
// only, and read when its first window is made, so it takes effect in the very
// run that sets it. Does nothing on Windows.
void leaveWindowsUnmanagedUnderWine(const char* programName);

// What a window shows at a client pixel (CLR_INVALID outside it).
Colour windowPixel(HWND window, int x, int y);

// Serves every message waiting for this thread, paints included.
void pumpMessages();

// Takes a WM_QUIT out of this thread's queue, if there is one; true when there was.
// A destroyed main window leaves one, and it would end the next modal loop at once.
bool takeQuitMessage();

// The real main window of one test, made by createMainWindow with the real class
// from this module's resources. When it goes, the window is destroyed and the
// current game, canvas and settings are back at their start values.
class MainWindow {
public:
    MainWindow();
    ~MainWindow();
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;

    HWND handle() const { return window; }
    bool exists() const { return IsWindow(window) != FALSE; }
    LRESULT send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;
    LRESULT command(int id) const { return send(WM_COMMAND, static_cast<WPARAM>(id), 0); }
    LRESULT click(int x, int y) const;
    RECT clientRect() const;

private:
    HWND window = nullptr;
};

// How a modal dialog driven by runDialog went.
struct DialogRun {
    INT_PTR result = 0;          // what `open` returned
    bool scriptRan = false;      // the script saw the dialog open
    bool closedByScript = true;  // false when the dialog had to be ended by force
};

// Calls `open`, which shows a modal dialog (DialogBoxParamA, or a menu command
// that opens one); as soon as the dialog is visible, runs `script` on it from
// inside the dialog's own modal loop. A dialog that the script leaves open, or
// one that opens after it, is ended after a while, so that a failing test
// cannot hang.
DialogRun runDialog(const std::function<INT_PTR()>& open, const std::function<void(HWND)>& script);

// Opens a dialog of this module's resources with the given procedure and runs the script on it.
DialogRun runDialog(int dialogId, DLGPROC procedure, const std::function<void(HWND)>& script);

// What a dialog's controls say and how they stand.
struct ControlState {
    char text[64] = {};
    LONG style = 0;
    bool checked = false;
};
ControlState controlState(HWND dialog, int id);

// A button click as the mouse would make it.
void clickButton(HWND dialog, int id);
// A key pressed on the focused control, to be handled by the dialog's modal loop.
void pressKey(HWND dialog, WPARAM virtualKey);
