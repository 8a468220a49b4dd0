// The computer player's seams: where its random draws come from and how it pauses.
// The program uses rand() and thinkingPause(); tests install their own.
#pragma once

// A busy pause of 32000 x n empty steps that the optimiser cannot remove.
void thinkingPause(int n);

using RandomSource = int (*)();
using PauseFunction = void (*)(int);

// Replaces the source of random draws; nullptr restores rand().
void setRandomSource(RandomSource source);
// Replaces the pause; nullptr restores thinkingPause().
void setPauseFunction(PauseFunction pause);
