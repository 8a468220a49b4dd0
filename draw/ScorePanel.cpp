// The score panel: triangle scores and rounds won in the corners, the level
// caption, and the winner marker, drawn straight onto the Game's canvas.
#include <cstdio>

#include "draw/Canvas.h"
#include "game/Game.h"

namespace {

struct Point {
    int x;
    int y;
};

// One corner item: a small triangle icon and a number beside it. The number's
// rectangle is restored from the background snapshot first, because text is
// drawn with a transparent background and the old digits would show through.
struct CornerItem {
    Point icon[3];  // right angle first
    Colour colour;
    int number;
    const char* format;
    int restoreLeft, restoreTop, restoreRight, restoreBottom;
    Point text;
};

void drawCornerItem(Canvas& canvas, const CornerItem& item) {
    canvas.fillTriangle(item.icon[0].x, item.icon[0].y, item.icon[1].x, item.icon[1].y, item.icon[2].x,
                        item.icon[2].y, item.colour);
    char text[16];
    std::snprintf(text, sizeof text, item.format, item.number);
    canvas.restoreRect(item.restoreLeft, item.restoreTop, item.restoreRight, item.restoreBottom);
    canvas.drawText(text, item.text.x, item.text.y, item.colour);
}

}  // namespace

void Game::drawTriangleScores() {
    const int w = canvas->width;
    drawCornerItem(*canvas, {{{10, 10}, {10, 20}, {20, 10}}, firstColour, firstTriangles, "%d", 20, 20, 45, 35, {20, 20}});
    drawCornerItem(*canvas, {{{w - 10, 10}, {w - 20, 10}, {w - 10, 20}},
                             secondColour, secondTriangles, "%3d", w - 40, 20, w, 35, {w - 40, 20}});
}

void Game::drawRoundWins() {
    const int w = canvas->width;
    const int h = canvas->height;
    drawCornerItem(*canvas, {{{10, h - 15}, {10, h - 25}, {20, h - 15}},
                             firstColour, firstRounds, "%d", 20, h - 40, 45, h - 25, {20, h - 40}});
    drawCornerItem(*canvas, {{{w - 10, h - 15}, {w - 20, h - 15}, {w - 10, h - 25}},
                             secondColour, secondRounds, "%3d", w - 40, h - 40, w - 5, h - 25, {w - 40, h - 40}});
}

void Game::drawLevelCaption() {
    char caption[32];
    std::snprintf(caption, sizeof caption, "Level %d", level);
    canvas->drawCentredText(caption, canvas->height - 25, firstColour);
}

void Game::drawWinnerMarker(RoundOutcome outcome) {
    const int x0 = canvas->width / 2 - 10;
    Colour upperRight = firstColour;
    Colour lowerLeft = firstColour;
    if (outcome == RoundOutcome::SecondPlayerWon) {
        upperRight = secondColour;
        lowerLeft = secondColour;
    } else if (outcome == RoundOutcome::Tie) {
        upperRight = secondColour;
    }
    canvas->fillTriangle(x0, 25, x0 + 20, 25, x0 + 20, 45, upperRight);
    canvas->fillTriangle(x0, 25, x0, 45, x0 + 20, 45, lowerLeft);
}
