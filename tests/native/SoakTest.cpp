// Long play on the raster device: thousands of round starts, hundreds of
// resizes, computer rounds and random clicks. The game's invariants hold
// throughout, and the heap does not grow (LeakSanitizer checks the same under
// the sanitizer build).
#include <malloc.h>

#include <filesystem>
#include <memory>
#include <random>

#include <gtest/gtest.h>

#include "common/ComputerSeams.h"
#include "commands/Commands.h"
#include "common/GameHelpers.h"
#include "draw/raster/RasterCanvas.h"
#include "settings/Settings.h"

namespace {

bool underSanitizer() {
#if defined(__SANITIZE_ADDRESS__)
    return true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
    return true;
#endif
#endif
    return false;
}

std::size_t heapInUse() { return mallinfo2().uordblks; }

std::unique_ptr<Canvas> rasterCanvas(int width, int height) { return std::make_unique<RasterCanvas>(width, height); }

void resize(int width, int height) { replaceCanvasAndGame(rasterCanvas, width, height); }

void checkInvariants() {
    const Game& game = *currentGame;
    ASSERT_EQ(game.firstTriangles + game.secondTriangles, game.trianglesMade);
    ASSERT_LE(game.trianglesMade, game.trianglesTotal);
    ASSERT_EQ(game.trianglesMade == game.trianglesTotal, dotCount(game) == game.rows * game.columns);
}

// The commands the shells give, in random order.
void play(std::mt19937& random, int steps) {
    for (int step = 0; step < steps; ++step) {
        switch (random() % 10) {
        case 0:
            resize(static_cast<int>(random() % 900), static_cast<int>(random() % 700));
            break;
        case 1:
            settings.boardSize = 6 + 2 * static_cast<int>(random() % 8);
            settings.cellSize = 16;
            settings.level = 1 + static_cast<int>(random() % 4);
            settings.playType = 1 + static_cast<int>(random() % 3);
            replaceGameFromSettings();
            break;
        case 2:
            resetScoresAndStartRound();
            break;
        case 3:
            startNextRound();
            break;
        default:
            for (int k = 0; k < 5; ++k) {
                const int x = static_cast<int>(random() % 1000) - 100;
                const int y = static_cast<int>(random() % 800) - 100;
                if (boardContains(x, y)) placeDot(x, y);
            }
        }
        checkInvariants();
        if (::testing::Test::HasFatalFailure()) return;
    }
}

TEST(Soak, LongPlayKeepsItsInvariantsAndDoesNotGrow) {
    ScriptedComputer computer;
    std::filesystem::path previous = std::filesystem::current_path();
    std::filesystem::current_path(VANTOR_ASSETS);  // with the real backdrops
    std::mt19937 random(99);
    resize(492, 454);
    play(random, 300);  // warm up: every size and level has been seen
    settings = Settings{};
    resize(492, 454);
    const std::size_t before = heapInUse();
    play(random, 2000);
    settings = Settings{};
    resize(492, 454);
    const std::size_t after = heapInUse();
    releaseCanvasAndGame();
    std::filesystem::current_path(previous);
    if (!underSanitizer()) {
        EXPECT_LE(after, before + before / 100) << "heap grew from " << before << " to " << after;
    }
    RecordProperty("heapBefore", std::to_string(before));
    RecordProperty("heapAfter", std::to_string(after));
}

}  // namespace
