// WinMain: loads the caption and class name, makes the main window and runs the
// message loop with the accelerator table until the window is destroyed.
#include <windows.h>

#include "app/Shell.h"
#include "res/resource.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
    LoadStringA(instance, IDS_APP_TITLE, windowTitle, kTextBufferSize);
    LoadStringA(instance, IDS_WINDOW_CLASS, windowClassName, kTextBufferSize);
    initWindowClass(instance);
    if (!createMainWindow(instance, showCommand)) return 0;
    HACCEL accelerators = LoadAcceleratorsA(instance, MAKEINTRESOURCEA(IDA_MAIN));
    return runMessageLoop(accelerators);
}
