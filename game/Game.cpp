// Game: making a match, starting rounds, levels and board sizes, and autoplay.
#include "game/Game.h"

#include "draw/Backdrop.h"
#include "draw/Grid.h"

namespace {

// The board that follows each size after level 4, with its own cell size.
struct NextBoard {
    int sizeBefore;
    int sizeAfter;
    int cellSizeAfter;
};

constexpr NextBoard kNextBoard[] = {
    {6, 8, 25}, {8, 10, 25}, {10, 12, 20}, {12, 14, 20},
    {14, 16, 20}, {16, 18, 18}, {18, 20, 16}, {20, 6, 16},
};

int triangleCount(int rows, int columns) { return 2 * (rows - 1) * (columns - 1); }

}  // namespace

Game::Game(Canvas* canvas_, int rows_, int columns_, int cellSize_, int level_, PlayType playType_) {
    advancePending = 0;
    backdrop = std::make_unique<Backdrop>(canvas_, "terre.bmp");
    cellSize = cellSize_;
    level = level_;
    playType = playType_;
    columns = columns_;
    rows = rows_;
    canvas = canvas_;
    applyLevelTheme();
    clearCells();
    resetTriangleScores();
    resetRoundWins();
    drawTriangleScores();
    drawRoundWins();
    drawLevelCaption();
    trianglesMade = 0;
    trianglesTotal = triangleCount(rows, columns);
    if (playType == HumanVsHuman || playType == ComputerVsComputer) currentPlayer = 0;
    autoplay();
}

// Out of line so that the owners of the Grid and the Backdrop see their full types.
Game::~Game() = default;

void Game::newRound() {
    if (advancePending == 1) {
        advancePending = 0;
        advanceLevel();
        return;
    }
    startRound();
}

void Game::advanceLevel() {
    level = level + 1;
    if (level == 5) {
        level = 1;
        // A size missing from the table (never made by the program) starts the cycle again.
        NextBoard next = kNextBoard[7];
        for (const NextBoard& entry : kNextBoard) {
            if (entry.sizeBefore == rows) next = entry;
        }
        rows = next.sizeAfter;
        columns = next.sizeAfter;
        cellSize = next.cellSizeAfter;
        trianglesTotal = triangleCount(rows, columns);
    }
    startRound();
}

// The round-start sequence shared by newRound and advanceLevel: unlike
// construction, the caption comes before the scores and the round wins are
// redrawn but kept.
void Game::startRound() {
    applyLevelTheme();
    clearCells();
    trianglesMade = 0;
    drawLevelCaption();
    resetTriangleScores();
    drawTriangleScores();
    drawRoundWins();
    if (playType == HumanVsHuman || playType == ComputerVsComputer) currentPlayer = 0;
    autoplay();
}

// In ComputerVsComputer the whole round is played before the caller gets control
// back. A full board also ends the loop, so a board whose triangle count cannot
// be reached never makes it spin.
void Game::autoplay() {
    while (trianglesMade < trianglesTotal && playType == ComputerVsComputer && !boardFull()) {
        playComputerMove();
        currentPlayer = currentPlayer == 0 ? 1 : 0;
    }
}

void Game::resetAllScores() {
    resetTriangleScores();
    resetRoundWins();
}

void Game::clearCells() {
    for (auto& row : cells) {
        for (int& cell : row) cell = 0;
    }
}

void Game::resetTriangleScores() {
    firstTriangles = 0;
    secondTriangles = 0;
    drawTriangleScores();
}

void Game::resetRoundWins() {
    firstRounds = 0;
    secondRounds = 0;
    drawRoundWins();
}

bool Game::boardFull() const {
    for (int row = 0; row < rows; ++row) {
        for (int column = 0; column < columns; ++column) {
            if (cells[row][column] == 0) return false;
        }
    }
    return true;
}
