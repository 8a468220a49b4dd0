// The main window driven by real messages: the class and window as made, the
// canvas and game replaced on resize, clicks, paints and menu commands.
#include <windows.h>

#include <vector>

#include <gtest/gtest.h>

#include "app/Shell.h"
#include "common/GameHelpers.h"
#include "common/WorkingDirectory.h"
#include "draw/Canvas.h"
#include "draw/Grid.h"
#include "draw/raster/BmpEncoder.h"
#include "game/Game.h"
#include "res/resource.h"
#include "settings/Settings.h"
#include "win32/GdiProbe.h"
#include "win32/Win32TestSupport.h"

namespace {

constexpr Colour kGrey = 0x808080;

void repaint(const MainWindow& main) {
    InvalidateRect(main.handle(), nullptr, FALSE);
    UpdateWindow(main.handle());
}

// The pixel at the middle of the dot drawn in a cell.
Colour dotPixel(const MainWindow& main, const Grid& grid, int column, int row) {
    const int cs = grid.cellSize;
    return windowPixel(main.handle(), grid.left + column * cs + cs / 2, grid.top + row * cs + cs / 2 + 1);
}

TEST(MainWindow, IsMadeFromTheClassWithMenuIconsAndAFirstGame) {
    MainWindow main;
    ASSERT_TRUE(main.exists());
    char text[100] = {};
    GetWindowTextA(main.handle(), text, sizeof text);
    EXPECT_STREQ(text, "KaRmElOn 1.0.");
    GetClassNameA(main.handle(), text, sizeof text);
    EXPECT_STREQ(text, "VESKAR");
    EXPECT_EQ(appInstance, GetModuleHandleA(nullptr));

    RECT outer{};
    GetWindowRect(main.handle(), &outer);
    EXPECT_EQ(outer.left, 0);
    EXPECT_EQ(outer.top, 0);
    EXPECT_EQ(outer.right - outer.left, 500);
    EXPECT_EQ(outer.bottom - outer.top, 500);
    EXPECT_EQ(GetWindowLongA(main.handle(), GWL_STYLE) & WS_OVERLAPPEDWINDOW, WS_OVERLAPPEDWINDOW);
    EXPECT_TRUE(IsWindowVisible(main.handle()));

    EXPECT_EQ(GetClassLongPtrA(main.handle(), GCL_STYLE), static_cast<ULONG_PTR>(CS_HREDRAW | CS_VREDRAW));
    EXPECT_NE(GetClassLongPtrA(main.handle(), GCLP_HICON), 0u);
    EXPECT_NE(GetClassLongPtrA(main.handle(), GCLP_HICONSM), 0u);
    EXPECT_EQ(GetClassLongPtrA(main.handle(), GCLP_HCURSOR),
              reinterpret_cast<ULONG_PTR>(LoadCursorA(nullptr, IDC_ARROW)));
    EXPECT_EQ(GetClassLongPtrA(main.handle(), GCLP_HBRBACKGROUND), static_cast<ULONG_PTR>(COLOR_WINDOW + 1));
    ASSERT_NE(GetMenu(main.handle()), nullptr);
    EXPECT_EQ(GetMenuItemCount(GetMenu(main.handle())), 3);

    // The first resize made the first pair, for the client area as it is.
    const RECT client = main.clientRect();
    ASSERT_NE(currentCanvas, nullptr);
    ASSERT_NE(currentGame, nullptr);
    EXPECT_EQ(currentCanvas->window, main.handle());
    EXPECT_EQ(currentCanvas->width, client.right);
    EXPECT_EQ(currentCanvas->height, client.bottom);
    EXPECT_EQ(currentGame->canvas, currentCanvas.get());
    EXPECT_EQ(currentGame->rows, 6);
    EXPECT_EQ(currentGame->columns, 6);
    EXPECT_EQ(currentGame->cellSize, 20);
    EXPECT_EQ(currentGame->level, 1);
    EXPECT_EQ(currentGame->playType, HumanVsComputer);
}

// vantor.exe itself, started as a shortcut set to "minimised" or "maximised"
// starts it: the show command of the process's start-up information reaches
// the main window. Closing it ends the program with exit code 0.
TEST(MainWindow, TheProgramStartsMinimisedOrMaximisedAsItsShortcutSays) {
    for (const WORD show : {WORD{SW_SHOWMINIMIZED}, WORD{SW_SHOWMAXIMIZED}}) {
        SCOPED_TRACE(show);
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESHOWWINDOW;
        startup.wShowWindow = show;
        PROCESS_INFORMATION process{};
        ASSERT_TRUE(CreateProcessA(VANTOR_EXE, nullptr, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                                   &process));
        WaitForInputIdle(process.hProcess, 20000);
        HWND window = nullptr;
        for (int i = 0; i < 400 && !window; ++i, Sleep(50)) {
            for (HWND found = nullptr; !window && (found = FindWindowExA(nullptr, found, windowClassName, nullptr));) {
                DWORD owner = 0;
                GetWindowThreadProcessId(found, &owner);
                if (owner == process.dwProcessId && IsWindowVisible(found)) window = found;
            }
        }
        EXPECT_NE(window, nullptr);
        EXPECT_EQ(IsIconic(window) != FALSE, show == SW_SHOWMINIMIZED);
        EXPECT_EQ(IsZoomed(window) != FALSE, show == SW_SHOWMAXIMIZED);
        if (window) PostMessageA(window, WM_CLOSE, 0, 0);
        DWORD exitCode = STILL_ACTIVE;
        if (WaitForSingleObject(process.hProcess, 20000) != WAIT_OBJECT_0) TerminateProcess(process.hProcess, 1);
        GetExitCodeProcess(process.hProcess, &exitCode);
        EXPECT_EQ(exitCode, 0u);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
}

TEST(MainWindow, EveryResizeMakesALevelOneGameAgainstTheComputerOnANewCanvas) {
    MainWindow main;
    settings.boardSize = 16;
    settings.cellSize = 18;
    settings.level = 3;
    settings.playType = HumanVsHuman;
    const Settings chosen = settings;

    struct Size {
        WPARAM kind;
        int width, height;
    };
    for (const Size size : {Size{SIZE_RESTORED, 300, 200}, Size{SIZE_MINIMIZED, 0, 0},
                            Size{SIZE_MAXIMIZED, 65535, 65535}, Size{SIZE_RESTORED, 1, 1}}) {
        SCOPED_TRACE(::testing::Message() << size.width << " x " << size.height);
        currentGame->firstRounds = 4;
        const Game* previous = currentGame.get();
        EXPECT_EQ(main.send(WM_SIZE, size.kind, MAKELPARAM(size.width, size.height)), 0);
        ASSERT_NE(currentCanvas, nullptr);
        ASSERT_NE(currentGame, nullptr);
        EXPECT_NE(currentGame.get(), previous);
        EXPECT_EQ(currentCanvas->width, size.width);
        EXPECT_EQ(currentCanvas->height, size.height);
        EXPECT_EQ(currentGame->canvas, currentCanvas.get());
        EXPECT_EQ(currentGame->rows, 16);
        EXPECT_EQ(currentGame->cellSize, 18);
        EXPECT_EQ(currentGame->level, 1);
        EXPECT_EQ(currentGame->playType, HumanVsComputer);
        EXPECT_EQ(currentGame->firstRounds, 0);
    }
    EXPECT_EQ(settings.level, chosen.level);
    EXPECT_EQ(settings.playType, chosen.playType);

    // A real change of size arrives the same way.
    SetWindowPos(main.handle(), nullptr, 0, 0, 420, 380, SWP_NOMOVE | SWP_NOZORDER);
    const RECT client = main.clientRect();
    EXPECT_EQ(currentCanvas->width, client.right);
    EXPECT_EQ(currentCanvas->height, client.bottom);
    EXPECT_EQ(currentGame->grid->left, (client.right - (16 * 18 + 1)) / 2);
}

TEST(MainWindow, ResizeFillsTheNewCanvasBlackBeforeTheGameDraws) {
    ScopedWorkingDirectory noPictures("shell-black");
    MainWindow main;
    main.send(WM_SIZE, SIZE_RESTORED, MAKELPARAM(480, 440));
    // Without backdrop files the black fill is what the board stands on.
    EXPECT_EQ(windowPixel(main.handle(), 100, 100), kBlack);
    const Grid& grid = *currentGame->grid;
    EXPECT_EQ(windowPixel(main.handle(), grid.left, grid.top + 3), 0xC8C800u);
}

TEST(MainWindow, WithoutAGameClicksPaintsNewAndResetDoNoHarm) {
    MainWindow main;
    currentGame.reset();
    SetCursor(LoadCursorA(nullptr, IDC_ARROW));
    EXPECT_EQ(main.click(200, 200), 0);
    EXPECT_EQ(GetCursor(), LoadCursorA(nullptr, IDC_CROSS));
    repaint(main);
    RECT stillInvalid{};
    EXPECT_FALSE(GetUpdateRect(main.handle(), &stillInvalid, FALSE)) << "WM_PAINT must still validate the window";
    EXPECT_EQ(main.command(IDM_NEW), 0);
    EXPECT_EQ(main.command(IDM_RESET), 0);
    EXPECT_EQ(currentGame, nullptr);
    EXPECT_TRUE(main.exists());
}

// The beeps of clicks, counted instead of sounded.
std::vector<UINT> beeps;
BOOL WINAPI countBeep(UINT type) {
    beeps.push_back(type);
    return TRUE;
}

struct CountedBeeps {
    CountedBeeps() {
        beeps.clear();
        clickBeep = countBeep;
    }
    ~CountedBeeps() { clickBeep = MessageBeep; }
};

TEST(MainWindow, ClickOutsideTheBoardOnlyShowsTheCrossCursor) {
    MainWindow main;
    CountedBeeps counted;
    const Grid& grid = *currentGame->grid;
    for (const POINT at : {POINT{2, 2}, POINT{grid.left, grid.top + 30}, POINT{grid.left + 30, grid.top},
                           POINT{grid.right, grid.top + 30}}) {
        SetCursor(LoadCursorA(nullptr, IDC_ARROW));
        EXPECT_EQ(main.click(at.x, at.y), 0);
        EXPECT_EQ(GetCursor(), LoadCursorA(nullptr, IDC_CROSS));
        EXPECT_EQ(dotCount(*currentGame), 0) << at.x << "," << at.y;
    }
    EXPECT_TRUE(beeps.empty());
}

TEST(MainWindow, ClickInTheBoardBeepsAndPutsTheHumansDotAndTheComputersAnswer) {
    MainWindow main;
    CountedBeeps counted;
    const Grid& grid = *currentGame->grid;
    SetCursor(LoadCursorA(nullptr, IDC_ARROW));
    EXPECT_EQ(main.click(grid.centreX(2), grid.centreY(3)), 0);
    EXPECT_EQ(GetCursor(), LoadCursorA(nullptr, IDC_CROSS));
    EXPECT_EQ(beeps, std::vector<UINT>{5});
    ASSERT_EQ(dotCount(*currentGame), 2);
    ASSERT_EQ(currentGame->cells[3][2], 1);
    EXPECT_EQ(dotPixel(main, grid, 2, 3), currentGame->firstColour);
    EXPECT_EQ(currentGame->firstColour, 0xFF0000u);
    int found = 0;
    for (int row = 0; row < 6; ++row) {
        for (int column = 0; column < 6; ++column) {
            if (currentGame->cells[row][column] == 0 || (row == 3 && column == 2)) continue;
            ++found;
            EXPECT_EQ(dotPixel(main, grid, column, row), currentGame->secondColour);
        }
    }
    EXPECT_EQ(found, 1);
    EXPECT_EQ(currentGame->secondColour, 0xC8C800u);
}

TEST(MainWindow, NewResetAndEveryRepaintStartANewRound) {
    // Plain grey backdrops, so that a new round visibly wipes the last one.
    ScopedWorkingDirectory pictures("shell-rounds");
    for (const char* name : {"terre.bmp", "mars.bmp"}) {
        ASSERT_TRUE(writeBmp24File(name, 2, 2, std::vector<Colour>(4, kGrey)));
    }
    MainWindow main;
    const Game* game = currentGame.get();
    auto playOneMove = [&] {
        main.click(currentGame->grid->centreX(1), currentGame->grid->centreY(1));
        ASSERT_EQ(dotCount(*currentGame), 2);
    };

    playOneMove();
    EXPECT_EQ(main.command(IDM_NEW), 0);
    EXPECT_EQ(dotCount(*currentGame), 0);
    EXPECT_EQ(dotPixel(main, *currentGame->grid, 1, 1), kGrey);

    playOneMove();
    currentGame->firstRounds = 2;
    currentGame->secondRounds = 1;
    EXPECT_EQ(main.command(IDM_RESET), 0);
    EXPECT_EQ(dotCount(*currentGame), 0);
    EXPECT_EQ(dotPixel(main, *currentGame->grid, 1, 1), kGrey);
    EXPECT_EQ(currentGame->firstRounds, 0);
    EXPECT_EQ(currentGame->secondRounds, 0);

    playOneMove();
    currentGame->firstRounds = 1;
    repaint(main);
    EXPECT_EQ(dotCount(*currentGame), 0);
    EXPECT_EQ(dotPixel(main, *currentGame->grid, 1, 1), kGrey);
    EXPECT_EQ(currentGame->firstRounds, 1) << "a repaint keeps the round wins";

    // After a round won by the first player, a repaint moves to the next level.
    currentGame->advancePending = 1;
    repaint(main);
    EXPECT_EQ(currentGame->level, 2);
    EXPECT_EQ(currentGame.get(), game) << "rounds start over in the same game";
}

TEST(MainWindow, ExitDestroysTheWindowAndAsksToQuitWithZero) {
    MainWindow main;
    EXPECT_EQ(main.command(IDM_EXIT), 0);
    EXPECT_FALSE(main.exists());
    MSG quit{};
    ASSERT_TRUE(PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(quit.wParam, 0u);
}

// A queue that hands out one message and then fails.
BOOL WINAPI failingQueue(LPMSG message, HWND, UINT, UINT) {
    static bool handedOut = false;
    if (handedOut) return -1;
    handedOut = true;
    *message = MSG{nullptr, WM_USER, 7, 0, 0, {}};
    return TRUE;
}

TEST(MainWindow, TheMessageLoopEndsWithTheQuitCodeOrAFailureCode) {
    PostQuitMessage(0);
    EXPECT_EQ(runMessageLoop(nullptr), 0);
    EXPECT_EQ(runMessageLoop(nullptr, failingQueue), kMessageLoopFailed);
}

TEST(MainWindow, TheCloseBoxEndsLikeExit) {
    MainWindow main;
    main.send(WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_FALSE(main.exists());
    EXPECT_TRUE(takeQuitMessage());
}

TEST(MainWindow, UnknownCommandsAndOtherMessagesGoToTheDefaultProcedure) {
    MainWindow main;
    main.click(currentGame->grid->centreX(0), currentGame->grid->centreY(0));
    const Game* game = currentGame.get();
    for (const int id : {0, 1, 2, 106, 32770, 32774, 40000, 65535}) {
        EXPECT_EQ(main.command(id), 0) << id;
        EXPECT_EQ(main.send(WM_COMMAND, MAKEWPARAM(id, 1), 0), 0) << id;
    }
    EXPECT_TRUE(main.exists());
    EXPECT_EQ(currentGame.get(), game);
    EXPECT_EQ(dotCount(*currentGame), 2);
    // Messages the window does not handle get the default procedure's answer.
    EXPECT_EQ(main.send(WM_GETTEXTLENGTH), 13);
    EXPECT_EQ(main.send(WM_GETTEXTLENGTH), DefWindowProcA(main.handle(), WM_GETTEXTLENGTH, 0, 0));
}

}  // namespace
