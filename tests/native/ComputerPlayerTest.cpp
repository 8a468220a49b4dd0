// The computer player: its draws, its patterns by level, and its moves.
#include <chrono>
#include <numeric>
#include <optional>
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "common/ComputerSeams.h"
#include "common/GameHelpers.h"
#include "common/RecordingCanvas.h"
#include "draw/Grid.h"
#include "game/ComputerPlayer.h"
#include "game/Game.h"

namespace {

struct Scene {
    RecordingCanvas canvas;
    Game game;
    Scene(int level, int size = 6) : game(&canvas, size, size, 20, level, HumanVsHuman) {}
    // Dots given [row][column], as the patterns are written.
    void dots(std::initializer_list<std::pair<int, int>> cells) {
        for (auto [row, column] : cells) game.cells[row][column] = 1;
    }
    // The cell chosen, as [row][column].
    std::pair<int, int> choice(int fallbackColumn = 5, int fallbackRow = 5) const {
        const Cell c = game.findPatternCell(fallbackColumn, fallbackRow);
        return {c.row, c.column};
    }
};

using RC = std::pair<int, int>;

TEST(ComputerPatterns, TheExamplesOfEachLevel) {
    Scene level1(1);
    level1.dots({{2, 3}, {3, 3}});
    EXPECT_EQ(level1.choice(), RC(3, 4));  // two one above the other: right of the lower

    Scene level3(3);
    level3.dots({{0, 1}, {0, 2}, {0, 3}});
    EXPECT_EQ(level3.choice(), RC(1, 2));  // not tested in row 0 by scan 2; scan 3 finds it

    Scene level4(4);
    level4.dots({{1, 2}, {2, 1}, {2, 3}, {3, 3}});
    EXPECT_EQ(level4.choice(), RC(2, 2));
    Scene level4b(4);
    level4b.dots({{1, 2}, {2, 1}, {2, 3}, {3, 2}});
    EXPECT_EQ(level4b.choice(), RC(1, 3));

    // Anchor first, pattern second: the early anchor's weaker pattern wins.
    Scene level2(2, 8);
    level2.dots({{0, 0}, {1, 0}, {2, 2}, {2, 3}, {2, 4}});
    EXPECT_EQ(level2.choice(), RC(1, 1));
    // At level 1 the three-in-a-row pattern is not known at all.
    Scene level1b(1, 8);
    level1b.dots({{2, 2}, {2, 3}, {2, 4}});
    EXPECT_EQ(level1b.choice(7, 7), RC(1, 2));  // two side by side: the cell above the left one
}

TEST(ComputerPatterns, NoMatchGivesTheFallbackAndTheBottomRowIsNoAnchorForPattern8) {
    Scene empty(4);
    EXPECT_EQ(empty.choice(3, 1), RC(1, 3));
    // Two side by side in the bottom row: pattern 8 would fit but is not tested there.
    Scene bottom(1);
    bottom.dots({{5, 2}, {5, 3}});
    EXPECT_EQ(bottom.choice(0, 0), RC(0, 0));
    // One row higher it matches: the target is above the left dot.
    Scene higher(1);
    higher.dots({{4, 2}, {4, 3}});
    EXPECT_EQ(higher.choice(0, 0), RC(3, 2));
}

// Reference written straight from the rules, one condition per pattern.
std::optional<RC> referenceChoice(const Game& g) {
    auto at = [&](int r, int c) { return g.cells[r][c]; };
    const int R = g.rows, C = g.columns;
    if (g.level == 4) {
        for (int i = 0; i <= R - 3; ++i)
            for (int j = 1; j <= C - 2; ++j)
                if (at(i, j) && at(i + 1, j - 1) && at(i + 1, j + 1) && at(i + 2, j + 1) && !at(i + 1, j)) return RC(i + 1, j);
    }
    if (g.level >= 3) {
        for (int i = 0; i <= R - 2; ++i)
            for (int j = 0; j <= C - 2; ++j) {
                if (i >= 1 && j >= 1 && at(i, j - 1) && at(i, j) && at(i, j + 1) && !at(i + 1, j)) return RC(i + 1, j);
                if (i >= 1 && j >= 1 && at(i - 1, j) && at(i, j) && at(i + 1, j) && !at(i, j - 1)) return RC(i, j - 1);
                if (i >= 1 && at(i - 1, j) && at(i, j) && at(i + 1, j) && !at(i, j + 1)) return RC(i, j + 1);
            }
    }
    for (int i = 0; i <= R - 2; ++i)
        for (int j = 0; j <= C - 2; ++j) {
            if (g.level >= 2) {
                if (j >= 1 && at(i, j - 1) && at(i, j) && at(i, j + 1) && !at(i + 1, j)) return RC(i + 1, j);
                if (at(i, j) && at(i, j + 1) && !at(i + 1, j + 1)) return RC(i + 1, j + 1);
            }
            if (at(i, j) && at(i + 1, j) && !at(i + 1, j + 1)) return RC(i + 1, j + 1);
            if (i >= 1 && at(i, j) && at(i, j + 1) && !at(i - 1, j)) return RC(i - 1, j);
            if (at(i, j) && at(i + 1, j + 1) && !at(i, j + 1)) return RC(i, j + 1);
        }
    return std::nullopt;
}

TEST(ComputerPatterns, RandomBoardsOfEverySizeAndLevelAgreeWithTheRules) {
    std::mt19937 random(7);
    for (int size = 6; size <= 20; size += 2) {
        for (int level = 1; level <= 4; ++level) {
            for (int trial = 0; trial < 150; ++trial) {
                Scene s(level, size);
                const int density = static_cast<int>(random() % 100);
                for (int r = 0; r < size; ++r)
                    for (int c = 0; c < size; ++c) s.game.cells[r][c] = static_cast<int>(random() % 100) < density;
                // Off-board cells hold dots: a scan that read them could be fooled.
                for (int r = 0; r < kMaxBoard; ++r)
                    for (int c = 0; c < kMaxBoard; ++c)
                        if (r >= size || c >= size) s.game.cells[r][c] = 1;
                const std::optional<RC> expected = referenceChoice(s.game);
                const RC got = s.choice(size + 3, size + 4);
                if (expected) {
                    ASSERT_EQ(got, *expected) << "size " << size << " level " << level << " trial " << trial;
                    ASSERT_EQ(s.game.cells[got.first][got.second], 0);
                } else {
                    ASSERT_EQ(got, RC(size + 4, size + 3));
                }
            }
        }
    }
}

TEST(ComputerMove, DrawsTheColumnThenTheRowAndRedrawsUntilEmpty) {
    ScriptedComputer computer({3, 4});
    RecordingCanvas canvas;
    Game game(&canvas, 6, 6, 20, 1, HumanVsComputer);
    game.playComputerMove();
    EXPECT_EQ(game.cells[4][3], 1);
    EXPECT_EQ(computer.drawsTaken(), 2);
    EXPECT_EQ(computer.pauses(), 1);
    EXPECT_EQ(computer.lastPause(), 100);

    // [4][3] is taken now: (3, 4) is drawn again and replaced by (0, 0). A lone
    // dot matches no pattern, so the drawn cell is played.
    ScriptedComputer again({3, 4, 6, 12});
    game.playComputerMove();
    EXPECT_EQ(again.drawsTaken(), 4);
    EXPECT_EQ(game.cells[0][0], 1);
}

TEST(ComputerMove, TheWindowsRuntimeSequenceStartsAsRandDoesThere) {
    const std::vector<int> draws = {windowsRuntimeRand(), windowsRuntimeRand(), windowsRuntimeRand(),
                                    windowsRuntimeRand()};
    EXPECT_EQ(draws, (std::vector<int>{41, 18467, 6334, 26500}));
}

TEST(ComputerMove, TheThinkingPauseRunsEveryOneOfItsSteps) {
    EXPECT_EQ(thinkingPause(7), 32000 * 7);
    // 32000 x 100 dependent steps: no machine does them in under 0.3 ms, so a
    // shorter pause was optimised away.
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(thinkingPause(100), 3200000);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::microseconds(300));
}

