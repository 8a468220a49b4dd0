// Settings: initial values, the dialogs' tables and their pending values.
#include <gtest/gtest.h>

#include "common/RecordingCanvas.h"
#include "draw/Grid.h"
#include "game/Game.h"
#include "settings/Settings.h"

namespace {

TEST(Settings, StartsAtTheInitialValues) {
    const Settings s;
    EXPECT_EQ(s.boardSize, 6);
    EXPECT_EQ(s.cellSize, 20);
    EXPECT_EQ(s.level, 1);
    EXPECT_EQ(s.playType, HumanVsComputer);
    EXPECT_EQ(s.levelRadio, 1020);
    EXPECT_EQ(s.sizeRadio, 1008);
    EXPECT_EQ(s.typeRadio, 1020);
}

TEST(Settings, EveryRadioStandsForItsChoiceAndTheSharedIdsMeanOneThingPerDialog) {
    const int sizes[][3] = {{1008, 6, 25},  {1009, 8, 25},  {1010, 10, 20}, {1012, 12, 20},
                            {1032, 14, 20}, {1033, 16, 18}, {1035, 18, 16}, {1036, 20, 16}};
    for (const auto& [radio, boardSize, cellSize] : sizes) {
        SizeDialogState size;
        ASSERT_TRUE(size.click(radio)) << radio;
        EXPECT_EQ(size.pendingBoardSize, boardSize) << radio;
        EXPECT_EQ(size.pendingCellSize, cellSize) << radio;
    }
    const std::pair<int, int> levels[] = {{1020, 1}, {1002, 2}, {1001, 3}, {1031, 4}};
    for (const auto& [radio, level] : levels) EXPECT_EQ(levelChoice(radio)->level, level) << radio;
    const std::pair<int, PlayType> types[] = {{1020, HumanVsComputer}, {1002, HumanVsHuman}, {1001, ComputerVsComputer}};
    for (const auto& [radio, type] : types) EXPECT_EQ(typeChoice(radio)->playType, type) << radio;
    EXPECT_EQ(typeChoice(1031), nullptr);
    EXPECT_EQ(sizeChoice(1020), nullptr);
}

TEST(Settings, SizeValuesReachTheSettingsOnlyOnOk) {
    Settings s;
    SizeDialogState size;
    size.open(s);
    EXPECT_EQ(size.pendingSizeRadio, 1008);
    EXPECT_EQ(size.pendingCellSize, 20);  // the initial 20, not the 25 of "6 x 6"
    EXPECT_TRUE(size.click(1033));
    EXPECT_FALSE(size.click(1011));  // the group box
    EXPECT_EQ(s.boardSize, 6);       // not yet
    size.ok(s);
    EXPECT_EQ(s.boardSize, 16);
    EXPECT_EQ(s.cellSize, 18);
    EXPECT_EQ(s.sizeRadio, 1033);

    // A click then Cancel (no ok) leaves everything; the next opening starts afresh.
    size.open(s);
    size.click(1036);
    size.open(s);
    EXPECT_EQ(size.pendingSizeRadio, 1033);
    EXPECT_EQ(s.boardSize, 16);
}

TEST(Settings, LevelAndTypeClicksWriteAtOnceWhileTheRadioWaitsForOk) {
    Settings s;
    LevelDialogState levelDialog;
    levelDialog.open(s);
    EXPECT_TRUE(levelDialog.click(1001, s));
    EXPECT_EQ(s.level, 3);          // written at once, even if the dialog is cancelled
    EXPECT_EQ(s.levelRadio, 1020);  // the radio only on OK
    levelDialog.ok(s);
    EXPECT_EQ(s.levelRadio, 1001);

    TypeDialogState typeDialog;
    typeDialog.open(s);
    EXPECT_FALSE(typeDialog.click(1003, s));
    EXPECT_TRUE(typeDialog.click(1002, s));
    EXPECT_EQ(s.playType, HumanVsHuman);
    EXPECT_EQ(s.typeRadio, 1020);
    typeDialog.ok(s);
    EXPECT_EQ(s.typeRadio, 1002);
}

TEST(Settings, AGameFromTheSettingsTakesAllOfThem) {
    RecordingCanvas canvas;
    Settings s;
    s.boardSize = 16;
    s.cellSize = 18;
    s.level = 3;
    s.playType = HumanVsHuman;
    auto game = makeGameFromSettings(&canvas, s);
    ASSERT_NE(game, nullptr);
    EXPECT_EQ(game->rows, 16);
    EXPECT_EQ(game->columns, 16);
    EXPECT_EQ(game->grid->cellSize, 18);
    EXPECT_EQ(game->level, 3);
    EXPECT_EQ(game->playType, HumanVsHuman);
    EXPECT_EQ(makeGameFromSettings(nullptr, s), nullptr);
}

}  // namespace
