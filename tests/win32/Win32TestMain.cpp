// The Win32 test binary's entry: registers the main window class once, with the
// caption and class name of this module's resources, and keeps the computer
// from pausing, as the tests play many moves.
#include <windows.h>

#include <gtest/gtest.h>

#include "app/Shell.h"
#include "game/ComputerPlayer.h"
#include "win32/Win32TestSupport.h"

namespace {

void noPause(int) {}

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    leaveWindowsUnmanagedUnderWine("win32_tests.exe");
    registerMainWindowClass(GetModuleHandleA(nullptr));
    setPauseFunction(noPause);
    return RUN_ALL_TESTS();
}
