// Test controls for the computer player.
#include "common/ComputerSeams.h"

#include <cstdint>

#include "game/ComputerPlayer.h"

namespace {

std::vector<int> scripted;
std::size_t nextDraw = 0;
int drawCount = 0;
int pauseCount = 0;
int pauseLength = 0;
std::uint32_t state = 12345;
std::function<void(int)> pauseHook;

int scriptedRandom() {
    ++drawCount;
    if (nextDraw < scripted.size()) return scripted[nextDraw++];
    state = state * 1103515245u + 12345u;
    return static_cast<int>((state >> 16) & 0x7FFF);
}

void countingPause(int n) {
    ++pauseCount;
    pauseLength = n;
    if (pauseHook) pauseHook(n);
}

}  // namespace

ScriptedComputer::ScriptedComputer(std::vector<int> draws) {
    scripted = std::move(draws);
    nextDraw = 0;
    drawCount = 0;
    pauseCount = 0;
    pauseLength = 0;
    state = 12345;
    pauseHook = nullptr;
    setRandomSource(scriptedRandom);
    setPauseFunction(countingPause);
}

ScriptedComputer::~ScriptedComputer() {
    setRandomSource(nullptr);
    setPauseFunction(nullptr);
    pauseHook = nullptr;
}

int ScriptedComputer::drawsTaken() const { return drawCount; }
int ScriptedComputer::pauses() const { return pauseCount; }
int ScriptedComputer::lastPause() const { return pauseLength; }
void ScriptedComputer::onPause(std::function<void(int)> hook) { pauseHook = std::move(hook); }
