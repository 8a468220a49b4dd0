// Triangle scoring: which triangles a new dot closes, who gets them, and the round's end.
#include "draw/Grid.h"
#include "game/Game.h"

namespace {

enum Flag { Left = 1, Above = 2, Right = 4, Below = 8 };

struct Offset {
    int dx;  // column offset from the new dot
    int dy;  // row offset from the new dot
};

// One of the twelve tests around a new dot at (x, y). Each 2 x 2 block around
// the dot has a side test (both side neighbours hold dots) and two diagonal
// tests (the diagonal neighbour and one side neighbour hold dots, the other side
// neighbour is empty). At most one test per block can hold.
struct TriangleTest {
    int flags;            // the blocks' bounds flags that must be set
    Offset full[2];       // cells that must hold dots
    bool needsEmpty;      // whether a cell must be empty
    Offset empty;         // that cell
    Offset triangle[2];   // the triangle passed on; the new dot is always its third cell
};

constexpr TriangleTest kTests[12] = {
    {Left | Above, {{-1, -1}, {0, -1}}, true, {-1, 0}, {{-1, -1}, {0, -1}}},   // 1 upper-left, diagonal
    {Right | Above, {{0, -1}, {1, 0}}, false, {0, 0}, {{0, -1}, {1, 0}}},      // 2 upper-right, side
    {Left | Below, {{-1, 0}, {-1, 1}}, true, {0, 1}, {{-1, 1}, {-1, 0}}},      // 3 lower-left, diagonal
    {Left | Above, {{-1, 0}, {0, -1}}, false, {0, 0}, {{-1, 0}, {0, -1}}},     // 4 upper-left, side
    {Right | Above, {{0, -1}, {1, -1}}, true, {1, 0}, {{0, -1}, {1, -1}}},     // 5 upper-right, diagonal
    {Left | Above, {{-1, -1}, {-1, 0}}, true, {0, -1}, {{-1, 0}, {-1, -1}}},   // 6 upper-left, diagonal
    {Left | Below, {{-1, 0}, {0, 1}}, false, {0, 0}, {{-1, 0}, {0, 1}}},       // 7 lower-left, side
    {Right | Below, {{1, 0}, {0, 1}}, false, {0, 0}, {{0, 1}, {1, 0}}},        // 8 lower-right, side
    {Right | Below, {{0, 1}, {1, 1}}, true, {1, 0}, {{1, 1}, {0, 1}}},         // 9 lower-right, diagonal
    {Left | Below, {{-1, 1}, {0, 1}}, true, {-1, 0}, {{-1, 1}, {0, 1}}},       // 10 lower-left, diagonal
    {Right | Above, {{1, -1}, {1, 0}}, true, {0, -1}, {{1, -1}, {1, 0}}},      // 11 upper-right, diagonal
    {Right | Below, {{1, 0}, {1, 1}}, true, {0, 1}, {{1, 0}, {1, 1}}},         // 12 lower-right, diagonal
};

}  // namespace

void Game::scoreTriangles(int row, int column, int player) {
    const int x = column;
    const int y = row;
    if (x < 0 || x >= columns || y < 0 || y >= rows) return;  // not a cell of the board
    if (cells[y][x] == 1) return;

    int flags = 0;
    if (0 < x && x < columns) flags |= Left;
    if (0 < y && y < rows) flags |= Above;
    if (0 <= x && x < columns - 1) flags |= Right;
    if (0 <= y && y < rows - 1) flags |= Below;

    auto holds = [&](Offset o) { return cells[y + o.dy][x + o.dx] == 1; };
    for (const TriangleTest& test : kTests) {
        if ((flags & test.flags) != test.flags) continue;
        if (!holds(test.full[0]) || !holds(test.full[1])) continue;
        if (test.needsEmpty && holds(test.empty)) continue;
        awardTriangle(x + test.triangle[0].dx, y + test.triangle[0].dy, x + test.triangle[1].dx,
                      y + test.triangle[1].dy, x, y, player);
    }
}

void Game::awardTriangle(int column1, int row1, int column2, int row2, int column3, int row3, int player) {
    Colour colour;
    if (player == 0) {
        ++firstTriangles;
        colour = firstColour;
    } else {
        ++secondTriangles;
        colour = secondColour;
    }
    grid->fillTriangle(column1, row1, column2, row2, column3, row3, colour);
    ++trianglesMade;
    if (trianglesMade == trianglesTotal) {
        drawTriangleScores();
        drawRoundWins();
        declareRoundWinner();
    }
}

// The panel was drawn just before; the new round count shows at its next redraw.
void Game::declareRoundWinner() {
    if (firstTriangles > secondTriangles) {
        drawWinnerMarker(RoundOutcome::FirstPlayerWon);
        ++firstRounds;
        advancePending = 1;
    } else if (firstTriangles < secondTriangles) {
        drawWinnerMarker(RoundOutcome::SecondPlayerWon);
        ++secondRounds;
        advancePending = 0;
    } else {
        drawWinnerMarker(RoundOutcome::Tie);
        advancePending = 0;
    }
}
