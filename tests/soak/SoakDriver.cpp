// SoakDriver: random actions on the main window, each through the same message
// or call a person or a dialog would cause, with the queue served after each.
#include "soak/SoakDriver.h"

#include <algorithm>
#include <memory>

#include "app/Shell.h"
#include "draw/Grid.h"
#include "game/Game.h"
#include "res/resource.h"
#include "settings/Settings.h"
#include "win32/Win32TestSupport.h"

namespace {

constexpr int kWindowSize = 500;
// A window size far past any screen; the system cuts it to the largest it allows.
constexpr int kFarPastTheScreen = 4000;
// Canvases sent by WM_SIZE are up to this wide and high: a 64 MiB snapshot.
constexpr int kHugeCanvas = 4096;

// The counts of the one driven window; its procedure is a plain function.
SoakCounts counted;
WNDPROC shellProcedure = nullptr;

LRESULT CALLBACK countingProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_PAINT:
        ++counted.paints;
        break;
    case WM_SIZE:
        ++counted.sizes;
        break;
    case WM_LBUTTONDOWN:
        ++counted.clicks;
        break;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDM_NEW) ++counted.newCommands;
        if (LOWORD(wParam) == IDM_RESET) ++counted.resetCommands;
        break;
    default:
        break;
    }
    return CallWindowProcA(shellProcedure, window, message, wParam, lParam);
}

RECT clientOf(HWND window) {
    RECT client{};
    GetClientRect(window, &client);
    return client;
}

}  // namespace

SoakDriver::SoakDriver(HWND of, unsigned seed) : window(of), random(seed) {
    counted = SoakCounts{};
    const auto previous = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(countingProcedure)));
    // A driver made while another one still counts must not call itself.
    if (previous != countingProcedure) shellProcedure = previous;
}

SoakDriver::~SoakDriver() {
    if (IsWindow(window) && shellProcedure) {
        SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(shellProcedure));
    }
}

const SoakCounts& SoakDriver::counts() const { return counted; }

bool SoakDriver::windowAlive() const { return !quitSeen && IsWindow(window); }

int SoakDriver::below(int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); }

void SoakDriver::serveMessages() {
    pumpMessages();
    if (takeQuitMessage()) quitSeen = true;
}

void SoakDriver::step() {
    if (!windowAlive()) return;
    ++counted.steps;
    const int roll = below(100);
    if (roll < 25) {
        repaint();
    } else if (roll < 37) {
        SendMessageA(window, WM_COMMAND, IDM_NEW, 0);
    } else if (roll < 41) {
        SendMessageA(window, WM_COMMAND, IDM_RESET, 0);
    } else if (roll < 73) {
        click();
    } else if (roll < 84) {
        resize();
    } else if (roll < 88) {
        minimiseAndRestore();
    } else if (roll < 90) {
        hugeCanvas();
    } else if (roll < 96) {
        computerGame();
    } else {
        dialog();
    }
    serveMessages();
}

void SoakDriver::repaint() {
    InvalidateRect(window, nullptr, FALSE);
    UpdateWindow(window);
}

// Mostly inside the board, where a click places a dot (and the computer answers);
// otherwise anywhere, the panel and the area outside the client included.
void SoakDriver::click() {
    int x = 0;
    int y = 0;
    if (currentGame && currentGame->grid && below(4) != 0) {
        const Grid& grid = *currentGame->grid;
        x = grid.left + below(std::max(grid.width, 1));
        y = grid.top + below(std::max(grid.height, 1));
    } else {
        const RECT client = clientOf(window);
        x = below(static_cast<int>(client.right) + 60);
        y = below(static_cast<int>(client.bottom) + 60);
    }
    if (currentGame && currentGame->containsPoint(x, y)) ++counted.clicksInBoard;
    SendMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
}

// A new outer size from nothing at all to well past the screen; the system keeps
// it within the largest size a window may be dragged to, itself larger than the screen.
void SoakDriver::resize() {
    const int width = below(4) == 0 ? below(60) : below(1600);
    const int height = below(4) == 0 ? below(60) : below(1200);
    SetWindowPos(window, nullptr, 0, 0, width, height, SWP_NOZORDER | SWP_NOMOVE | SWP_NOACTIVATE);
    serveMessages();
    RECT outer{};
    GetWindowRect(window, &outer);
    if (outer.right - outer.left > GetSystemMetrics(SM_CXSCREEN) ||
        outer.bottom - outer.top > GetSystemMetrics(SM_CYSCREEN)) {
        ++counted.largerThanScreen;
    }
    const RECT client = clientOf(window);
    counted.largestWidth = std::max<long>(counted.largestWidth, client.right);
    counted.largestHeight = std::max<long>(counted.largestHeight, client.bottom);
}

