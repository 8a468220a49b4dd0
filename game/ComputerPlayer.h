// The computer player's seams: where its random draws come from and how it pauses.
// vantor.exe uses rand() and thinkingPause(); the browser build draws what the
// Windows C runtime's rand draws and lets the page show each move before the
// next pause; tests install their own.
#pragma once

// A busy pause of 32000 x n empty steps that the optimiser cannot remove.
// Returns the number of steps it ran, so that its length can be counted.
long long thinkingPause(int n);

// The draws of the Windows C runtime's rand, never seeded: 41, 18467, 6334, ...
// The browser build draws these, so the same clicks get the same answers there
// as in vantor.exe.
int windowsRuntimeRand();

using RandomSource = int (*)();
using PauseFunction = void (*)(int);

// Replaces the source of random draws; nullptr restores rand().
void setRandomSource(RandomSource source);
// Replaces the pause; nullptr restores thinkingPause().
void setPauseFunction(PauseFunction pause);
