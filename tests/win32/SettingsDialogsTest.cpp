// The About, Size, Level and Type dialogs opened for real from this module's
// templates with their procedures, inspected and driven from inside their modal loops.
#include <windows.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/Shell.h"
#include "common/GameHelpers.h"
#include "game/ComputerPlayer.h"
#include "game/Game.h"
#include "res/resource.h"
#include "settings/Settings.h"
#include "settings/win32/SettingsDialogs.h"
#include "win32/Win32TestSupport.h"

namespace {

const std::vector<int> kSizeRadios = {1008, 1009, 1010, 1012, 1032, 1033, 1035, 1036};
const std::vector<int> kLevelRadios = {1020, 1002, 1001, 1031};
const std::vector<int> kTypeRadios = {1020, 1002, 1001};

struct Dialog {
    int id;
    DLGPROC procedure;
    const std::vector<int>* radios;
};
const Dialog kSize = {IDD_SIZE, sizeDialogProc, &kSizeRadios};
const Dialog kLevel = {IDD_LEVEL, levelDialogProc, &kLevelRadios};
const Dialog kType = {IDD_TYPE, typeDialogProc, &kTypeRadios};

// The texts of the radios shown checked.
std::vector<std::string> checkedRadios(HWND dialog, const Dialog& which) {
    std::vector<std::string> checked;
    for (int id : *which.radios) {
        const ControlState state = controlState(dialog, id);
        if (state.checked) checked.emplace_back(state.text);
    }
    return checked;
}

// Opens the dialog, records which radios it shows checked, and cancels it.
std::vector<std::string> radiosShownOnOpening(const Dialog& which) {
    std::vector<std::string> shown;
    runDialog(which.id, which.procedure, [&](HWND dialog) {
        shown = checkedRadios(dialog, which);
        clickButton(dialog, IDCANCEL);
    });
    return shown;
}

// Opens the dialog, clicks the radios in turn, then presses the button.
DialogRun choose(const Dialog& which, std::vector<int> radios, int button) {
    return runDialog(which.id, which.procedure, [=](HWND dialog) {
        for (int radio : radios) clickButton(dialog, radio);
        clickButton(dialog, button);
    });
}

using Strings = std::vector<std::string>;

TEST(SettingsDialogs, FirstOpeningsShowTheStartValuesWithTheFocusOnOk) {
    MainWindow main;
    const struct {
        Dialog dialog;
        const char* checked;
    } cases[] = {{kSize, "6 x 6"}, {kLevel, "Level 1"}, {kType, "Human <> Computer"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.checked);
        const DialogRun run = runDialog(c.dialog.id, c.dialog.procedure, [&](HWND dialog) {
            EXPECT_EQ(checkedRadios(dialog, c.dialog), Strings{c.checked});
            EXPECT_EQ(GetFocus(), GetDlgItem(dialog, IDOK));
            EXPECT_EQ(controlState(dialog, IDOK).style & BS_TYPEMASK, BS_DEFPUSHBUTTON);
            // Checking a radio gives it a tab stop; the others have none.
            for (int id : *c.dialog.radios) {
                const ControlState radio = controlState(dialog, id);
                EXPECT_EQ(radio.style & BS_TYPEMASK, BS_AUTORADIOBUTTON) << id;
                if (!radio.checked) {
                    EXPECT_FALSE(radio.style & WS_TABSTOP) << id;
                }
            }
            clickButton(dialog, IDCANCEL);
        });
        EXPECT_TRUE(run.scriptRan);
        EXPECT_TRUE(run.closedByScript);
        EXPECT_EQ(run.result, 0);
    }
}

TEST(SettingsDialogs, EveryDialogShowsTheProgramIcon) {
    MainWindow main;
    for (const int id : {IDD_ABOUT, IDD_SIZE, IDD_LEVEL, IDD_TYPE}) {
        const DLGPROC procedure = id == IDD_ABOUT   ? aboutDialogProc
                                  : id == IDD_SIZE  ? sizeDialogProc
                                  : id == IDD_LEVEL ? levelDialogProc
                                                    : typeDialogProc;
        runDialog(id, procedure, [&](HWND dialog) {
            int icons = 0;
            for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
                if (SendMessageA(child, STM_GETICON, 0, 0) != 0) ++icons;
            }
            EXPECT_EQ(icons, 1) << "dialog " << id;
            clickButton(dialog, id == IDD_ABOUT ? IDOK : IDCANCEL);  // the About box has no Cancel button
        });
    }
}