// Minimised, the client area is 0 x 0 and so is the new canvas; the game is
// played on it for a moment (nothing shows), then the window comes back.
void SoakDriver::minimiseAndRestore() {
    ShowWindow(window, SW_MINIMIZE);
    serveMessages();
    if (currentCanvas && currentCanvas->width == 0 && currentCanvas->height == 0) ++counted.minimised;
    repaint();
    SendMessageA(window, WM_COMMAND, IDM_NEW, 0);
    click();
    ShowWindow(window, SW_RESTORE);
}

// A WM_SIZE for a canvas much larger than the window, as a very large monitor
// would give: the snapshot bitmap is tens of megabytes, and it all goes again at
// the next resize.
void SoakDriver::hugeCanvas() { sendCanvasSize(kHugeCanvas / 2 + below(kHugeCanvas / 2), kHugeCanvas / 2 + below(kHugeCanvas / 2)); }

void SoakDriver::sendCanvasSize(int width, int height) {
    SendMessageA(window, WM_SIZE, SIZE_RESTORED, MAKELPARAM(width, height));
    ++counted.hugeCanvases;
}

// What OK in a settings dialog does, with Computer <> Computer chosen: a new game
// from all of the settings on the current canvas, its first round played out
// inside the constructor.
void SoakDriver::computerGame() { computerGame(kSizeTable[below(8)], 1 + below(4)); }

void SoakDriver::computerGame(const SizeChoice& size, int level) {
    settings.boardSize = size.boardSize;
    settings.cellSize = size.cellSize;
    settings.sizeRadio = size.radioId;
    settings.level = level;
    settings.playType = ComputerVsComputer;
    replaceGameFromSettings();
    ++counted.computerGames;
}

// One of the dialogs opened from the menu and closed with OK after a radio click.
void SoakDriver::dialog() {
    switch (below(4)) {
    case 0:
        dialog(IDM_TYPE, kTypeTable[below(3)].radioId);
        break;
    case 1:
        dialog(IDM_SIZE, kSizeTable[below(8)].radioId);
        break;
    case 2:
        dialog(IDM_LEVEL, kLevelTable[below(4)].radioId);
        break;
    default:
        dialog(IDM_ABOUT, 0);
        break;
    }
}

void SoakDriver::dialog(int command, int radio) {
    runDialog([&] { return SendMessageA(window, WM_COMMAND, static_cast<WPARAM>(command), 0); },
              [&](HWND shown) {
                  if (radio != 0) clickButton(shown, radio);
                  clickButton(shown, IDOK);
              });
    ++(command == IDM_ABOUT ? counted.aboutBoxes : counted.settingsDialogs);
}

// The extremes that random steps reach only now and then, all in one go. The
// system keeps some memory for the largest sizes it has seen (Wine does, for
// window surfaces and its heap); visiting them before each measure takes that
// high-water mark into both measures, so that only growth with play shows.
void SoakDriver::visitExtremes() {
    ShowWindow(window, SW_RESTORE);
    SetWindowPos(window, nullptr, 0, 0, kFarPastTheScreen, kFarPastTheScreen, SWP_NOZORDER | SWP_NOMOVE);
    serveMessages();
    repaint();
    sendCanvasSize(kHugeCanvas - 1, kHugeCanvas - 1);
    repaint();
    computerGame(kSizeTable[7], 4);
    serveMessages();
    minimiseAndRestore();
    serveMessages();
    dialog(IDM_TYPE, kTypeTable[2].radioId);
    dialog(IDM_SIZE, kSizeTable[7].radioId);
    dialog(IDM_LEVEL, kLevelTable[3].radioId);
    dialog(IDM_ABOUT, 0);
    serveMessages();
}

void SoakDriver::settle() {
    if (!windowAlive()) return;
    visitExtremes();
    ShowWindow(window, SW_RESTORE);
    serveMessages();
    settings = Settings{};
    // Two sizes, so that the last one is surely a change and makes a new pair.
    SetWindowPos(window, nullptr, 0, 0, kWindowSize - 100, kWindowSize - 100, SWP_NOZORDER | SWP_NOACTIVATE);
    SetWindowPos(window, nullptr, 0, 0, kWindowSize, kWindowSize, SWP_NOZORDER | SWP_NOACTIVATE);
    serveMessages();
    repaint();
    serveMessages();
}
