// vantor_round_time: times the computer on the real main window under Wine or
// Windows, for the figures. A window of the program's own class and size is
// made; then the thinking pause alone, and a 20 x 20 Computer <> Computer round
// (played by the new game that the dialogs' OK makes) drawn through the GDI
// device, with the real pause and with none. Prints the medians; not a test.
//
//   vantor_round_time [--rounds N] [--pauses N]   (in the folder of the backdrops)
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "app/Shell.h"
#include "commands/Commands.h"
#include "game/ComputerPlayer.h"
#include "game/Game.h"
#include "settings/Settings.h"

namespace {

using Clock = std::chrono::steady_clock;

double millisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

void printList(const std::vector<double>& values) {
    for (std::size_t i = 0; i < values.size(); ++i) std::printf("%s%.1f", i ? ", " : "", values[i]);
}

// The time spent in the real pause during a round, and how many pauses there were.
double pausedMilliseconds = 0;
int pauses = 0;

void timedPause(int n) {
    const Clock::time_point start = Clock::now();
    thinkingPause(n);
    pausedMilliseconds += millisecondsSince(start);
    ++pauses;
}

void noPause(int) {}

// Serves the messages waiting for this thread: the first WM_SIZE makes the
// canvas and the game, and WM_PAINT draws its first round.
void pumpMessages() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

// The settings that Size "20 x 20" and Type "Computer <> Computer" leave, set
// through the dialogs' own pending values, as their OK buttons set them.
bool chooseComputerRound20x20() {
    SizeDialogState size;
    size.open(settings);
    TypeDialogState type;
    type.open(settings);
    bool sizeFound = false;
    bool typeFound = false;
    for (const SizeChoice& choice : kSizeTable) {
        if (choice.boardSize == 20) sizeFound = size.click(choice.radioId);
    }
    for (const TypeChoice& choice : kTypeTable) {
        if (choice.playType == ComputerVsComputer) typeFound = type.click(choice.radioId, settings);
    }
    size.ok(settings);
    type.ok(settings);
    return sizeFound && typeFound;
}

// One round: the new game made from the settings plays it in its constructor.
// GdiFlush sends what GDI still holds to the screen before the clock stops.
// False when no whole round was played.
bool playRound(double& milliseconds) {
    const Clock::time_point start = Clock::now();
    replaceGameFromSettings();
    GdiFlush();
    milliseconds = millisecondsSince(start);
    return currentGame && currentGame->rows == 20 && currentGame->trianglesMade == currentGame->trianglesTotal;
}

}  // namespace

int main(int argc, char** argv) {
    int rounds = 3;
    int pauseRuns = 200;
    for (int i = 1; i + 1 < argc; i += 2) {
        const int value = std::atoi(argv[i + 1]);
        if (std::strcmp(argv[i], "--rounds") == 0 && value > 0) {
            rounds = value;
        } else if (std::strcmp(argv[i], "--pauses") == 0 && value > 0) {
            pauseRuns = value;
        } else {
            std::fprintf(stderr, "usage: vantor_round_time [--rounds N] [--pauses N]\n");
            return 2;
        }
    }

    HINSTANCE instance = GetModuleHandleA(nullptr);
    registerMainWindowClass(instance);
    if (!createMainWindow(instance, SW_SHOWNORMAL)) {
        std::fprintf(stderr, "the main window could not be made\n");
        return 1;
    }
    pumpMessages();
    if (!currentGame || !currentCanvas) {
        std::fprintf(stderr, "the main window made no game\n");
        return 1;
    }
    std::printf("client area %d x %d\n", currentCanvas->width, currentCanvas->height);

    std::vector<double> pauseTimes;
    for (int i = 0; i < pauseRuns; ++i) {
        const Clock::time_point start = Clock::now();
        thinkingPause(100);
        pauseTimes.push_back(millisecondsSince(start));
    }
    std::printf("thinking pause of 100: %.3f ms (median of %d)\n", median(pauseTimes), pauseRuns);

    if (!chooseComputerRound20x20()) {
        std::fprintf(stderr, "the dialogs' tables hold no 20 x 20 or no Computer <> Computer\n");
        return 1;
    }
    std::vector<double> withPauses;
    std::vector<double> inPauses;
    std::vector<double> withoutPauses;
    int pausesPerRound = 0;
    for (int i = 0; i < rounds; ++i) {
        setPauseFunction(timedPause);
        pausedMilliseconds = 0;
        pauses = 0;
        double milliseconds = 0;
        if (!playRound(milliseconds)) {
            std::fprintf(stderr, "the round was not played to its end\n");
            return 1;
        }
        withPauses.push_back(milliseconds);
        inPauses.push_back(pausedMilliseconds);
        pausesPerRound = pauses;

        setPauseFunction(noPause);
        if (!playRound(milliseconds)) {
            std::fprintf(stderr, "the round without pauses was not played to its end\n");
            return 1;
        }
        withoutPauses.push_back(milliseconds);
    }
    setPauseFunction(nullptr);

    std::vector<double> besidePauses;
    for (int i = 0; i < rounds; ++i) besidePauses.push_back(withPauses[i] - inPauses[i]);
    const double total = median(withPauses);
    const double beside = median(besidePauses);
    std::printf("20 x 20 Computer <> Computer round with the pauses: %.1f ms (median of %d: ", total, rounds);
    printList(withPauses);
    std::printf(")\n");
    std::printf("  of which in its %d pauses: %.1f ms (median; ", pausesPerRound, median(inPauses));
    printList(inPauses);
    std::printf(")\n");
    std::printf("  everything but the pauses: %.1f ms, %.1f %% of the round\n", beside, 100.0 * beside / total);
    std::printf("the same round with no pause at all: %.1f ms (median of %d: ", median(withoutPauses), rounds);
    printList(withoutPauses);
    std::printf(")\n");
    std::fflush(stdout);
    return 0;
}
