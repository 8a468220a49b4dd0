// The command layer: the current canvas and game, what each command does with
// them, and the record of the current round that lets a shell keep the game on
// a new canvas.
#include "commands/Commands.h"

#include <cstdlib>
#include <new>
#include <utility>
#include <vector>

#include "draw/Grid.h"
#include "settings/Settings.h"

std::unique_ptr<Canvas> currentCanvas;
std::unique_ptr<Game> currentGame;

namespace {

// How the current round began, and what has happened in it since. A round
// begins with a new game, with New or with Reset; the game's state before New
// or Reset is all that decides how the round starts, since the round start
// paints the whole board area again.
struct RoundRecord {
    enum class Start { NewGame, NextRound, Reset } start = Start::NewGame;
    int rows = 0;
    int columns = 0;
    int cellSize = 0;
    int level = 1;
    PlayType playType = HumanVsComputer;
    int firstRounds = 0;
    int secondRounds = 0;
    int advancePending = 0;
    int currentPlayer = 0;
    std::vector<Cell> dots;  // the human players' dots, in order
    std::vector<int> draws;  // the computer's random draws, in order
    bool whole = true;       // false once something could not be recorded
};

RoundRecord round;
RoundRecord* recordingInto = &round;

RandomSource liveDraws = nullptr;
PauseFunction livePause = nullptr;

int recordedDraw() {
    const int draw = liveDraws();
    try {
        recordingInto->draws.push_back(draw);
    } catch (const std::bad_alloc&) {
        recordingInto->whole = false;
    }
    return draw;
}

// Replay: the recorded draws in order. Running out of them means the record
// does not match the round; the replay then goes on with the live draws.
std::size_t nextReplayedDraw = 0;
bool replayMatched = true;

int replayedDraw() {
    if (nextReplayedDraw < round.draws.size()) return round.draws[nextReplayedDraw++];
    replayMatched = false;
    return liveDraws();
}

void noPause(int) {}

RoundRecord recordOf(RoundRecord::Start start, const Game& game) {
    RoundRecord record;
    record.start = start;
    record.rows = game.rows;
    record.columns = game.columns;
    record.cellSize = game.cellSize;
    record.level = game.level;
    record.playType = game.playType;
    record.firstRounds = game.firstRounds;
    record.secondRounds = game.secondRounds;
    record.advancePending = game.advancePending;
    record.currentPlayer = game.currentPlayer;
    return record;
}

RoundRecord recordOfNewGame(int size, int cellSize, int level, PlayType playType) {
    RoundRecord record;
    record.rows = size;
    record.columns = size;
    record.cellSize = cellSize;
    record.level = level;
    record.playType = playType;
    return record;
}

// Runs a command that starts a round: the computer's draws go into `record`,
// which becomes the current round's record when the command has succeeded.
template <typename Command>
void startingRound(RoundRecord record, Command command) {
    recordingInto = &record;
    try {
        const bool started = command();
        recordingInto = &round;
        if (started) round = std::move(record);
    } catch (const std::bad_alloc&) {
        recordingInto = &round;
        round.whole = false;  // the game may be anywhere in its round now
    }
}

// Runs one command. Memory running out inside it (a picture, a grid, a game)
// ends that command only: whatever it had not yet made current is released as
// the exception unwinds, and the program goes on with what is current.
template <typename Command>
void guarded(Command command) {
    try {
        command();
    } catch (const std::bad_alloc&) {
        round.whole = false;
    }
}

// Makes the canvas, fills it black, and makes current the game `makeGame`
// puts on it; the previous game goes, and after it the previous canvas.
template <typename MakeGame>
bool replaceBoth(const CanvasMaker& makeCanvas, int width, int height, MakeGame makeGame) {
    std::unique_ptr<Canvas> canvas = makeCanvas(width, height);
    if (!canvas) return false;
    canvas->fill(kBlack);
    std::unique_ptr<Game> game = makeGame(canvas.get());
    if (!game) return false;
    std::unique_ptr<Game> previousGame = std::exchange(currentGame, std::move(game));
    std::unique_ptr<Canvas> previousCanvas = std::exchange(currentCanvas, std::move(canvas));
    previousGame.reset();
    previousCanvas.reset();
    return true;
}

// The current round played again on `canvas`: its start, then its dots, the
// computer answering with its recorded draws and no pause. Null when the
// replay did not use exactly the recorded draws.
std::unique_ptr<Game> replayRound(Canvas* canvas) {
    nextReplayedDraw = 0;
    replayMatched = true;
    setRandomSource(replayedDraw);
    setPauseFunction(noPause);
    struct LiveAgain {
        ~LiveAgain() {
            setRandomSource(recordedDraw);
            setPauseFunction(livePause);
        }
    } liveAgain;

    std::unique_ptr<Game> game;
    if (round.start == RoundRecord::Start::NewGame) {
        game = std::make_unique<Game>(canvas, round.rows, round.columns, round.cellSize, round.level, round.playType);
    } else {
        // A game in the state New or Reset found; its own first round is
        // painted over by the round it starts.
        game = std::make_unique<Game>(canvas, round.rows, round.columns, round.cellSize, round.level, HumanVsHuman);
        game->playType = round.playType;
        game->firstRounds = round.firstRounds;
        game->secondRounds = round.secondRounds;
        game->advancePending = round.advancePending;
        game->currentPlayer = round.currentPlayer;
        if (round.start == RoundRecord::Start::Reset) game->resetAllScores();
        game->newRound();
    }
    for (const Cell& dot : round.dots) {
        game->placeHumanDot(game->grid->centreX(dot.column), game->grid->centreY(dot.row));
    }
    if (!replayMatched || nextReplayedDraw != round.draws.size()) return nullptr;
    return game;
}

}  // namespace

