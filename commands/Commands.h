// The command layer: what every front end does with the player's commands. A
// shell turns its platform's events (a resize, a click, a menu item, a dialog's
// OK) into these calls and keeps only its platform plumbing; the decisions are
// made here, once, for the Windows program and the browser alike.
#pragma once

#include <functional>
#include <memory>

#include "draw/Canvas.h"
#include "game/ComputerPlayer.h"
#include "game/Game.h"

// The drawing surface of the board area and the game played on it. The game
// points at the canvas, so a canvas is released only after its game.
extern std::unique_ptr<Canvas> currentCanvas;
extern std::unique_ptr<Game> currentGame;

// Makes the shell's canvas for a board area of width x height; null when it
// cannot.
using CanvasMaker = std::function<std::unique_ptr<Canvas>(int width, int height)>;

// The board area has a new size: a new canvas of that size, filled black, and a
// new game on it at level 1 against the computer with the board of the
// settings; then the previous game goes, and after it the previous canvas. When
// the canvas or the game cannot be made, the previous pair stays current.
void replaceCanvasAndGame(const CanvasMaker& makeCanvas, int width, int height);

// The shell's computer: where its draws come from and how it pauses. From then
// on the command layer keeps what the current round needs to be played again:
// how it started, the players' dots and the computer's draws.
void useComputerSeams(RandomSource draws, PauseFunction pause);

// A shell that keeps the game through a new board area (the browser page): a
// new canvas of that size, filled black, and on it the same game with the
// current round played again to where it stands: the same level, board, round
// wins and dots, the computer's moves taken from its recorded draws without
// pauses. Then the previous game goes, and after it the previous canvas. With
// no round recorded (no seams in use, or memory ran out while recording) it
// makes a new game as replaceCanvasAndGame does; when the canvas or the game
// cannot be made, the previous pair stays current.
void keepGameOnNewCanvas(const CanvasMaker& makeCanvas, int width, int height);

// OK in a settings dialog, once the dialog has ended: a new game from all of the
// settings on the current canvas replaces the current game. When it cannot be
// made, the current game stays.
void replaceGameFromSettings();

// New, and every repaint: the next round of the current game.
void startNextRound();

// Reset: round wins and scores back to zero, then the next round.
void resetScoresAndStartRound();

// Whether a click at (x, y) lands on the current game's board; the shell
// answers such a click (a beep) before placeDot plays it.
bool boardContains(int x, int y);

// The player's dot at (x, y), and in a game against the computer its answer.
void placeDot(int x, int y);

// Exit in a shell that outlives its game (the browser page): the game goes, and
// after it the canvas.
void releaseCanvasAndGame();
