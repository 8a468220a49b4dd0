// The Win32 test binary's entry: loads the caption and class name from this
// module's resources, registers the main window class once, and keeps the
// computer from pausing, as the tests play many moves.
#include <windows.h>

#include <gtest/gtest.h>

#include "app/Shell.h"
#include "game/ComputerPlayer.h"
#include "res/resource.h"

namespace {

void noPause(int) {}

bool runningUnderWine() {
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version");
}

// Without a window manager, Wine waits two seconds for each visible top-level
// window that is hidden or destroyed, to see the manager withdraw it; the tests
// make and destroy hundreds. Windows that Wine leaves unmanaged go at once.
// The setting is Wine's own, kept for this test binary only, and read when the
// first window is made, so it takes effect in this very run.
void unmanagedWindowsUnderWine() {
    if (!runningUnderWine()) return;
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Wine\\AppDefaults\\win32_tests.exe\\X11 Driver", 0, nullptr,
                        0, KEY_SET_VALUE, nullptr, &key, nullptr) != ERROR_SUCCESS) {
        return;
    }
    RegSetValueExA(key, "Managed", 0, REG_SZ, reinterpret_cast<const BYTE*>("N"), 2);
    RegCloseKey(key);
}

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    unmanagedWindowsUnderWine();
    HINSTANCE instance = GetModuleHandleA(nullptr);
    LoadStringA(instance, IDS_APP_TITLE, windowTitle, kTextBufferSize);
    LoadStringA(instance, IDS_WINDOW_CLASS, windowClassName, kTextBufferSize);
    initWindowClass(instance);
    setPauseFunction(noPause);
    return RUN_ALL_TESTS();
}
