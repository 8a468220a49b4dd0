// Test controls for the computer player: scripted random draws and no pause.
#pragma once

#include <functional>
#include <vector>

// While alive, the computer's draws come from `draws` in order, then from a
// fixed simple generator; the pause is skipped.
class ScriptedComputer {
public:
    explicit ScriptedComputer(std::vector<int> draws = {});
    ~ScriptedComputer();
    ScriptedComputer(const ScriptedComputer&) = delete;
    ScriptedComputer& operator=(const ScriptedComputer&) = delete;

    // How many draws the computer has taken so far.
    int drawsTaken() const;
    // How many pauses it has asked for, and the last pause length.
    int pauses() const;
    int lastPause() const;
    // Calls `hook` at every pause, with its length: what was drawn and drawn
    // by then shows where the pause stands in the move.
    void onPause(std::function<void(int)> hook);
};
