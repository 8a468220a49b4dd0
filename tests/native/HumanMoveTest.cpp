// The human's move: which clicks place a dot, in whose colour, and who answers.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "common/ComputerSeams.h"
#include "common/GameHelpers.h"
#include "common/RecordingCanvas.h"
#include "draw/Grid.h"
#include "game/Game.h"

namespace {

TEST(HumanMove, TheBoardRectangleIsOpenOnItsLeftAndTopBorderOnly) {
    RecordingCanvas canvas;
    Game game(&canvas, 6, 6, 20, 1, HumanVsHuman);
    const Grid& g = *game.grid;
    EXPECT_FALSE(game.containsPoint(g.left, g.top + 10));
    EXPECT_FALSE(game.containsPoint(g.left + 10, g.top));
    EXPECT_TRUE(game.containsPoint(g.left + 1, g.top + 1));
    EXPECT_TRUE(game.containsPoint(g.right - 1, g.bottom - 1));
    EXPECT_FALSE(game.containsPoint(g.right, g.top + 10));
    EXPECT_FALSE(game.containsPoint(g.left + 10, g.bottom));
    EXPECT_FALSE(game.containsPoint(-70000, 70000));

    // The right and bottom border lines are inside the rectangle but in no cell.
    game.placeHumanDot(g.right - 1, g.top + 30);
    game.placeHumanDot(g.left + 30, g.bottom - 1);
    game.placeHumanDot(-5, -5);
    EXPECT_EQ(dotCount(game), 0);
    EXPECT_EQ(game.currentPlayer, 0);
    EXPECT_TRUE(canvas.callsOf(DrawCall::Disc).empty());
}

TEST(HumanMove, HumansAlternateColoursAndAnIgnoredClickKeepsTheTurn) {
    RecordingCanvas canvas;
    Game game(&canvas, 6, 6, 20, 2, HumanVsHuman);
    clickCell(game, 0, 0);
    clickCell(game, 0, 0);  // occupied: ignored
    clickCell(game, 1, 0);
    clickCell(game, 3, 3);
    const auto discs = canvas.callsOf(DrawCall::Disc);
    ASSERT_EQ(discs.size(), 3u);
    EXPECT_EQ(discs[0].colour, game.firstColour);
    EXPECT_EQ(discs[1].colour, game.secondColour);
    EXPECT_EQ(discs[2].colour, game.firstColour);
    EXPECT_EQ(game.currentPlayer, 1);
    // The second player's dot closes (0, 0), (1, 0), (0, 1) and scores it.
    clickCell(game, 0, 1);
    EXPECT_EQ(game.secondTriangles, 1);
    EXPECT_EQ(game.firstTriangles, 0);
    EXPECT_EQ(canvas.callsOf(DrawCall::Triangle).back().colour, game.secondColour);
}

TEST(HumanMove, TheDotIsDrawnBeforeItsTrianglesAndTheScoresAreNotRedrawn) {
    RecordingCanvas canvas;
    Game game(&canvas, 6, 6, 20, 1, HumanVsHuman);
    clickCell(game, 2, 2);
    clickCell(game, 3, 2);
    canvas.calls.clear();
    clickCell(game, 2, 3);
    ASSERT_EQ(canvas.calls.size(), 2u);
    EXPECT_EQ(canvas.calls[0].kind, DrawCall::Disc);
    EXPECT_EQ(canvas.calls[1].kind, DrawCall::Triangle);
    EXPECT_EQ(game.firstTriangles, 1);
}

TEST(HumanMove, TheComputerAnswersEveryHumanDotAndPlacesTheLastOne) {
    ScriptedComputer computer({0});  // with these draws the computer wins the round 28 to 22
    RecordingCanvas canvas;
    Game game(&canvas, 6, 6, 20, 1, HumanVsComputer);
    int humanDots = 0;
    for (int row = 0; row < 6 && game.trianglesMade < game.trianglesTotal; ++row) {
        for (int column = 0; column < 6; ++column) {
            if (game.cells[row][column] == 1) continue;
            const int before = dotCount(game);
            const std::size_t callsBefore = canvas.calls.size();
            clickCell(game, column, row);
            ++humanDots;
            ASSERT_EQ(dotCount(game), before + 2);
            // The human's dot in the first colour, the computer's in the second.
            std::vector<DrawCall> discs;
            for (std::size_t k = callsBefore; k < canvas.calls.size(); ++k) {
                if (canvas.calls[k].kind == DrawCall::Disc) discs.push_back(canvas.calls[k]);
            }
            ASSERT_EQ(discs.size(), 2u);
            EXPECT_EQ(discs[0].colour, game.firstColour);
            EXPECT_EQ(discs[1].colour, game.secondColour);
        }
    }
    EXPECT_EQ(humanDots, 18);
    EXPECT_EQ(dotCount(game), 36);
    EXPECT_EQ(game.trianglesMade, 50);
    EXPECT_EQ(std::make_pair(game.firstTriangles, game.secondTriangles), std::make_pair(22, 28));
    EXPECT_EQ(computer.pauses(), 18);
    // The computer's last dot wins the round, and redraws the round counts after
    // the win was counted: the new count is on the screen at once.
    ASSERT_EQ(game.secondRounds, 1);
    const auto texts = canvas.texts();
    EXPECT_EQ(std::vector<std::string>(texts.end() - 2, texts.end()), (std::vector<std::string>{"0", "  1"}));
    // Further clicks are ignored once the board is full.
    const std::size_t calls = canvas.calls.size();
    clickCell(game, 0, 0);
    EXPECT_EQ(canvas.calls.size(), calls);
}

TEST(HumanMove, AClickWhileComputersPlayIsIgnored) {
    ScriptedComputer computer;
    RecordingCanvas canvas;
    Game game(&canvas, 6, 6, 20, 1, ComputerVsComputer);
    const std::size_t calls = canvas.calls.size();
    clickCell(game, 2, 2);
    EXPECT_EQ(canvas.calls.size(), calls);
}

}  // namespace
