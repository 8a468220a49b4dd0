// The page's online game: a Human <> Human game on the page's canvas, played by
// the actions a Vantor server relays (a dot in a cell, New, Reset, a Size or a
// Level dialog's OK). Both screens of a room make the same game from the same
// start and apply the same actions in the same order, so they show the same
// pixels as the same round played at one screen.
#include <emscripten.h>

#include "commands/Commands.h"
#include "draw/Grid.h"
#include "settings/Settings.h"

namespace {

// The room's own settings: what a Size or Level action changes and what a new
// game is made from. They are kept apart from the page's settings, which a Level
// dialog changes at its first click, even when it is cancelled.
Settings room;

// The actions, numbered as the page passes them.
enum Action { Move = 1, New = 2, Reset = 3, Size = 4, Level = 5 };

const SizeChoice* sizeChoiceFor(int boardSize) {
    for (const SizeChoice& choice : kSizeTable) {
        if (choice.boardSize == boardSize) return &choice;
    }
    return nullptr;
}

const LevelChoice* levelChoiceFor(int level) {
    for (const LevelChoice& choice : kLevelTable) {
        if (choice.level == level) return &choice;
    }
    return nullptr;
}

// The Size dialog's OK for that board size, on a settings record.
bool chooseSize(Settings& s, int boardSize) {
    const SizeChoice* choice = sizeChoiceFor(boardSize);
    if (!choice) return false;
    s.boardSize = choice->boardSize;
    s.cellSize = choice->cellSize;
    s.sizeRadio = choice->radioId;
    return true;
}

bool chooseLevel(Settings& s, int level) {
    const LevelChoice* choice = levelChoiceFor(level);
    if (!choice) return false;
    s.level = choice->level;
    s.levelRadio = choice->radioId;
    return true;
}

// A new game from the room's settings replaces the current one, through the
// command layer, which keeps the round's record for a new canvas. The page's
// settings take the room's size and level, so its dialogs open on them; its
// play type stays the page's own, for after the online game. Returns false
// when the game could not be made (no canvas, no memory): the current one stays.
bool newGameFromRoom() {
    settings.boardSize = room.boardSize;
    settings.cellSize = room.cellSize;
    settings.sizeRadio = room.sizeRadio;
    settings.level = room.level;
    settings.levelRadio = room.levelRadio;
    const int pagePlayType = settings.playType;
    settings.playType = HumanVsHuman;
    const Game* before = currentGame.get();
    replaceGameFromSettings();
    settings.playType = pagePlayType;
    return currentGame && currentGame.get() != before;
}

bool cellIsFree(int column, int row) {
    return currentGame && column >= 0 && column < currentGame->columns && row >= 0 && row < currentGame->rows &&
           currentGame->cells[row][column] == 0;
}

}  // namespace

extern "C" {

// The room's first game, on the current canvas: a Human <> Human game of that
// board size and level. A room starts from the settings a page has before any
// dialog: the initial board size keeps its initial cell size, any other size
// is chosen as the Size dialog chooses it. Returns 0 for a size or level that
// no dialog offers, and when the game cannot be made.
EMSCRIPTEN_KEEPALIVE int vantorOnlineStart(int boardSize, int level) {
    Settings start;
    start.playType = HumanVsHuman;
    if (boardSize != start.boardSize && !chooseSize(start, boardSize)) return 0;
    if (!chooseLevel(start, level)) return 0;
    room = start;
    return newGameFromRoom() ? 1 : 0;
}

// One action of the room, through the same commands as a Human <> Human game at
// one screen: a dot is a click at the middle of its cell. Returns 0 and changes
// nothing for an action the rules refuse (a taken cell, one off the board, an
// unknown action or setting).
EMSCRIPTEN_KEEPALIVE int vantorOnlineAct(int action, int first, int second) {
    if (!currentGame) return 0;
    switch (action) {
    case Move: {
        if (!cellIsFree(first, second)) return 0;
        const Grid& grid = *currentGame->grid;
        placeDot(grid.left + first * grid.cellSize + grid.cellSize / 2,
                 grid.top + second * grid.cellSize + grid.cellSize / 2);
        return currentGame->cells[second][first] == 1 ? 1 : 0;
    }
    case New:
        startNextRound();
        return 1;
    case Reset:
        resetScoresAndStartRound();
        return 1;
    case Size:
    case Level: {
        Settings next = room;
        if (!(action == Size ? chooseSize(next, first) : chooseLevel(next, first))) return 0;
        room = next;
        return newGameFromRoom() ? 1 : 0;
    }
    default:
        return 0;
    }
}

// The cell under a pixel of the board as column * 256 + row; -1 for a pixel in
// no cell, -2 for a cell that already holds a dot.
EMSCRIPTEN_KEEPALIVE int vantorOnlineCellAt(int x, int y) {
    if (!currentGame || !currentGame->grid) return -1;
    const int column = currentGame->grid->columnAt(x);
    const int row = currentGame->grid->rowAt(y);
    if (column < 0 || row < 0 || column >= currentGame->columns || row >= currentGame->rows) return -1;
    return cellIsFree(column, row) ? column * 256 + row : -2;
}

// Whose turn it is: 0 for the first player, 1 for the second; -1 once the board
// is full and the round is over.
EMSCRIPTEN_KEEPALIVE int vantorOnlineTurn() {
    if (!currentGame) return -1;
    if (currentGame->trianglesMade >= currentGame->trianglesTotal) return -1;
    return currentGame->currentPlayer;
}

// The board size or level that a radio of the Size or Level dialog stands for;
// 0 for any other radio.
EMSCRIPTEN_KEEPALIVE int vantorRadioSize(int radioId) {
    for (const SizeChoice& choice : kSizeTable) {
        if (choice.radioId == radioId) return choice.boardSize;
    }
    return 0;
}
EMSCRIPTEN_KEEPALIVE int vantorRadioLevel(int radioId) {
    for (const LevelChoice& choice : kLevelTable) {
        if (choice.radioId == radioId) return choice.level;
    }
    return 0;
}

// Leave: the page plays a game of its own settings again.
EMSCRIPTEN_KEEPALIVE void vantorOnlineLeave() { replaceGameFromSettings(); }

// The page's board size and level, with which a room is made.
EMSCRIPTEN_KEEPALIVE int vantorSettingsSize() { return settings.boardSize; }
EMSCRIPTEN_KEEPALIVE int vantorSettingsLevel() { return settings.level; }

}  // extern "C"
