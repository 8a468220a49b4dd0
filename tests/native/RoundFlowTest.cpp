// Making a Game, starting rounds, and the progression of levels and board sizes.
#include <gtest/gtest.h>

#include "common/ComputerSeams.h"
#include "common/GameHelpers.h"
#include "common/RecordingCanvas.h"
#include "draw/Grid.h"
#include "game/Game.h"

namespace {

TEST(RoundFlow, NewGameStartsEmptyAtItsLevelWithTheTermsOfItsBoard) {
    for (PlayType type : {HumanVsComputer, HumanVsHuman}) {
        RecordingCanvas canvas;
        Game game(&canvas, 6, 6, 20, 1, type);
        EXPECT_EQ(dotCount(game), 0);
        EXPECT_EQ(game.firstTriangles + game.secondTriangles + game.firstRounds + game.secondRounds, 0);
        EXPECT_EQ(game.trianglesMade, 0);
        EXPECT_EQ(game.trianglesTotal, 50);
        EXPECT_EQ(game.advancePending, 0);
        EXPECT_EQ(game.level, 1);
        ASSERT_NE(game.grid, nullptr);
        EXPECT_EQ(game.grid->cellSize, 20);
        const auto captions = canvas.callsOf(DrawCall::CentredText);
        ASSERT_EQ(captions.size(), 1u);
        EXPECT_EQ(captions[0].text, "Level 1");
    }
    RecordingCanvas canvas;
    Game big(&canvas, 20, 20, 16, 3, HumanVsComputer);
    EXPECT_EQ(big.trianglesTotal, 722);
    EXPECT_EQ(big.level, 3);
}

TEST(RoundFlow, ConstructionLoadsTheFirstPictureTwiceAndDrawsScoresBeforeTheCaption) {
    RecordingCanvas canvas;
    Game game(&canvas, 6, 6, 20, 1, HumanVsComputer);
    const auto loads = canvas.callsOf(DrawCall::Load);
    ASSERT_EQ(loads.size(), 2u);
    EXPECT_EQ(loads[0].text, "terre.bmp");
    EXPECT_EQ(loads[1].text, "terre.bmp");
    // Construction draws the caption last; a round start draws it before the
    // round's scores and the round wins.
    EXPECT_EQ(canvas.calls.back().kind, DrawCall::CentredText);
    canvas.calls.clear();
    game.newRound();
    const int caption = canvas.indexOf(DrawCall::CentredText);
    ASSERT_GE(caption, 0);
    EXPECT_EQ(canvas.callsOf(DrawCall::Text).size(), 8u);
    int textsAfterCaption = 0;
    for (std::size_t k = static_cast<std::size_t>(caption); k < canvas.calls.size(); ++k) {
        textsAfterCaption += canvas.calls[k].kind == DrawCall::Text;
    }
    EXPECT_EQ(textsAfterCaption, 6);
}

TEST(RoundFlow, ComputerAgainstComputerPlaysTheWholeFirstRoundBeforeReturning) {
    ScriptedComputer computer;
    for (int size : {6, 8, 20}) {
        RecordingCanvas canvas;
        Game game(&canvas, size, size, 16, 1, ComputerVsComputer);
        EXPECT_EQ(dotCount(game), size * size);
        EXPECT_EQ(game.trianglesMade, game.trianglesTotal);
        EXPECT_EQ(game.firstTriangles + game.secondTriangles, game.trianglesTotal);
        const int outcome = (game.firstTriangles > game.secondTriangles) - (game.firstTriangles < game.secondTriangles);
        EXPECT_EQ(game.firstRounds, outcome > 0 ? 1 : 0);
        EXPECT_EQ(game.secondRounds, outcome < 0 ? 1 : 0);
        EXPECT_EQ(game.advancePending, outcome > 0 ? 1 : 0);
        // Each move paused once, and the next round is played through as well.
        EXPECT_EQ(computer.lastPause(), 100);
        int roundsCounted = outcome != 0;
        game.newRound();
        EXPECT_EQ(dotCount(game), size * size);
        roundsCounted += game.firstTriangles != game.secondTriangles;
        EXPECT_EQ(game.firstRounds + game.secondRounds, roundsCounted);
    }
}

TEST(RoundFlow, AFirstPlayerWinMovesTheNextRoundUpALevelAndKeepsTheRoundCounts) {
    RecordingCanvas canvas;
    Game game(&canvas, 6, 6, 20, 1, HumanVsHuman);
    game.firstRounds = 2;
    game.secondRounds = 1;
    game.firstTriangles = 30;
    clickCell(game, 2, 2);
    game.advancePending = 1;
    game.newRound();
    EXPECT_EQ(game.level, 2);
    EXPECT_EQ(game.advancePending, 0);
    EXPECT_EQ(dotCount(game), 0);
    EXPECT_EQ(game.firstTriangles, 0);
    EXPECT_EQ(game.firstRounds, 2);
    EXPECT_EQ(game.secondRounds, 1);
    EXPECT_EQ(game.currentPlayer, 0);
    EXPECT_EQ(canvas.callsOf(DrawCall::Load).back().text, "mars.bmp");
    // Without a pending advance the level stays, also in the middle of a round.
    clickCell(game, 1, 1);
    game.newRound();
    EXPECT_EQ(game.level, 2);
    EXPECT_EQ(dotCount(game), 0);
    EXPECT_EQ(game.trianglesTotal, 50);
    // Each further win climbs one level, with that level's picture, up to Jupiter.
    for (const auto& [level, picture] : {std::pair{3, "saturne.bmp"}, std::pair{4, "jupiter.bmp"}}) {
        game.advancePending = 1;
        game.newRound();
        EXPECT_EQ(game.level, level);
        EXPECT_EQ(game.rows, 6);
        EXPECT_EQ(canvas.callsOf(DrawCall::Load).back().text, picture);
    }
}

TEST(RoundFlow, LevelFourWrapsToTheNextBoardWithItsOwnCellSize) {
    struct Step {
        int size, cellSize, nextSize, nextCellSize;
    };
    const Step steps[] = {{6, 25, 8, 25},   {8, 25, 10, 25},  {10, 20, 12, 20}, {12, 20, 14, 20},
                          {14, 20, 16, 20}, {16, 18, 18, 18}, {18, 16, 20, 16}, {20, 16, 6, 16}};
    for (const Step& step : steps) {
        RecordingCanvas canvas;
        Game game(&canvas, step.size, step.size, step.cellSize, 4, HumanVsComputer);
        game.advancePending = 1;
        game.newRound();
        EXPECT_EQ(game.level, 1);
        EXPECT_EQ(game.rows, step.nextSize);
        EXPECT_EQ(game.columns, step.nextSize);
        EXPECT_EQ(game.cellSize, step.nextCellSize);
        EXPECT_EQ(game.trianglesTotal, 2 * (step.nextSize - 1) * (step.nextSize - 1));
        EXPECT_EQ(game.grid->columns, step.nextSize);
        EXPECT_EQ(game.grid->cellSize, step.nextCellSize);
    }
}

TEST(RoundFlow, ResetAfterAFirstPlayerWinZeroesTheCountsAndStillAdvances) {
    RecordingCanvas canvas;
    Game game(&canvas, 6, 6, 20, 2, HumanVsComputer);
    game.firstRounds = 3;
    game.secondRounds = 4;
    game.advancePending = 1;
    game.resetAllScores();
    EXPECT_EQ(game.advancePending, 1);
    game.newRound();
    EXPECT_EQ(game.level, 3);
    EXPECT_EQ(game.firstRounds, 0);
    EXPECT_EQ(game.secondRounds, 0);
}

TEST(RoundFlow, AShrunkenBoardKeepsNoDotOutsideTheCellsInUse) {
    ScriptedComputer computer;
    RecordingCanvas canvas;
    Game game(&canvas, 20, 20, 16, 4, ComputerVsComputer);
    ASSERT_EQ(dotCount(game), 400);
    game.cells[24][24] = 1;  // even a stray dot at the array's far corner is cleared
    game.advancePending = 1;
    // The level-4 win on 20 x 20 moves to level 1 on 6 x 6, which plays itself out.
    game.newRound();
    ASSERT_EQ(game.rows, 6);
    EXPECT_EQ(dotCount(game), 36);
    for (int row = 0; row < kMaxBoard; ++row) {
        for (int column = 0; column < kMaxBoard; ++column) {
            if (row >= 6 || column >= 6) {
                EXPECT_EQ(game.cells[row][column], 0) << row << "," << column;
            }
        }
    }
}

}  // namespace
