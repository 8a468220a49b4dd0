// The human's move: a click on the board puts a dot into the cell under it.
#include "draw/Grid.h"
#include "game/Game.h"

bool Game::containsPoint(int x, int y) const {
    if (!grid) return false;
    return grid->left < x && x < grid->right && grid->top < y && y < grid->bottom;
}

void Game::placeHumanDot(int x, int y) {
    if (!grid) return;
    const int column = grid->columnAt(x);
    const int row = grid->rowAt(y);
    if (column < 0 || column >= columns || row < 0 || row >= rows) return;
    if (cells[row][column] == 1) return;

    Colour colour = firstColour;
    if (playType == HumanVsHuman && currentPlayer == 1) colour = secondColour;
    grid->drawDot(column, row, 50, colour);

    // The cell is still empty while the dot is scored, so its triangles are
    // filled over the dot; it is marked right after.
    const int player = playType == HumanVsComputer ? 0 : currentPlayer;
    scoreTriangles(row, column, player);
    cells[row][column] = 1;

    if (playType == HumanVsHuman) currentPlayer = currentPlayer == 0 ? 1 : 0;
    if (playType == HumanVsComputer) playComputerMove();
}