TEST(SettingsDialogs, SizeOkWithoutAClickKeepsTheSettingsAndStartsAFreshGame) {
    MainWindow main;
    currentGame->firstRounds = 3;
    const Game* previous = currentGame.get();
    const DialogRun run = choose(kSize, {}, IDOK);
    EXPECT_EQ(run.result, IDOK);
    EXPECT_EQ(settings.boardSize, 6);
    EXPECT_EQ(settings.cellSize, 20);
    EXPECT_EQ(settings.sizeRadio, 1008);
    ASSERT_NE(currentGame.get(), previous);
    EXPECT_EQ(currentGame->firstRounds, 0);
    EXPECT_EQ(currentGame->rows, 6);
    EXPECT_EQ(currentGame->cellSize, 20);
    EXPECT_EQ(currentGame->canvas, currentCanvas.get());
}

TEST(SettingsDialogs, Size16ThenOkGivesA16By16BoardOf18PixelCells) {
    MainWindow main;
    settings.level = 2;
    settings.playType = HumanVsHuman;
    const DialogRun run = runDialog(kSize.id, kSize.procedure, [](HWND dialog) {
        clickButton(dialog, 1033);
        EXPECT_EQ(checkedRadios(dialog, kSize), Strings{"16 x 16"});
        EXPECT_EQ(settings.boardSize, 6) << "the choice stays pending until OK";
        clickButton(dialog, IDOK);
    });
    EXPECT_EQ(run.result, IDOK);
    EXPECT_EQ(settings.boardSize, 16);
    EXPECT_EQ(settings.cellSize, 18);
    EXPECT_EQ(settings.sizeRadio, 1033);
    EXPECT_EQ(currentGame->rows, 16);
    EXPECT_EQ(currentGame->columns, 16);
    EXPECT_EQ(currentGame->cellSize, 18);
    EXPECT_EQ(currentGame->level, 2);
    EXPECT_EQ(currentGame->playType, HumanVsHuman);
    EXPECT_EQ(radiosShownOnOpening(kSize), Strings{"16 x 16"});
}

TEST(SettingsDialogs, SizeClickThenCancelEscOrCloseBoxChangesNothing) {
    MainWindow main;
    const Game* game = currentGame.get();
    const std::vector<std::function<void(HWND)>> closers = {
        [](HWND dialog) { clickButton(dialog, IDCANCEL); },
        [](HWND dialog) { pressKey(dialog, VK_ESCAPE); },
        [](HWND dialog) { PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0); },
    };
    for (std::size_t i = 0; i < closers.size(); ++i) {
        SCOPED_TRACE(i);
        const DialogRun run = runDialog(kSize.id, kSize.procedure, [&](HWND dialog) {
            clickButton(dialog, 1036);
            closers[i](dialog);
        });
        EXPECT_TRUE(run.closedByScript);
        EXPECT_EQ(run.result, 0);
        EXPECT_EQ(settings.boardSize, 6);
        EXPECT_EQ(settings.cellSize, 20);
        EXPECT_EQ(settings.sizeRadio, 1008);
        EXPECT_EQ(currentGame.get(), game);
    }
    EXPECT_EQ(radiosShownOnOpening(kSize), Strings{"6 x 6"});
}

TEST(SettingsDialogs, LevelOkStartsThatLevelAndIsShownNextTime) {
    MainWindow main;
    settings.boardSize = 8;
    settings.cellSize = 25;
    for (const auto& [radio, level, text] :
         {std::tuple{1001, 3, "Level 3"}, std::tuple{1002, 2, "Level 2"}, std::tuple{1031, 4, "Level 4"}}) {
        SCOPED_TRACE(text);
        EXPECT_EQ(choose(kLevel, {radio}, IDOK).result, IDOK);
        EXPECT_EQ(settings.level, level);
        EXPECT_EQ(settings.levelRadio, radio);
        EXPECT_EQ(currentGame->level, level);
        EXPECT_EQ(currentGame->rows, 8);
        EXPECT_EQ(currentGame->cellSize, 25);
        // Ids outside the cleared range are checked too, and only they.
        EXPECT_EQ(radiosShownOnOpening(kLevel), Strings{text});
    }
}

