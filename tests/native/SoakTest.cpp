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
#include "common/GameHelpers.h"
#include "draw/raster/RasterCanvas.h"
#include "game/Game.h"
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

// What the window does with its canvas and game, without the window.
struct Session {
    std::unique_ptr<RasterCanvas> canvas;
    std::unique_ptr<Game> game;

    void resize(int w, int h) {
        auto nextCanvas = std::make_unique<RasterCanvas>(w, h);
        nextCanvas->fill(kBlack);
        auto nextGame = std::make_unique<Game>(nextCanvas.get(), 6, 6, 20, 1, HumanVsComputer);
        game = std::move(nextGame);
        canvas = std::move(nextCanvas);
    }

    void checkInvariants() const {
        ASSERT_EQ(game->firstTriangles + game->secondTriangles, game->trianglesMade);
        ASSERT_LE(game->trianglesMade, game->trianglesTotal);
        ASSERT_EQ(game->trianglesMade == game->trianglesTotal, dotCount(*game) == game->rows * game->columns);
    }
};

void play(Session& s, std::mt19937& random, int steps) {
    for (int step = 0; step < steps; ++step) {
        switch (random() % 10) {
        case 0:
            s.resize(static_cast<int>(random() % 900), static_cast<int>(random() % 700));
            break;
        case 1: {
            Settings choice;
            choice.boardSize = 6 + 2 * static_cast<int>(random() % 8);
            choice.cellSize = 16;
            choice.level = 1 + static_cast<int>(random() % 4);
            choice.playType = 1 + static_cast<int>(random() % 3);
            s.game = makeGameFromSettings(s.canvas.get(), choice);
            break;
        }
        case 2:
            s.game->resetAllScores();
            s.game->newRound();
            break;
        case 3:
            s.game->newRound();
            break;
        default:
            for (int k = 0; k < 5; ++k) {
                const int x = static_cast<int>(random() % 1000) - 100;
                const int y = static_cast<int>(random() % 800) - 100;
                if (s.game->containsPoint(x, y)) s.game->placeHumanDot(x, y);
            }
        }
        s.checkInvariants();
        if (::testing::Test::HasFatalFailure()) return;
    }
}

TEST(Soak, LongPlayKeepsItsInvariantsAndDoesNotGrow) {
    ScriptedComputer computer;
    std::filesystem::path previous = std::filesystem::current_path();
    std::filesystem::current_path(VANTOR_ASSETS);  // with the real backdrops
    std::mt19937 random(99);
    Session s;
    s.resize(492, 454);
    play(s, random, 300);  // warm up: every size and level has been seen
    s.resize(492, 454);
    const std::size_t before = heapInUse();
    play(s, random, 2000);
    s.resize(492, 454);
    const std::size_t after = heapInUse();
    std::filesystem::current_path(previous);
    if (!underSanitizer()) {
        EXPECT_LE(after, before + before / 100) << "heap grew from " << before << " to " << after;
    }
    RecordProperty("heapBefore", std::to_string(before));
    RecordProperty("heapAfter", std::to_string(after));
}

}  // namespace
