// SoakDriver: plays the real main window hard with real messages: repaints, New
// and Reset, resizes (minimised to 0 x 0 and larger than the screen), Computer
// <> Computer games, the settings dialogs, and random clicks; and counts what
// the window procedure was given.
#pragma once

#include <windows.h>

#include <random>

#include "settings/Settings.h"

struct SoakCounts {
    long steps = 0;
    // Messages the window procedure handled.
    long paints = 0;
    long sizes = 0;
    long clicks = 0;
    long newCommands = 0;
    long resetCommands = 0;
    // What the driver did.
    long clicksInBoard = 0;
    long minimised = 0;          // resizes that left a 0 x 0 client area
    long largerThanScreen = 0;   // resizes to a window larger than the screen
    long hugeCanvases = 0;       // WM_SIZE sent for a canvas far larger than the window
    long computerGames = 0;      // Computer <> Computer games made as the dialogs' OK makes them
    long settingsDialogs = 0;    // Size, Level and Type dialogs closed with OK (each makes a game)
    long aboutBoxes = 0;
    long largestWidth = 0;       // largest client area a resize gave
    long largestHeight = 0;

    // Every operation that starts a round: repaints, New, Reset, and every new
    // game (resizes, dialogs' OK, Computer <> Computer games).
    long roundStarts() const {
        return paints + newCommands + resetCommands + sizes + computerGames + settingsDialogs;
    }
};

class SoakDriver {
public:
    // Takes over the window's procedure with one that counts and passes every
    // message on to mainWindowProc.
    SoakDriver(HWND window, unsigned seed);
    ~SoakDriver();
    SoakDriver(const SoakDriver&) = delete;
    SoakDriver& operator=(const SoakDriver&) = delete;

    // One random action, and the messages it leaves in the queue served.
    void step();
    // Back to the start by way of the extremes (the largest window and canvas, a
    // minimised window, the largest board, every dialog): default settings, the
    // window shown normally at 500 x 500, a fresh game on a fresh canvas.
    // Measures are taken here.
    void settle();
    // False once the window has been destroyed or a quit message was seen.
    bool windowAlive() const;

    const SoakCounts& counts() const;

private:
    void repaint();
    void click();
    void resize();
    void minimiseAndRestore();
    void hugeCanvas();
    void sendCanvasSize(int width, int height);
    void computerGame();
    void computerGame(const SizeChoice& size, int level);
    void dialog();
    void dialog(int command, int radio);
    void visitExtremes();
    void serveMessages();
    int below(int n);

    HWND window;
    std::mt19937 random;
    bool quitSeen = false;
};
