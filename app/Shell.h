// The application shell: the process-wide window state, the window class, the
// main window and its window procedure.
#pragma once

#include <windows.h>

#include <memory>

#include "draw/Canvas.h"
#include "game/Game.h"

constexpr int kTextBufferSize = 100;

// Set by createMainWindow; the dialogs are opened from it.
extern HINSTANCE appInstance;
// The caption (string 103) and the class name (string 109), loaded at start-up.
extern char windowTitle[kTextBufferSize];
extern char windowClassName[kTextBufferSize];
// The drawing surface of the main window's client area and the game played on it.
// The game points at the canvas, so a canvas is released only after its game.
extern std::unique_ptr<Canvas> currentCanvas;
extern std::unique_ptr<Game> currentGame;

// Registers the main window class under windowClassName.
void initWindowClass(HINSTANCE instance);
// Makes the 500 x 500 main window at (0, 0) and shows it; false when it could not be made.
bool createMainWindow(HINSTANCE instance, int showCommand);
LRESULT CALLBACK mainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
