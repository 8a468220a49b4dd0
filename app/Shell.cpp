// The main window: the class, the window itself, and the window procedure that
// turns messages and menu commands into calls on the current Game.
#include "app/Shell.h"

#include <new>
#include <utility>

#include "draw/gdi/GdiCanvas.h"
#include "game/Game.h"
#include "res/resource.h"
#include "settings/Settings.h"
#include "settings/win32/SettingsDialogs.h"

HINSTANCE appInstance = nullptr;
char windowTitle[kTextBufferSize] = {};
char windowClassName[kTextBufferSize] = {};
std::unique_ptr<Canvas> currentCanvas;
std::unique_ptr<Game> currentGame;

namespace {

constexpr int kWindowSize = 500;
constexpr UINT kClickBeep = 5;

// A new canvas for the new client size, filled black, and a new game on it at
// level 1 against the computer with the board of the settings; then the
// previous game goes, and after it the canvas it was drawn on.
void replaceCanvasAndGame(HWND window, int width, int height) {
    std::unique_ptr<Canvas> canvas(new (std::nothrow) GdiCanvas(window, width, height));
    if (!canvas) return;
    canvas->fill(kBlack);
    std::unique_ptr<Game> game(new (std::nothrow) Game(canvas.get(), settings.boardSize, settings.boardSize,
                                                       settings.cellSize, 1, HumanVsComputer));
    if (!game) return;
    std::unique_ptr<Game> previousGame = std::exchange(currentGame, std::move(game));
    std::unique_ptr<Canvas> previousCanvas = std::exchange(currentCanvas, std::move(canvas));
    previousGame.reset();
    previousCanvas.reset();
}

void click(int x, int y) {
    SetCursor(LoadCursorA(nullptr, IDC_CROSS));
    if (!currentGame || !currentGame->containsPoint(x, y)) return;
    MessageBeep(kClickBeep);
    currentGame->placeHumanDot(x, y);
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
        if (currentGame) currentGame->newRound();
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
        if (currentGame) {
            currentGame->resetAllScores();
            currentGame->newRound();
        }
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
        replaceCanvasAndGame(window, LOWORD(lParam), HIWORD(lParam));
        return 0;
    case WM_PAINT: {
        PAINTSTRUCT paint;
        BeginPaint(window, &paint);
        if (currentGame) currentGame->newRound();
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
