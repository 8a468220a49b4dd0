// Backdrop, the level themes, and the Game's applyLevelTheme that puts a level on the screen.
#include "draw/Backdrop.h"

#include <algorithm>

#include "draw/Grid.h"
#include "game/Game.h"

namespace {

const LevelTheme kThemes[kLevelCount] = {
    {"terre.bmp", 0xC8C800, 0xFF0000, 0xC8C800},    // teal grid; blue and teal
    {"mars.bmp", 0xFFFFFF, 0x00FF00, 0xFFFFFF},     // white grid; green and white
    {"saturne.bmp", 0x00FF00, 0xC8C800, 0x00C8C8},  // green grid; teal and olive
    {"jupiter.bmp", 0x00FF00, 0xC8C800, 0x00FF00},  // green grid; teal and green
};

}  // namespace

const LevelTheme& levelTheme(int level) { return kThemes[std::clamp(level, 1, kLevelCount) - 1]; }

Backdrop::Backdrop(Canvas* onCanvas, const char* fileName) : canvas(onCanvas) { reload(fileName); }

void Backdrop::reload(const char* fileName) {
    bitmap.reset();
    bitmap = canvas->loadPicture(fileName);
}

void Backdrop::draw() {
    if (bitmap) canvas->drawPicture(*bitmap);
    canvas->captureBackground();
}

void Game::applyLevelTheme() {
    const LevelTheme& theme = levelTheme(level);
    backdrop->reload(theme.backdropFile);
    // The snapshot is taken here, before the grid lines: restoring from it
    // brings back the bare picture.
    backdrop->draw();
    grid = std::make_unique<Grid>(canvas, rows, columns, cellSize);
    grid->drawLines(theme.gridColour);
    firstColour = theme.firstColour;
    secondColour = theme.secondColour;
    resetTriangleScores();
}
