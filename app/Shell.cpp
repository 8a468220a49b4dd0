// The main window: the class, the window itself, and the window procedure that
// turns messages and menu commands into calls on the current Game.
#include "app/Shell.h"

#include "draw/gdi/GdiCanvas.h"
#include "res/resource.h"
#include "settings/win32/SettingsDialogs.h"

HINSTANCE appInstance = nullptr;
char windowTitle[kTextBufferSize] = {};
char windowClassName[kTextBufferSize] = {};
BeepFunction clickBeep = MessageBeep;

namespace {

constexpr int kWindowSize = 500;
constexpr UINT kClickBeep = 5;

// A canvas for the window's client area, new at every change of its size.
void resize(HWND window, int width, int height) {
    replaceCanvasAndGame(
        [window](int w, int h) { return std::unique_ptr<Canvas>(new GdiCanvas(window, w, h)); }, width,
        height);
}

void click(int x, int y) {
    SetCursor(LoadCursorA(nullptr, IDC_CROSS));
    if (!boardContains(x, y)) return;
    clickBeep(kClickBeep);
    placeDot(x, y);
}

void openDialog(HWND owner, int dialogId, DLGPROC procedure) {
    DialogBoxParamA(appInstance, MAKEINTRESOURCEA(dialogId), owner, procedure, 0);
}

// Handles a menu or accelerator command; false for ids that are none of ours.
bool command(HWND window, int id) {
    switch (id) {
    case IDM_ABOUT:
        openDialog(window, IDD_ABOUT, aboutDialogProc);
        return true;
    case IDM_EXIT:
        DestroyWindow(window);
        return true;
    case IDM_NEW:
        startNextRound();
        return true;
    case IDM_LEVEL:
        openDialog(window, IDD_LEVEL, levelDialogProc);
        return true;
    case IDM_SIZE:
        openDialog(window, IDD_SIZE, sizeDialogProc);
        return true;
    case IDM_TYPE:
        openDialog(window, IDD_TYPE, typeDialogProc);
        return true;
    case IDM_RESET:
        resetScoresAndStartRound();
        return true;
    default:
        return false;
    }
}

}  // namespace

void initWindowClass(HINSTANCE instance) {
    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = mainWindowProc;
    windowClass.cbClsExtra = 0;
    windowClass.cbWndExtra = 0;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_VANTOR));
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_WINDOW + 1));
    windowClass.lpszMenuName = MAKEINTRESOURCEA(IDM_MAIN);
    windowClass.lpszClassName = windowClassName;
    windowClass.hIconSm = LoadIconA(instance, MAKEINTRESOURCEA(IDI_VANTOR));
    RegisterClassExA(&windowClass);
}

void registerMainWindowClass(HINSTANCE instance) {
    LoadStringA(instance, IDS_APP_TITLE, windowTitle, kTextBufferSize);
    LoadStringA(instance, IDS_WINDOW_CLASS, windowClassName, kTextBufferSize);
    initWindowClass(instance);
}

int runProgram(HINSTANCE instance, int showCommand) {
    registerMainWindowClass(instance);
    if (!createMainWindow(instance, showCommand)) return 0;
    return runMessageLoop(LoadAcceleratorsA(instance, MAKEINTRESOURCEA(IDA_MAIN)));
}

bool createMainWindow(HINSTANCE instance, int showCommand) {
    appInstance = instance;
    HWND window = CreateWindowExA(0, windowClassName, windowTitle, WS_OVERLAPPEDWINDOW, 0, 0, kWindowSize,
                                  kWindowSize, nullptr, nullptr, instance, nullptr);
    if (!window) return false;
    ShowWindow(window, showCommand);
    UpdateWindow(window);
    return true;
}

LRESULT CALLBACK mainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_SIZE:
        resize(window, LOWORD(lParam), HIWORD(lParam));
        return 0;
    case WM_PAINT: {
        PAINTSTRUCT paint;
        BeginPaint(window, &paint);
        startNextRound();
        EndPaint(window, &paint);
        return 0;
    }
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    case WM_LBUTTONDOWN:
        click(LOWORD(lParam), HIWORD(lParam));
        return 0;
    case WM_COMMAND:
        if (command(window, LOWORD(wParam))) return 0;
        break;
    default:
        break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

int runMessageLoop(HACCEL accelerators, MessageSource getMessage) {
    MSG message{};
    for (;;) {
        const BOOL got = getMessage(&message, nullptr, 0, 0);
        if (got == 0) return static_cast<int>(message.wParam);  // WM_QUIT, with PostQuitMessage's code
        if (got == -1) return kMessageLoopFailed;
        if (!TranslateAcceleratorA(message.hwnd, accelerators, &message)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
}
