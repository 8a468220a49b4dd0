// The computer player: a random empty cell, a thinking pause, and a scan of
// cell patterns that replaces the random cell by one sure to close triangles.
#include "game/ComputerPlayer.h"

#include <cstdint>
#include <cstdlib>

#include "draw/Grid.h"
#include "game/Game.h"

namespace {

int libraryRandom() { return std::rand(); }

RandomSource randomSource = libraryRandom;
void realPause(int n) { thinkingPause(n); }

PauseFunction pauseFunction = realPause;

struct At {
    int di;  // row offset from the anchor [i][j]
    int dj;  // column offset
};

// A pattern: dot cells relative to the anchor [i][j], the target cell that must
// be empty and is played, and the anchors it is tested at. Anchor ranges are
// given as margins: rows firstRow .. rows - 1 - rowMarginEnd, columns likewise.
struct Pattern {
    int number;
    int minLevel;
    int firstRow, rowMarginEnd;
    int firstColumn, columnMarginEnd;
    int dotCount;
    At dots[4];
    At target;
};

// Scan 1 (level 4).
constexpr Pattern kPattern1 = {1, 4, 0, 2, 1, 1, 4, {{0, 0}, {1, -1}, {1, 1}, {2, 1}}, {1, 0}};

// Scan 2 (levels 3 and 4), tested in this order at each anchor.
constexpr Pattern kScan2[] = {
    {2, 3, 1, 1, 1, 1, 3, {{0, -1}, {0, 0}, {0, 1}}, {1, 0}},   // three in a row, target below the middle
    {3, 3, 1, 1, 1, 1, 3, {{-1, 0}, {0, 0}, {1, 0}}, {0, -1}},  // three in a column, target left of the middle
    {4, 3, 1, 1, 0, 1, 3, {{-1, 0}, {0, 0}, {1, 0}}, {0, 1}},   // three in a column, target right of the middle
};

// Scan 3 (always), tested in this order at each anchor.
constexpr Pattern kScan3[] = {
    {5, 2, 0, 1, 1, 1, 3, {{0, -1}, {0, 0}, {0, 1}}, {1, 0}},  // three in a row, the top row included
    {6, 2, 0, 1, 0, 1, 2, {{0, 0}, {0, 1}}, {1, 1}},           // side by side, target below the right one
    {7, 1, 0, 1, 0, 1, 2, {{0, 0}, {1, 0}}, {1, 1}},           // one above the other, target right of the lower
    {8, 1, 1, 1, 0, 1, 2, {{0, 0}, {0, 1}}, {-1, 0}},          // side by side, target above the left one
    {9, 1, 0, 1, 0, 1, 2, {{0, 0}, {1, 1}}, {0, 1}},           // on a diagonal, target right of the upper one
};

constexpr int kMaxRedraws = 1000000;

Cell firstEmptyCell(const Game& game) {
    for (int row = 0; row < game.rows; ++row) {
        for (int column = 0; column < game.columns; ++column) {
            if (game.cells[row][column] == 0) return {column, row};
        }
    }
    return {0, 0};
}

template <std::size_t N>
bool matchAt(const Game& game, const Pattern (&patterns)[N], int i, int j, Cell& found) {
    for (const Pattern& p : patterns) {
        if (game.level < p.minLevel) continue;
        if (i < p.firstRow || i > game.rows - 1 - p.rowMarginEnd) continue;
        if (j < p.firstColumn || j > game.columns - 1 - p.columnMarginEnd) continue;
        bool dotsHeld = true;
        for (int k = 0; k < p.dotCount && dotsHeld; ++k) {
            dotsHeld = game.cells[i + p.dots[k].di][j + p.dots[k].dj] == 1;
        }
        if (!dotsHeld) continue;
        const int ti = i + p.target.di;
        const int tj = j + p.target.dj;
        if (game.cells[ti][tj] == 0) {
            found = {tj, ti};
            return true;
        }
    }
    return false;
}

// Visits anchors row by row over the scan's range and returns the first match.
template <std::size_t N>
bool scan(const Game& game, const Pattern (&patterns)[N], int lastRow, int firstColumn, int lastColumn,
          Cell& found) {
    for (int i = 0; i <= lastRow; ++i) {
        for (int j = firstColumn; j <= lastColumn; ++j) {
            if (matchAt(game, patterns, i, j, found)) return true;
        }
    }
    return false;
}

}  // namespace

int windowsRuntimeRand() {
    static std::uint32_t state = 1;
    state = state * 214013u + 2531011u;
    return static_cast<int>((state >> 16) & 0x7FFF);
}

void setRandomSource(RandomSource source) { randomSource = source ? source : libraryRandom; }

void setPauseFunction(PauseFunction pause) { pauseFunction = pause ? pause : realPause; }

long long thinkingPause(int n) {
    // The inner counter is volatile, so every one of its steps is really
    // executed: the delay is the loops' only effect.
    long long steps = 0;
    for (int outer = 0; outer < 32000; ++outer) {
        volatile int inner = 0;
        while (inner < n) {
            inner = inner + 1;
        }
        steps += inner;
    }
    return steps;
}

Cell Game::findPatternCell(int fallbackColumn, int fallbackRow) const {
    Cell found{fallbackColumn, fallbackRow};
    const Pattern scan1[] = {kPattern1};
    if (level == 4 && scan(*this, scan1, rows - 3, 1, columns - 2, found)) return found;
    if (level >= 3 && scan(*this, kScan2, rows - 2, 0, columns - 2, found)) return found;
    if (scan(*this, kScan3, rows - 2, 0, columns - 2, found)) return found;
    return {fallbackColumn, fallbackRow};
}

void Game::playComputerMove() {
    // On a full board no empty cell can be drawn; there is no move to make.
    if (boardFull()) return;
    int column = randomSource() % columns;
    int row = randomSource() % rows;
    // Redraw until the cell is empty. A generator that kept missing the last
    // empty cells must not hang the program, so after many misses the first
    // empty cell in reading order is taken instead.
    for (int draws = 1; cells[row][column] == 1; ++draws) {
        if (draws >= kMaxRedraws) {
            const Cell empty = firstEmptyCell(*this);
            column = empty.column;
            row = empty.row;
            break;
        }
        column = randomSource() % columns;
        row = randomSource() % rows;
    }
    pauseFunction(100);
    const Cell cell = findPatternCell(column, row);

    Colour colour = secondColour;
    int player = 1;
    if (playType == ComputerVsComputer) {
        colour = currentPlayer == 0 ? firstColour : secondColour;
        player = currentPlayer;
    }
    grid->drawDot(cell.column, cell.row, 50, colour);
    scoreTriangles(cell.row, cell.column, player);
    cells[cell.row][cell.column] = 1;
    drawTriangleScores();
    drawRoundWins();
}
