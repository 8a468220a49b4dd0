// WinMain: the program with the instance and the show command that the run-time
// start-up gives it (wShowWindow of the process's start-up information, or
// SW_SHOWDEFAULT); the command line is not read.
#include <windows.h>

#include "app/Shell.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) { return runProgram(instance, showCommand); }