TEST(SettingsDialogs, ALevelOrTypeClickTakesEffectEvenWhenCancelled) {
    MainWindow main;
    const Game* game = currentGame.get();
    EXPECT_EQ(choose(kLevel, {1001}, IDCANCEL).result, 0);
    EXPECT_EQ(currentGame.get(), game);
    EXPECT_EQ(settings.level, 3);
    EXPECT_EQ(settings.levelRadio, 1020);
    EXPECT_EQ(radiosShownOnOpening(kLevel), Strings{"Level 1"});

    EXPECT_EQ(choose(kType, {1002}, IDCANCEL).result, 0);
    EXPECT_EQ(currentGame.get(), game);
    EXPECT_EQ(settings.playType, HumanVsHuman);
    EXPECT_EQ(settings.typeRadio, 1020);
    EXPECT_EQ(radiosShownOnOpening(kType), Strings{"Human <> Computer"});

    // The next game made by any settings dialog takes both.
    EXPECT_EQ(choose(kSize, {}, IDOK).result, IDOK);
    EXPECT_EQ(currentGame->level, 3);
    EXPECT_EQ(currentGame->playType, HumanVsHuman);
}

// The dialog whose OK plays a round, and whether it was seen while the computer paused.
HWND okDialog = nullptr;
bool dialogSeenDuringRound = false;

TEST(SettingsDialogs, TypeComputerAgainstComputerPlaysAWholeRoundBeforeTheDialogReturns) {
    MainWindow main;
    bool playedOut = false;
    dialogSeenDuringRound = false;
    // The dialog has ended, and left the screen, before the first move.
    setPauseFunction([](int) { dialogSeenDuringRound |= IsWindowVisible(okDialog) != FALSE; });
    const DialogRun run = runDialog(kType.id, kType.procedure, [&](HWND dialog) {
        okDialog = dialog;
        clickButton(dialog, 1001);
        clickButton(dialog, IDOK);
        setPauseFunction(nullptr);
        EXPECT_FALSE(dialogSeenDuringRound);
        // Still inside the dialog's modal loop: the round is already over.
        ASSERT_EQ(currentGame->playType, ComputerVsComputer);
        EXPECT_EQ(currentGame->trianglesMade, currentGame->trianglesTotal);
        EXPECT_EQ(dotCount(*currentGame), 36);
        EXPECT_LE(currentGame->firstRounds + currentGame->secondRounds, 1);
        playedOut = currentGame->trianglesMade == 50;
    });
    EXPECT_EQ(run.result, IDOK);
    EXPECT_TRUE(playedOut);
    EXPECT_EQ(settings.playType, ComputerVsComputer);
    EXPECT_EQ(settings.typeRadio, 1001);
    EXPECT_EQ(radiosShownOnOpening(kType), Strings{"Computer <> Computer"});
}

TEST(SettingsDialogs, AResizeAfterHumanAgainstHumanStillPlaysTheComputerAtLevelOne) {
    MainWindow main;
    EXPECT_EQ(choose(kLevel, {1001}, IDOK).result, IDOK);
    EXPECT_EQ(choose(kType, {1002}, IDOK).result, IDOK);
    EXPECT_EQ(currentGame->playType, HumanVsHuman);
    EXPECT_EQ(currentGame->level, 3);
    main.send(WM_SIZE, SIZE_RESTORED, MAKELPARAM(400, 400));
    EXPECT_EQ(currentGame->playType, HumanVsComputer);
    EXPECT_EQ(currentGame->level, 1);
    EXPECT_EQ(settings.playType, HumanVsHuman);
    EXPECT_EQ(settings.level, 3);
    EXPECT_EQ(radiosShownOnOpening(kType), Strings{"Human <> Human"});
}

TEST(SettingsDialogs, OkWithoutACanvasMakesNoGameButKeepsTheSettings) {
    MainWindow main;
    currentGame.reset();
    currentCanvas.reset();
    EXPECT_EQ(choose(kSize, {1033}, IDOK).result, IDOK);
    EXPECT_EQ(currentGame, nullptr);
    EXPECT_EQ(settings.boardSize, 16);
    EXPECT_EQ(settings.sizeRadio, 1033);
}

