// Settings: the process-wide choices from which the next Game is made, the
// tables behind the Size, Level and Type dialogs, and the dialogs' pending values.
#pragma once

#include <memory>

#include "game/PlayType.h"

class Canvas;
class Game;

struct Settings {
    int boardSize = 6;
    int cellSize = 20;
    int level = 1;
    int playType = HumanVsComputer;
    int levelRadio = 1020;
    int sizeRadio = 1008;
    int typeRadio = 1020;
};

// The one record of the running program; starts at the initial values.
extern Settings settings;

struct SizeChoice {
    int radioId;
    int boardSize;
    int cellSize;
};
struct LevelChoice {
    int radioId;
    int level;
};
struct TypeChoice {
    int radioId;
    PlayType playType;
};

extern const SizeChoice kSizeTable[8];
extern const LevelChoice kLevelTable[4];
extern const TypeChoice kTypeTable[3];

// The row of a radio id, or null when the id is none of that dialog's radios.
const SizeChoice* sizeChoice(int radioId);
const LevelChoice* levelChoice(int radioId);
const TypeChoice* typeChoice(int radioId);

// What a settings dialog does with its pending values, apart from the window
// itself. open() loads them from the settings, click() takes a radio (true when
// the id is one of the dialog's radios), ok() writes them back.
struct SizeDialogState {
    int pendingSizeRadio = 0;
    int pendingBoardSize = 0;
    int pendingCellSize = 0;
    void open(const Settings& s);
    bool click(int radioId);
    void ok(Settings& s) const;
};
struct LevelDialogState {
    int pendingLevelRadio = 0;
    void open(const Settings& s);
    bool click(int radioId, Settings& s);  // writes the level at once
    void ok(Settings& s) const;
};
struct TypeDialogState {
    int pendingTypeRadio = 0;
    void open(const Settings& s);
    bool click(int radioId, Settings& s);  // writes the play type at once
    void ok(Settings& s) const;
};

// A new Game from all of the settings, on the canvas; null without a canvas.
std::unique_ptr<Game> makeGameFromSettings(Canvas* canvas, const Settings& s);
