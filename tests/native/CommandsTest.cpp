// The command layer: what the shells' commands do with the current canvas and game.
#include <gtest/gtest.h>

#include "commands/Commands.h"
#include "common/ComputerSeams.h"
#include "common/GameHelpers.h"
#include "common/RecordingCanvas.h"
#include "settings/Settings.h"

namespace {

bool memoryRunsOut = false;

std::unique_ptr<Canvas> recordingCanvas(int width, int height) {
    auto canvas = std::make_unique<RecordingCanvas>(width, height);
    canvas->outOfMemory = memoryRunsOut;
    return canvas;
}

// Each test starts and ends with no canvas, no game and the initial settings.
struct CommandsTest : ::testing::Test {
    ScriptedComputer computer;
    void TearDown() override {
        releaseCanvasAndGame();
        settings = Settings{};
        memoryRunsOut = false;
    }
};

TEST_F(CommandsTest, WhenANewGameCannotBeMadeThePreviousOneStaysAndPlayGoesOn) {
    replaceCanvasAndGame(recordingCanvas, 300, 200);
    auto* canvas = static_cast<RecordingCanvas*>(currentCanvas.get());
    Game* game = currentGame.get();
    memoryRunsOut = true;  // the new game's picture cannot be loaded
    replaceCanvasAndGame(recordingCanvas, 400, 300);
    EXPECT_EQ(currentCanvas.get(), canvas);
    EXPECT_EQ(currentGame.get(), game);
    canvas->outOfMemory = true;
    settings.playType = HumanVsHuman;
    replaceGameFromSettings();
    EXPECT_EQ(currentGame.get(), game);
    startNextRound();
    resetScoresAndStartRound();
    canvas->outOfMemory = false;
    placeDot(game->grid->centreX(1), game->grid->centreY(1));
    EXPECT_EQ(dotCount(*game), 2);
}

TEST_F(CommandsTest, ResetZeroesTheCountsBeforeTheNextRoundIsPlayed) {
    replaceCanvasAndGame(recordingCanvas, 492, 454);
    settings.playType = ComputerVsComputer;
    replaceGameFromSettings();
    Game& game = *currentGame;
    game.firstRounds = 5;
    game.secondRounds = 4;
    resetScoresAndStartRound();
    // The round played after the reset shows its own triangles and counts only its own win.
    EXPECT_EQ(game.firstTriangles + game.secondTriangles, game.trianglesTotal);
    EXPECT_EQ(game.firstRounds + game.secondRounds, game.firstTriangles != game.secondTriangles ? 1 : 0);
}

}  // namespace
