// The command layer: the current canvas and game, and what each command does
// with them.
#include "commands/Commands.h"

#include <new>
#include <utility>

#include "settings/Settings.h"

std::unique_ptr<Canvas> currentCanvas;
std::unique_ptr<Game> currentGame;

namespace {

// Runs one command. Memory running out inside it (a picture, a grid, a game)
// ends that command only: whatever it had not yet made current is released as
// the exception unwinds, and the program goes on with what is current.
template <typename Command>
void guarded(Command command) {
    try {
        command();
    } catch (const std::bad_alloc&) {
    }
}

}  // namespace

void replaceCanvasAndGame(const CanvasMaker& makeCanvas, int width, int height) {
    guarded([&] {
        std::unique_ptr<Canvas> canvas = makeCanvas(width, height);
        if (!canvas) return;
        canvas->fill(kBlack);
        auto game = std::make_unique<Game>(canvas.get(), settings.boardSize, settings.boardSize,
                                           settings.cellSize, 1, HumanVsComputer);
        std::unique_ptr<Game> previousGame = std::exchange(currentGame, std::move(game));
        std::unique_ptr<Canvas> previousCanvas = std::exchange(currentCanvas, std::move(canvas));
        previousGame.reset();
        previousCanvas.reset();
    });
}

void replaceGameFromSettings() {
    guarded([] {
        std::unique_ptr<Game> game = makeGameFromSettings(currentCanvas.get(), settings);
        if (game) currentGame.swap(game);  // the previous game goes with `game`
    });
}

void startNextRound() {
    guarded([] {
        if (currentGame) currentGame->newRound();
    });
}

void resetScoresAndStartRound() {
    guarded([] {
        if (!currentGame) return;
        currentGame->resetAllScores();
        currentGame->newRound();
    });
}

bool boardContains(int x, int y) { return currentGame && currentGame->containsPoint(x, y); }

void placeDot(int x, int y) {
    guarded([&] {
        if (currentGame) currentGame->placeHumanDot(x, y);
    });
}

void releaseCanvasAndGame() {
    currentGame.reset();
    currentCanvas.reset();
}
