// Game: the state of one match on one Canvas (cells, colours, scores, rounds won,
// level, board size, play type) and its round flow, scoring and moves.
#pragma once

#include <memory>

#include "draw/Colour.h"
#include "game/PlayType.h"

class Backdrop;
class Canvas;
class Grid;

// The cell array is always this size; only the top-left rows x columns are used.
constexpr int kMaxBoard = 25;

enum class RoundOutcome { FirstPlayerWon, SecondPlayerWon, Tie };

// A cell as (column, row).
struct Cell {
    int column;
    int row;
    bool operator==(const Cell&) const = default;
};

class Game {
public:
    // Makes the game and starts its first round; in ComputerVsComputer it returns
    // only after that round has been played to its end.
    Game(Canvas* canvas, int rows, int columns, int cellSize, int level, PlayType playType);
    ~Game();
    Game(const Game&) = delete;
    Game& operator=(const Game&) = delete;

    // Round flow.
    void newRound();
    void advanceLevel();
    void resetAllScores();
    void clearCells();
    void resetTriangleScores();
    void resetRoundWins();

    // Scoring: the new dot is at (column, row); note the row comes first.
    void scoreTriangles(int row, int column, int player);
    void awardTriangle(int column1, int row1, int column2, int row2, int column3, int row3, int player);
    void declareRoundWinner();

    // The human's move.
    bool containsPoint(int x, int y) const;
    void placeHumanDot(int x, int y);

    // The computer's move.
    void playComputerMove();
    Cell findPatternCell(int fallbackColumn, int fallbackRow) const;

    // The level's theme: backdrop, grid and colours, then fresh triangle scores.
    void applyLevelTheme();

    // The score panel.
    void drawTriangleScores();
    void drawRoundWins();
    void drawLevelCaption();
    void drawWinnerMarker(RoundOutcome outcome);

    Canvas* canvas = nullptr;
    std::unique_ptr<Grid> grid;
    Colour secondColour = 0;
    Colour firstColour = 0;
    int columns = 0;
    int rows = 0;
    int cellSize = 0;
    int cells[kMaxBoard][kMaxBoard] = {};  // [row][column]; 0 empty, 1 dot
    int firstTriangles = 0;
    int secondTriangles = 0;
    int firstRounds = 0;
    int secondRounds = 0;
    int currentPlayer = 0;
    int level = 1;
    PlayType playType = HumanVsComputer;
    int trianglesMade = 0;
    int trianglesTotal = 0;
    int advancePending = 0;
    std::unique_ptr<Backdrop> backdrop;

private:
    void startRound();
    void autoplay();
    bool boardFull() const;
};