void useComputerSeams(RandomSource draws, PauseFunction pause) {
    liveDraws = draws ? draws : +[] { return std::rand(); };
    livePause = pause;
    setRandomSource(recordedDraw);
    setPauseFunction(livePause);
}

void replaceCanvasAndGame(const CanvasMaker& makeCanvas, int width, int height) {
    const RoundRecord record = recordOfNewGame(settings.boardSize, settings.cellSize, 1, HumanVsComputer);
    startingRound(record, [&] {
        return replaceBoth(makeCanvas, width, height, [&](Canvas* canvas) {
            return std::make_unique<Game>(canvas, record.rows, record.columns, record.cellSize, record.level,
                                          record.playType);
        });
    });
}

void keepGameOnNewCanvas(const CanvasMaker& makeCanvas, int width, int height) {
    if (!currentGame || !liveDraws || !round.whole) {
        replaceCanvasAndGame(makeCanvas, width, height);
        return;
    }
    guarded([&] { replaceBoth(makeCanvas, width, height, replayRound); });
    // A record that does not replay is of no further use: a new game instead.
    if (!replayMatched) {
        round.whole = false;
        replaceCanvasAndGame(makeCanvas, width, height);
    }
}

void replaceGameFromSettings() {
    const RoundRecord record =
        recordOfNewGame(settings.boardSize, settings.cellSize, settings.level, static_cast<PlayType>(settings.playType));
    startingRound(record, [] {
        std::unique_ptr<Game> game = makeGameFromSettings(currentCanvas.get(), settings);
        if (!game) return false;
        currentGame.swap(game);  // the previous game goes with `game`
        return true;
    });
}

void startNextRound() {
    if (!currentGame) return;
    startingRound(recordOf(RoundRecord::Start::NextRound, *currentGame), [] {
        currentGame->newRound();
        return true;
    });
}

void resetScoresAndStartRound() {
    if (!currentGame) return;
    startingRound(recordOf(RoundRecord::Start::Reset, *currentGame), [] {
        currentGame->resetAllScores();
        currentGame->newRound();
        return true;
    });
}

bool boardContains(int x, int y) { return currentGame && currentGame->containsPoint(x, y); }

void placeDot(int x, int y) {
    guarded([&] {
        if (!currentGame) return;
        const Grid* grid = currentGame->grid.get();
        if (grid) {
            const Cell cell{grid->columnAt(x), grid->rowAt(y)};
            if (cell.column >= 0 && cell.row >= 0) round.dots.push_back(cell);
        }
        currentGame->placeHumanDot(x, y);
    });
}

void releaseCanvasAndGame() {
    currentGame.reset();
    currentCanvas.reset();
    round = RoundRecord{};
}
