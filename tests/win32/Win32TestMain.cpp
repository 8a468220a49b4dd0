// The Win32 test binary's entry: loads the caption and class name from this
// module's resources, registers the main window class once, and keeps the
// computer from pausing, as the tests play many moves.
#include <windows.h>

#include <gtest/gtest.h>

#include "app/Shell.h"
#include "game/ComputerPlayer.h"
#include "res/resource.h"
#include "win32/Win32TestSupport.h"

namespace {

void noPause(int) {}

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    leaveWindowsUnmanagedUnderWine("win32_tests.exe");
    HINSTANCE instance = GetModuleHandleA(nullptr);
    LoadStringA(instance, IDS_APP_TITLE, windowTitle, kTextBufferSize);
    LoadStringA(instance, IDS_WINDOW_CLASS, windowClassName, kTextBufferSize);
    initWindowClass(instance);
    setPauseFunction(noPause);
    return RUN_ALL_TESTS();
}
