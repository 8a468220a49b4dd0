// The application shell: the process-wide window state, the window class, the
// main window and its window procedure.
#pragma once

#include <windows.h>

#include "commands/Commands.h"

constexpr int kTextBufferSize = 100;

// Set by createMainWindow; the dialogs are opened from it.
extern HINSTANCE appInstance;
// The caption (string 103) and the class name (string 109), loaded at start-up.
extern char windowTitle[kTextBufferSize];
extern char windowClassName[kTextBufferSize];

// What a click on the board sounds: MessageBeep in the program; tests count the
// beeps instead.
using BeepFunction = BOOL(WINAPI*)(UINT type);
extern BeepFunction clickBeep;

// Registers the main window class under windowClassName.
void initWindowClass(HINSTANCE instance);
// The start of everything that makes the main window: the caption and the class
// name loaded from the module's strings, then initWindowClass.
void registerMainWindowClass(HINSTANCE instance);
// The whole program after the run-time start-up: the class, the main window
// shown as showCommand says, and the message loop with the accelerator table.
// Returns the exit code; 0 when no window could be made.
int runProgram(HINSTANCE instance, int showCommand);
// Makes the 500 x 500 main window at (0, 0) and shows it; false when it could not be made.
bool createMainWindow(HINSTANCE instance, int showCommand);
LRESULT CALLBACK mainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Where the message loop takes its messages from: GetMessageA in the program.
using MessageSource = BOOL(WINAPI*)(LPMSG message, HWND window, UINT first, UINT last);
// Runs the message loop until WM_QUIT and returns its exit code; an accelerator
// is handled by the accelerator table alone. A queue that fails ends the loop
// with kMessageLoopFailed.
constexpr int kMessageLoopFailed = 1;
int runMessageLoop(HACCEL accelerators, MessageSource getMessage = GetMessageA);