TEST(ComputerMove, ThePatternDecidesAfterTheDrawAndThePanelIsRedrawn) {
    ScriptedComputer computer({0, 0});
    RecordingCanvas canvas;
    Game game(&canvas, 6, 6, 20, 1, HumanVsComputer);
    game.cells[2][3] = 1;
    game.cells[3][3] = 1;
    canvas.calls.clear();
    std::size_t drawnBeforePause = 99;
    int drawsBeforePause = 0;
    computer.onPause([&](int) {
        drawnBeforePause = canvas.calls.size();
        drawsBeforePause = computer.drawsTaken();
    });
    game.playComputerMove();
    EXPECT_EQ(drawsBeforePause, 2);  // the pause comes after the draws and before the dot
    EXPECT_EQ(drawnBeforePause, 0u);
    EXPECT_EQ(computer.drawsTaken(), 2);
    EXPECT_EQ(game.cells[3][4], 1);
    EXPECT_EQ(game.cells[0][0], 0);
    EXPECT_EQ(game.secondTriangles, 1);
    const auto discs = canvas.callsOf(DrawCall::Disc);
    ASSERT_EQ(discs.size(), 1u);
    EXPECT_EQ(discs[0].colour, game.secondColour);
    EXPECT_EQ(canvas.texts(), (std::vector<std::string>{"0", "  1", "0", "  0"}));
}

TEST(ComputerMove, AFullBoardOrAStubbornGeneratorNeverHangs) {
    ScriptedComputer computer(std::vector<int>(3000000, 0));  // always (0, 0)
    RecordingCanvas canvas;
    Game game(&canvas, 6, 6, 20, 1, HumanVsComputer);
    game.cells[0][0] = 1;
    game.playComputerMove();
    EXPECT_EQ(dotCount(game), 2);  // took another empty cell after many misses
    for (int r = 0; r < 6; ++r)
        for (int c = 0; c < 6; ++c) game.cells[r][c] = 1;
    const std::size_t calls = canvas.calls.size();
    game.playComputerMove();
    EXPECT_EQ(canvas.calls.size(), calls);
}

TEST(ComputerMove, ComputersAlternateFromTheFirstPlayer) {
    ScriptedComputer computer;
    RecordingCanvas canvas;
    std::vector<std::size_t> discsAtPause;  // each dot's pause comes before it
    computer.onPause([&](int) { discsAtPause.push_back(canvas.callsOf(DrawCall::Disc).size()); });
    Game game(&canvas, 8, 8, 20, 3, ComputerVsComputer);
    const auto discs = canvas.callsOf(DrawCall::Disc);
    ASSERT_EQ(discs.size(), 64u);
    for (std::size_t k = 0; k < discs.size(); ++k) {
        EXPECT_EQ(discs[k].colour, k % 2 == 0 ? game.firstColour : game.secondColour) << k;
    }
    std::vector<std::size_t> eachBeforeItsDot(64);
    std::iota(eachBeforeItsDot.begin(), eachBeforeItsDot.end(), 0u);
    EXPECT_EQ(discsAtPause, eachBeforeItsDot);
}

}  // namespace
