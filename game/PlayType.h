// PlayType: who plays the two sides of a match.
#pragma once

enum PlayType : int {
    HumanVsComputer = 1,
    HumanVsHuman = 2,
    ComputerVsComputer = 3,
};
