// Helpers for game tests: clicking cells and reading the board.
#pragma once

#include "draw/Grid.h"
#include "game/Game.h"

// Clicks the middle of a cell, as a player would.
inline void clickCell(Game& game, int column, int row) {
    game.placeHumanDot(game.grid->centreX(column), game.grid->centreY(row));
}

inline int dotCount(const Game& game) {
    int count = 0;
    for (const auto& row : game.cells) {
        for (int cell : row) count += cell;
    }
    return count;
}
