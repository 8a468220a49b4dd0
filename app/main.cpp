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

    // GetMessageA gives 0 for WM_QUIT and -1 on failure; either ends the loop,
    // so a failing queue cannot spin on a stale message.
    MSG message{};
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        if (!TranslateAcceleratorA(message.hwnd, accelerators, &message)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
    return static_cast<int>(message.wParam);
}
