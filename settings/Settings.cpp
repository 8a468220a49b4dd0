// Settings: the initial choices, the dialogs' tables, and their pending values.
#include "settings/Settings.h"

#include "game/Game.h"

Settings settings;

// The radios' texts are the dialog templates' own.
const SizeChoice kSizeTable[8] = {
    {1008, 6, 25},  {1009, 8, 25},  {1010, 10, 20}, {1012, 12, 20},
    {1032, 14, 20}, {1033, 16, 18}, {1035, 18, 16}, {1036, 20, 16},
};

const LevelChoice kLevelTable[4] = {{1020, 1}, {1002, 2}, {1001, 3}, {1031, 4}};

const TypeChoice kTypeTable[3] = {{1020, HumanVsComputer}, {1002, HumanVsHuman}, {1001, ComputerVsComputer}};

namespace {

template <typename Choice, std::size_t N>
const Choice* findChoice(const Choice (&table)[N], int radioId) {
    for (const Choice& choice : table) {
        if (choice.radioId == radioId) return &choice;
    }
    return nullptr;
}

}  // namespace

const SizeChoice* sizeChoice(int radioId) { return findChoice(kSizeTable, radioId); }
const LevelChoice* levelChoice(int radioId) { return findChoice(kLevelTable, radioId); }
const TypeChoice* typeChoice(int radioId) { return findChoice(kTypeTable, radioId); }

void SizeDialogState::open(const Settings& s) {
    pendingSizeRadio = s.sizeRadio;
    pendingBoardSize = s.boardSize;
    pendingCellSize = s.cellSize;
}

bool SizeDialogState::click(int radioId) {
    const SizeChoice* choice = sizeChoice(radioId);
    if (!choice) return false;
    pendingSizeRadio = radioId;
    pendingBoardSize = choice->boardSize;
    pendingCellSize = choice->cellSize;
    return true;
}

void SizeDialogState::ok(Settings& s) const {
    s.boardSize = pendingBoardSize;
    s.cellSize = pendingCellSize;
    s.sizeRadio = pendingSizeRadio;
}

void LevelDialogState::open(const Settings& s) { pendingLevelRadio = s.levelRadio; }

bool LevelDialogState::click(int radioId, Settings& s) {
    const LevelChoice* choice = levelChoice(radioId);
    if (!choice) return false;
    pendingLevelRadio = radioId;
    s.level = choice->level;
    return true;
}

void LevelDialogState::ok(Settings& s) const { s.levelRadio = pendingLevelRadio; }

void TypeDialogState::open(const Settings& s) { pendingTypeRadio = s.typeRadio; }

bool TypeDialogState::click(int radioId, Settings& s) {
    const TypeChoice* choice = typeChoice(radioId);
    if (!choice) return false;
    pendingTypeRadio = radioId;
    s.playType = choice->playType;
    return true;
}

void TypeDialogState::ok(Settings& s) const { s.typeRadio = pendingTypeRadio; }

std::unique_ptr<Game> makeGameFromSettings(Canvas* canvas, const Settings& s) {
    if (!canvas) return nullptr;
    return std::make_unique<Game>(canvas, s.boardSize, s.boardSize, s.cellSize, s.level,
                                  static_cast<PlayType>(s.playType));
}
