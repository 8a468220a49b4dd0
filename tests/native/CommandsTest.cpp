// The command layer: what the shells' commands do with the current canvas and game.
#include <gtest/gtest.h>

#include "commands/Commands.h"
#include "common/ComputerSeams.h"
#include "common/GameHelpers.h"
#include "common/RecordingCanvas.h"
#include "common/WorkingDirectory.h"
#include "draw/raster/RasterCanvas.h"
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
    useComputerSeams(nullptr, +[](int) {});  // so that a new canvas may keep the round
    settings.level = 3;
    settings.playType = HumanVsHuman;
    replaceCanvasAndGame(recordingCanvas, 300, 200);
    auto* canvas = static_cast<RecordingCanvas*>(currentCanvas.get());
    Game* game = currentGame.get();
    // A new board area starts at level 1 against the computer, whatever the settings say.
    EXPECT_EQ(game->level, 1);
    EXPECT_EQ(game->playType, HumanVsComputer);
    memoryRunsOut = true;  // the new game's picture cannot be loaded
    keepGameOnNewCanvas(recordingCanvas, 400, 300);
    EXPECT_EQ(currentCanvas.get(), canvas);
    EXPECT_EQ(currentGame.get(), game);
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
    setRandomSource(nullptr);
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

// A round moved to a new canvas part-way is the round played there from its
// start: the same pixels and the same state, for rounds begun by each command.
unsigned lcg = 1;
int lcgDraw() { return static_cast<int>(((lcg = lcg * 1103515245u + 12345u) >> 16) & 0x7fff); }
void noPause(int) {}
void click(int column, int row) { placeDot(currentGame->grid->centreX(column), currentGame->grid->centreY(row)); }
std::unique_ptr<Canvas> rasterCanvas(int width, int height) { return std::make_unique<RasterCanvas>(width, height); }
void computerRounds(int news) {
    settings.playType = ComputerVsComputer;
    replaceGameFromSettings();
    for (int k = 0; k < news; ++k) startNextRound();
}

TEST_F(CommandsTest, ANewCanvasKeepsTheRoundAsIfPlayedThereFromItsStart) {
    ScopedWorkingDirectory dir("keep");
    for (const char* name : {"terre.bmp", "mars.bmp", "saturne.bmp", "jupiter.bmp"}) {
        std::filesystem::copy_file(std::filesystem::path(VANTOR_ASSETS) / name, name);
    }
    const std::function<void()> scripts[] = {
        [] { for (int k = 0; k < 5; ++k) click(k, k % 3); },
        [] {
            settings.playType = HumanVsHuman;
            replaceGameFromSettings();
            for (int k = 0; k < 36; ++k) click(k % 6, k / 6);
            startNextRound();
            click(2, 3);
        },
        [] { computerRounds(7); },  // through level 4 to the next board size
        [] { computerRounds(1); resetScoresAndStartRound(); },
    };
    for (const auto& script : scripts) {
        std::vector<std::pair<std::vector<Colour>, std::vector<int>>> results;
        for (bool moved : {true, false}) {
            settings = Settings{};
            lcg = 1;
            useComputerSeams(lcgDraw, noPause);
            replaceCanvasAndGame(rasterCanvas, moved ? 260 : 420, moved ? 300 : 380);
            script();
            if (moved) keepGameOnNewCanvas(rasterCanvas, 420, 380);
            const Game& g = *currentGame;
            results.emplace_back(static_cast<RasterCanvas&>(*currentCanvas).pixels(),
                                 std::vector<int>{g.level, g.rows, g.firstRounds, g.secondRounds, g.firstTriangles,
                                                  g.secondTriangles, g.currentPlayer, dotCount(g)});
        }
        EXPECT_EQ(results[0].second, results[1].second);
        EXPECT_TRUE(results[0].first == results[1].first);
    }
    setRandomSource(nullptr);
}

}  // namespace
