// Triangle scoring: which triangles a dot closes, who is credited, and the round's end.
#include <algorithm>
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "common/GameHelpers.h"
#include "common/RecordingCanvas.h"
#include "draw/Grid.h"
#include "game/Game.h"

namespace {

struct Board {
    RecordingCanvas canvas;
    Game game{&canvas, 6, 6, 20, 1, HumanVsHuman};

    // Puts a dot for a player the way the moves do: score, then mark.
    int put(int column, int row, int player = 0) {
        const int before = game.trianglesMade;
        game.scoreTriangles(row, column, player);
        game.cells[row][column] = 1;
        return game.trianglesMade - before;
    }
    // The corners of the last filled board triangle, as grid cells.
    std::vector<int> lastTriangleCells() const {
        const DrawCall t = canvas.callsOf(DrawCall::Triangle).back();
        std::vector<int> result;
        for (int k = 0; k < 3; ++k) {
            result.push_back((t.args[2 * k] - game.grid->centreX(0)) / game.cellSize);
            result.push_back((t.args[2 * k + 1] - game.grid->centreY(0)) / game.cellSize);
        }
        return result;
    }
};

TEST(Scoring, TheThirdDotOfABlockClosesItsThreeDotsAndTheFourthTheRightAngle) {
    Board b;
    EXPECT_EQ(b.put(0, 0), 0);
    EXPECT_EQ(b.put(1, 1), 0);
    EXPECT_EQ(b.put(1, 0), 1);  // lower-left side test
    EXPECT_EQ(b.lastTriangleCells(), (std::vector<int>{0, 0, 1, 1, 1, 0}));
    EXPECT_EQ(b.put(0, 1), 1);  // upper-right side test: right angle at (0, 1)
    EXPECT_EQ(b.lastTriangleCells(), (std::vector<int>{0, 0, 1, 1, 0, 1}));

    Board c;
    c.put(0, 0);
    c.put(1, 0);
    EXPECT_EQ(c.put(1, 1), 1);  // upper-left diagonal test, (0, 1) still empty
    EXPECT_EQ(c.lastTriangleCells(), (std::vector<int>{0, 0, 1, 0, 1, 1}));
}

TEST(Scoring, ADotClosesAtMostOneTrianglePerBlockAroundIt) {
    struct Case {
        int column, row, expected;
    };
    // Every other cell filled first, then the dot: corner, edge, inside.
    for (const Case& c : {Case{0, 0, 1}, Case{5, 5, 1}, Case{0, 3, 2}, Case{3, 0, 2}, Case{5, 2, 2}, Case{2, 3, 4}}) {
        Board b;
        for (int row = 0; row < 6; ++row) {
            for (int column = 0; column < 6; ++column) {
                if (column != c.column || row != c.row) b.put(column, row);
            }
        }
        EXPECT_EQ(b.put(c.column, c.row), c.expected) << c.column << "," << c.row;
    }
}

TEST(Scoring, AnOccupiedCellOrAnOffBoardCellScoresNothing) {
    Board b;
    b.put(0, 0);
    b.put(1, 0);
    b.put(0, 1);
    const int made = b.game.trianglesMade;
    const int first = b.game.firstTriangles;
    const std::size_t drawn = b.canvas.calls.size();
    b.game.scoreTriangles(0, 1, 0);  // (1, 0) already holds a dot
    b.game.scoreTriangles(-1, 3, 0);
    b.game.scoreTriangles(3, 6, 0);
    EXPECT_EQ(b.game.trianglesMade, made);
    EXPECT_EQ(b.game.firstTriangles, first);
    EXPECT_EQ(b.canvas.calls.size(), drawn);
}

TEST(Scoring, TheClosingDotsPlayerGetsTheTriangleInItsColour) {
    Board b;
    b.put(0, 0, 0);
    b.put(1, 0, 0);
    b.put(0, 1, 1);
    EXPECT_EQ(b.game.firstTriangles, 0);
    EXPECT_EQ(b.game.secondTriangles, 1);
    EXPECT_EQ(b.canvas.callsOf(DrawCall::Triangle).back().colour, b.game.secondColour);
    b.put(1, 1, 0);
    EXPECT_EQ(b.game.firstTriangles, 1);
    EXPECT_EQ(b.canvas.callsOf(DrawCall::Triangle).back().colour, b.game.firstColour);
}

// Independent reference: a dot closes one triangle in each block around it
// that already holds two or three dots.
int naiveTriangles(const Game& game, int column, int row) {
    int closed = 0;
    for (int bx = column - 1; bx <= column; ++bx) {
        for (int by = row - 1; by <= row; ++by) {
            if (bx < 0 || by < 0 || bx + 1 >= game.columns || by + 1 >= game.rows) continue;
            const int held = game.cells[by][bx] + game.cells[by][bx + 1] + game.cells[by + 1][bx] + game.cells[by + 1][bx + 1];
            if (held >= 2) ++closed;
        }
    }
    return closed;
}

TEST(Scoring, EveryFillOrderOnEveryBoardMakesTwoTrianglesPerBlockAndEndsOnTheLastCell) {
    std::mt19937 random(20261207);
    for (int size = 6; size <= 20; size += 2) {
        for (int trial = 0; trial < 25; ++trial) {
            RecordingCanvas canvas;
            Game game(&canvas, size, size, 16, 1, HumanVsHuman);
            std::vector<int> order(static_cast<std::size_t>(size * size));
            for (std::size_t k = 0; k < order.size(); ++k) order[k] = static_cast<int>(k);
            std::shuffle(order.begin(), order.end(), random);
            for (std::size_t k = 0; k < order.size(); ++k) {
                const int column = order[k] % size;
                const int row = order[k] / size;
                const int expected = naiveTriangles(game, column, row);
                const int before = game.trianglesMade;
                const int roundsBefore = game.firstRounds + game.secondRounds;
                const bool markerBefore = game.advancePending;
                game.scoreTriangles(row, column, static_cast<int>(k % 2));
                game.cells[row][column] = 1;
                ASSERT_EQ(game.trianglesMade - before, expected)
                    << "size " << size << " trial " << trial << " dot " << k << " at " << column << "," << row;
                const bool last = k + 1 == order.size();
                ASSERT_EQ(game.trianglesMade == game.trianglesTotal, last) << "size " << size << " dot " << k;
                if (!last) {
                    ASSERT_EQ(game.firstRounds + game.secondRounds, roundsBefore);
                    ASSERT_EQ(game.advancePending, markerBefore);
                }
            }
            EXPECT_EQ(game.firstTriangles + game.secondTriangles, 2 * (size - 1) * (size - 1));
            // The winner marker, two triangles from (W / 2 - 10, 25), is drawn once.
            int markerHalves = 0;
            for (const DrawCall& t : canvas.callsOf(DrawCall::Triangle)) {
                markerHalves += t.args[0] == canvas.width / 2 - 10 && t.args[1] == 25;
            }
            EXPECT_EQ(markerHalves, 2);
        }
    }
}

struct RoundEnd {
    RecordingCanvas canvas;
    Game game{&canvas, 6, 6, 20, 1, HumanVsHuman};

