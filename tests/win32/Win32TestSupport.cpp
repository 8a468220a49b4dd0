// Helpers for the Win32 tests: main window, pixels, messages and modal dialogs.
#include "win32/Win32TestSupport.h"

#include <cstring>
#include <string>

#include "app/Shell.h"
#include "draw/Canvas.h"
#include "game/Game.h"
#include "settings/Settings.h"

Colour windowPixel(HWND window, int x, int y) {
    HDC dc = GetDC(window);
    const COLORREF colour = GetPixel(dc, x, y);
    ReleaseDC(window, dc);
    return colour;
}

void pumpMessages() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(message.wParam));
            return;
        }
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

bool takeQuitMessage() {
    MSG message;
    return PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) != FALSE;
}

namespace {

BOOL CALLBACK findMainWindow(HWND window, LPARAM found) {
    char name[kTextBufferSize] = {};
    GetClassNameA(window, name, sizeof name);
    if (std::strcmp(name, windowClassName) != 0) return TRUE;
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
}

}  // namespace

MainWindow::MainWindow() {
    if (!createMainWindow(GetModuleHandleA(nullptr), SW_SHOWNORMAL)) return;
    EnumThreadWindows(GetCurrentThreadId(), findMainWindow, reinterpret_cast<LPARAM>(&window));
}

MainWindow::~MainWindow() {
    if (IsWindow(window)) DestroyWindow(window);
    takeQuitMessage();
    currentGame.reset();
    currentCanvas.reset();
    settings = Settings{};
}

LRESULT MainWindow::send(UINT message, WPARAM wParam, LPARAM lParam) const {
    return SendMessageA(window, message, wParam, lParam);
}

LRESULT MainWindow::click(int x, int y) const { return send(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y)); }

RECT MainWindow::clientRect() const {
    RECT rect{};
    GetClientRect(window, &rect);
    return rect;
}

namespace {

constexpr UINT kTickMs = 10;
constexpr int kTicksBeforeForcedEnd = 300;
constexpr INT_PTR kForcedEnd = 0x7E57;

struct ActiveRun {
    const std::function<void(HWND)>* script = nullptr;
    DialogRun* run = nullptr;
    int ticksSinceScript = 0;
};
ActiveRun active;

BOOL CALLBACK findVisibleDialog(HWND window, LPARAM found) {
    char name[16] = {};
    GetClassNameA(window, name, sizeof name);
    if (std::strcmp(name, "#32770") != 0 || !IsWindowVisible(window)) return TRUE;
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
}

void CALLBACK dialogTick(HWND, UINT, UINT_PTR, DWORD) {
    if (!active.run) return;
    if (!active.run->scriptRan) {
        HWND dialog = nullptr;
        EnumThreadWindows(GetCurrentThreadId(), findVisibleDialog, reinterpret_cast<LPARAM>(&dialog));
        if (!dialog) return;
        active.run->scriptRan = true;
        (*active.script)(dialog);
        return;
    }
    // A dialog still shown a while after the script ran, the script's own or
    // another that opened after it, is ended.
    if (++active.ticksSinceScript > kTicksBeforeForcedEnd) {
        HWND dialog = nullptr;
        EnumThreadWindows(GetCurrentThreadId(), findVisibleDialog, reinterpret_cast<LPARAM>(&dialog));
        if (!dialog) return;
        active.run->closedByScript = false;
        active.ticksSinceScript = 0;
        EndDialog(dialog, kForcedEnd);
    }
}

}  // namespace

DialogRun runDialog(const std::function<INT_PTR()>& open, const std::function<void(HWND)>& script) {
    DialogRun run;
    active = ActiveRun{&script, &run, 0};
    const UINT_PTR timer = SetTimer(nullptr, 0, kTickMs, dialogTick);
    run.result = open();
    KillTimer(nullptr, timer);
    active = ActiveRun{};
    return run;
}

DialogRun runDialog(int dialogId, DLGPROC procedure, const std::function<void(HWND)>& script) {
    return runDialog(
        [&] {
            return DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(dialogId), nullptr, procedure, 0);
        },
        script);
}

ControlState controlState(HWND dialog, int id) {
    ControlState state;
    HWND control = GetDlgItem(dialog, id);
    GetWindowTextA(control, state.text, sizeof state.text);
    state.style = GetWindowLongA(control, GWL_STYLE);
    state.checked = SendMessageA(control, BM_GETCHECK, 0, 0) == BST_CHECKED;
    return state;
}

void clickButton(HWND dialog, int id) { SendMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }

void pressKey(HWND dialog, WPARAM virtualKey) {
    HWND target = GetFocus();
    if (!target || (target != dialog && !IsChild(dialog, target))) target = dialog;
    PostMessageA(target, WM_KEYDOWN, virtualKey, 1);
    PostMessageA(target, WM_KEYUP, virtualKey, static_cast<LPARAM>(0xC0000001));
}

bool runningUnderWine() {
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version");
}

void leaveWindowsUnmanagedUnderWine(const char* programName) {
    if (!runningUnderWine()) return;
    const std::string path = std::string("Software\\Wine\\AppDefaults\\") + programName + "\\X11 Driver";
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) !=
        ERROR_SUCCESS) {
        return;
    }
    RegSetValueExA(key, "Managed", 0, REG_SZ, reinterpret_cast<const BYTE*>("N"), 2);
    RegCloseKey(key);
}
