// The browser shell's C++ side: the page turns the player's clicks, keys, menu
// items, dialogs and resizes into these calls, and the command layer decides
// what each of them does, as in the Windows program.
#include <emscripten.h>

#include <algorithm>
#include <memory>

#include "commands/Commands.h"
#include "game/ComputerPlayer.h"
#include "res/resource.h"
#include "settings/Settings.h"
#include "web/WebCanvas.h"

namespace {

// The pending values of the settings dialog that is open; one at a time.
SizeDialogState sizeState;
LevelDialogState levelState;
TypeDialogState typeState;

// The time spent in the computer's pauses so far, for the page's figures.
double pauseMilliseconds = 0;

// Whether the page is due to show a new frame (about sixty times a second).
EM_JS(int, frameIsDue, (), { return Module.vantorFrameIsDue() ? 1 : 0; });

// Shows the board as it stands now and lets the browser paint it, then carries
// on where the game was. The game itself goes on in the same order as ever.
EM_ASYNC_JS(void, showBoardOnPage, (), { await Module.vantorShowBoard(); });

// The computer's pause in the page: what the last moves drew is shown first, so
// the dots of a round appear one after another, each after its pause.
void showThenPause(int n) {
    if (frameIsDue()) showBoardOnPage();
    const double start = emscripten_get_now();
    thinkingPause(n);
    pauseMilliseconds += emscripten_get_now() - start;
}

std::unique_ptr<Canvas> webCanvas(int width, int height) { return std::make_unique<WebCanvas>(width, height); }

const WebCanvas* currentWebCanvas() { return static_cast<const WebCanvas*>(currentCanvas.get()); }

}  // namespace

extern "C" {

EMSCRIPTEN_KEEPALIVE void vantorStart() {
    useComputerSeams(windowsRuntimeRand, showThenPause);
}

// The board area has a new size in game pixels, or a backdrop has arrived: the
// game goes on on a new canvas, its round played again there (the first call
// makes the first game).
EMSCRIPTEN_KEEPALIVE void vantorResize(int width, int height) { keepGameOnNewCanvas(webCanvas, width, height); }

// The side of the board in game pixels, grid lines included: the current
// game's, or before there is one the settings' board. The page chooses its
// magnification from it.
EMSCRIPTEN_KEEPALIVE int vantorBoardExtent() {
    if (currentGame) return std::max(currentGame->rows, currentGame->columns) * currentGame->cellSize + 1;
    return settings.boardSize * settings.cellSize + 1;
}

// New and Reset; other ids are the page's own business.
EMSCRIPTEN_KEEPALIVE void vantorCommand(int id) {
    if (id == IDM_NEW) startNextRound();
    if (id == IDM_RESET) resetScoresAndStartRound();
}

EMSCRIPTEN_KEEPALIVE int vantorBoardContains(int x, int y) { return boardContains(x, y) ? 1 : 0; }

EMSCRIPTEN_KEEPALIVE void vantorPlaceDot(int x, int y) { placeDot(x, y); }

// A settings dialog opens: its pending values come from the settings, and the
// radio to show checked is returned (0 for a dialog without radios).
EMSCRIPTEN_KEEPALIVE int vantorDialogOpen(int dialogId) {
    switch (dialogId) {
    case IDD_SIZE:
        sizeState.open(settings);
        return sizeState.pendingSizeRadio;
    case IDD_LEVEL:
        levelState.open(settings);
        return levelState.pendingLevelRadio;
    case IDD_TYPE:
        typeState.open(settings);
        return typeState.pendingTypeRadio;
    default:
        return 0;
    }
}

EMSCRIPTEN_KEEPALIVE void vantorDialogClick(int dialogId, int radioId) {
    if (dialogId == IDD_SIZE) sizeState.click(radioId);
    if (dialogId == IDD_LEVEL) levelState.click(radioId, settings);
    if (dialogId == IDD_TYPE) typeState.click(radioId, settings);
}

// OK, once the page has closed the dialog: the dialog's values reach the
// settings, and a new game is made from them.
EMSCRIPTEN_KEEPALIVE void vantorDialogOk(int dialogId) {
    if (dialogId == IDD_SIZE) {
        sizeState.ok(settings);
    } else if (dialogId == IDD_LEVEL) {
        levelState.ok(settings);
    } else if (dialogId == IDD_TYPE) {
        typeState.ok(settings);
    } else {
        return;
    }
    replaceGameFromSettings();
}

// Exit: the game and its canvas go; the page shows that the game is over.
EMSCRIPTEN_KEEPALIVE void vantorExit() { releaseCanvasAndGame(); }

// The current canvas's pixels for the page to show; null when there is none.
EMSCRIPTEN_KEEPALIVE const Colour* vantorPixels() {
    return currentCanvas ? currentWebCanvas()->framebuffer() : nullptr;
}
// The time the computer has spent in its pauses since the page was loaded.
EMSCRIPTEN_KEEPALIVE double vantorPauseMilliseconds() { return pauseMilliseconds; }

// The level on the board, 0 with no game.
EMSCRIPTEN_KEEPALIVE int vantorLevel() { return currentGame ? currentGame->level : 0; }

EMSCRIPTEN_KEEPALIVE int vantorWidth() { return currentCanvas ? currentCanvas->width : 0; }
EMSCRIPTEN_KEEPALIVE int vantorHeight() { return currentCanvas ? currentCanvas->height : 0; }

}  // extern "C"