TEST(AboutBox, ClosesByOkEnterEscAndTheCloseBoxChangingNothing) {
    MainWindow main;
    const Game* game = currentGame.get();
    const struct {
        const char* how;
        std::function<void(HWND)> close;
        INT_PTR result;
    } cases[] = {
        {"OK", [](HWND dialog) { clickButton(dialog, IDOK); }, IDOK},
        {"Enter", [](HWND dialog) { pressKey(dialog, VK_RETURN); }, IDOK},
        {"Esc", [](HWND dialog) { pressKey(dialog, VK_ESCAPE); }, IDCANCEL},
        {"close box", [](HWND dialog) { PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0); }, IDCANCEL},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.how);
        const DialogRun run = runDialog(IDD_ABOUT, aboutDialogProc, [&](HWND dialog) {
            char text[64] = {};
            GetWindowTextA(dialog, text, sizeof text);
            EXPECT_STREQ(text, "About");
            EXPECT_EQ(GetFocus(), GetDlgItem(dialog, IDOK));
            c.close(dialog);
        });
        EXPECT_TRUE(run.closedByScript);
        EXPECT_EQ(run.result, c.result);
    }
    EXPECT_EQ(currentGame.get(), game);
    EXPECT_EQ(settings.level, 1);
}

TEST(MenuCommands, OpenTheirDialogsOwnedByTheDisabledMainWindow) {
    MainWindow main;
    const struct {
        int command;
        const char* caption;
        int control;  // a control only that dialog has
    } cases[] = {{IDM_ABOUT, "About", IDOK}, {IDM_SIZE, "Dialog", 1033}, {IDM_LEVEL, "Dialog", 1031},
                 {IDM_TYPE, "Size", 1003}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.command);
        LRESULT handled = -1;
        const DialogRun run = runDialog(
            [&] {
                handled = main.command(c.command);
                return INT_PTR{0};
            },
            [&](HWND dialog) {
                char text[64] = {};
                GetWindowTextA(dialog, text, sizeof text);
                EXPECT_STREQ(text, c.caption);
                EXPECT_NE(GetDlgItem(dialog, c.control), nullptr);
                EXPECT_EQ(GetWindow(dialog, GW_OWNER), main.handle());
                EXPECT_FALSE(IsWindowEnabled(main.handle()));
                pressKey(dialog, VK_ESCAPE);
            });
        EXPECT_TRUE(run.scriptRan);
        EXPECT_TRUE(run.closedByScript);
        EXPECT_EQ(handled, 0);
        EXPECT_TRUE(IsWindowEnabled(main.handle()));
    }
    EXPECT_EQ(settings.boardSize, 6);
}

// The message loop's input for one keystroke: the character with Alt held, as
// the keyboard gives it to the main window, then the end of the loop.
HWND keystrokeWindow = nullptr;
char keystrokeCharacter = 0;
int messagesHandedOut = 0;

BOOL WINAPI oneAltKeystroke(LPMSG message, HWND, UINT, UINT) {
    if (messagesHandedOut++ > 0) {
        *message = MSG{nullptr, WM_QUIT, 0, 0, 0, {}};
        return FALSE;
    }
    *message = MSG{keystrokeWindow, WM_SYSCHAR, static_cast<WPARAM>(keystrokeCharacter), 0x20000001, 0, {}};
    return TRUE;
}

TEST(MenuCommands, AltQuestionMarkAndAltSlashOpenOneAboutBoxThroughTheMessageLoop) {
    MainWindow main;
    HACCEL table = LoadAcceleratorsA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDA_MAIN));
    BYTE keys[256] = {};
    GetKeyboardState(keys);
    const BYTE altUp = keys[VK_MENU];
    keys[VK_MENU] = 0x80;
    SetKeyboardState(keys);
    for (const char key : {'?', '/'}) {
        SCOPED_TRACE(key);
        keystrokeWindow = main.handle();
        keystrokeCharacter = key;
        messagesHandedOut = 0;
        std::string caption;
        int exitCode = -1;
        const DialogRun run = runDialog(
            [&] {
                exitCode = runMessageLoop(table, oneAltKeystroke);
                return INT_PTR{0};
            },
            [&](HWND dialog) {
                char text[64] = {};
                GetWindowTextA(dialog, text, sizeof text);
                caption = text;
                clickButton(dialog, IDOK);
            });
        EXPECT_EQ(caption, "About");
        EXPECT_TRUE(run.closedByScript) << "a second About box opened";
        EXPECT_EQ(exitCode, 0);
    }
    // Without Alt the same characters are plain typing.
    keys[VK_MENU] = altUp;
    SetKeyboardState(keys);
    MSG plain{main.handle(), WM_CHAR, static_cast<WPARAM>('?'), 1, 0, {}};
    EXPECT_EQ(TranslateAcceleratorA(main.handle(), table, &plain), 0);
    DestroyAcceleratorTable(table);
}

}  // namespace