    // Fills every cell but the last one and sets the scores so that the last
    // dot's single triangle decides the round.
    void finishWith(int first, int second, int lastPlayer) {
        for (int row = 0; row < 6; ++row) {
            for (int column = 0; column < 6; ++column) {
                if (column != 5 || row != 5) game.cells[row][column] = 1;
            }
        }
        game.trianglesMade = 49;
        game.firstTriangles = first;
        game.secondTriangles = second;
        canvas.calls.clear();
        game.scoreTriangles(5, 5, lastPlayer);
        game.cells[5][5] = 1;
    }
    // The marker's halves are the last two triangles: 0 upper-right, 1 lower-left.
    Colour markerColour(int which) const {
        const auto triangles = canvas.callsOf(DrawCall::Triangle);
        return triangles[triangles.size() - 2 + static_cast<std::size_t>(which)].colour;
    }
};

TEST(Scoring, ATieCountsNoRoundAndKeepsTheLevel) {
    RoundEnd r;
    r.game.advancePending = 1;
    r.finishWith(25, 24, 1);
    EXPECT_EQ(r.game.trianglesMade, 50);
    EXPECT_EQ(r.game.firstRounds + r.game.secondRounds, 0);
    EXPECT_EQ(r.game.advancePending, 0);
    EXPECT_EQ(r.markerColour(0), r.game.secondColour);  // upper-right half
    EXPECT_EQ(r.markerColour(1), r.game.firstColour);   // lower-left half
    r.game.newRound();
    EXPECT_EQ(r.game.level, 1);
}

TEST(Scoring, ASecondPlayerWinIsCountedAndReplaysTheLevel) {
    RoundEnd r;
    r.finishWith(24, 25, 1);
    EXPECT_EQ(r.game.secondRounds, 1);
    EXPECT_EQ(r.game.firstRounds, 0);
    EXPECT_EQ(r.game.advancePending, 0);
    EXPECT_EQ(r.markerColour(0), r.game.secondColour);
    EXPECT_EQ(r.markerColour(1), r.game.secondColour);
    r.game.newRound();
    EXPECT_EQ(r.game.level, 1);
}

TEST(Scoring, AFirstPlayerWinSetsTheAdvanceAndShowsTheOldCountUntilTheNextRedraw) {
    RoundEnd r;
    r.finishWith(25, 24, 0);
    EXPECT_EQ(r.game.firstRounds, 1);
    EXPECT_EQ(r.game.advancePending, 1);
    EXPECT_EQ(r.markerColour(0), r.game.firstColour);
    EXPECT_EQ(r.markerColour(1), r.game.firstColour);
    // The last dot's triangle, then the scores "26" / " 24" and the round counts
    // "0" / "  0" as they were before the win was counted, then the marker.
    EXPECT_EQ(r.canvas.texts(), (std::vector<std::string>{"26", " 24", "0", "  0"}));
    const auto triangles = r.canvas.callsOf(DrawCall::Triangle);
    EXPECT_EQ(triangles.back().args[0], r.canvas.width / 2 - 10);
    r.canvas.calls.clear();
    r.game.newRound();
    EXPECT_EQ(r.game.level, 2);
    // The theme, the round start and the panel each draw the scores; the rounds won once.
    EXPECT_EQ(r.canvas.texts(), (std::vector<std::string>{"0", "  0", "0", "  0", "0", "  0", "1", "  0"}));
}

}  // namespace
