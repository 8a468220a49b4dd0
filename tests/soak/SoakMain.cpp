// vantor_soak: long play of the real main window under Wine or Windows, with the
// process's memory and GDI objects measured after a warm-up and again at the
// end. Prints the figures and one line per check, then "N passed, M failed";
// exits non-zero when memory grew by 1 % or more or GDI objects grew.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "app/Shell.h"
#include "draw/Backdrop.h"
#include "game/ComputerPlayer.h"
#include "game/Game.h"
#include "soak/ProcessFigures.h"
#include "soak/SoakDriver.h"
#include "win32/Win32TestSupport.h"

namespace {

struct Options {
    long steps = 4000;
    long warmUpSteps = 600;
    double seconds = 90.0;
    unsigned seed = 2024;
    // Deliberate leaks, spread over the run, that the soak must catch: its own
    // check that the measures see a leak at all.
    long leakGdiObjects = 0;
    long leakKilobytes = 0;
};

void usage() {
    std::fprintf(stderr,
                 "usage: vantor_soak [--steps N] [--warm-up N] [--seconds S] [--seed N]\n"
                 "                   [--leak-gdi N] [--leak-kb N]\n"
                 "Runs in the folder that holds the four backdrops.\n");
}

bool parse(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        if (i + 1 >= argc) return false;
        const char* name = argv[i];
        const char* value = argv[++i];
        char* end = nullptr;
        const double number = std::strtod(value, &end);
        if (*end != '\0' || number < 0) return false;
        if (std::strcmp(name, "--steps") == 0) {
            options.steps = static_cast<long>(number);
        } else if (std::strcmp(name, "--warm-up") == 0) {
            options.warmUpSteps = static_cast<long>(number);
        } else if (std::strcmp(name, "--seconds") == 0) {
            options.seconds = number;
        } else if (std::strcmp(name, "--seed") == 0) {
            options.seed = static_cast<unsigned>(number);
        } else if (std::strcmp(name, "--leak-gdi") == 0) {
            options.leakGdiObjects = static_cast<long>(number);
        } else if (std::strcmp(name, "--leak-kb") == 0) {
            options.leakKilobytes = static_cast<long>(number);
        } else {
            return false;
        }
    }
    return true;
}

void noPause(int) {}

// Whether Wine's own allocator was told to give every large block back at once.
bool fixedMallocThreshold() {
    char value[512] = {};
    const DWORD length = GetEnvironmentVariableA("GLIBC_TUNABLES", value, sizeof value);
    return length > 0 && length < sizeof value && std::strstr(value, "mmap_threshold") != nullptr;
}

// The deliberate leaks: objects and touched memory that are never given back.
class Leaker {
public:
    explicit Leaker(const Options& options) : gdiLeft(options.leakGdiObjects), kilobytesLeft(options.leakKilobytes) {}

    // Leaks a share of what is left, so that the whole is leaked by the end.
    void step(long stepsLeft) {
        if (stepsLeft <= 0) stepsLeft = 1;
        for (long n = (gdiLeft + stepsLeft - 1) / stepsLeft; n > 0 && gdiLeft > 0; --n, --gdiLeft) {
            CreateSolidBrush(RGB(1, 2, 3));
        }
        const long kilobytes = std::min(kilobytesLeft, (kilobytesLeft + stepsLeft - 1) / stepsLeft);
        if (kilobytes > 0) {
            kept.emplace_back(static_cast<std::size_t>(kilobytes) * 1024, '\x5A');
            kilobytesLeft -= kilobytes;
        }
    }

private:
    long gdiLeft;
    long kilobytesLeft;
    std::vector<std::vector<char>> kept;
};

double mebibytes(std::size_t bytes) { return static_cast<double>(bytes) / (1024.0 * 1024.0); }

struct Verdict {
    int passed = 0;
    int failed = 0;
    void check(bool ok, const char* what) {
        std::printf("%s  %s\n", ok ? "ok  " : "FAIL", what);
        ++(ok ? passed : failed);
    }
};

}  // namespace

int main(int argc, char** argv) {
    // Unbuffered, so that what was printed survives a crash.
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    Options options;
    if (!parse(argc, argv, options)) {
        usage();
        return 2;
    }
    leaveWindowsUnmanagedUnderWine("vantor_soak.exe");
    registerMainWindowClass(GetModuleHandleA(nullptr));
    // More rounds in the time: the computer does not pause to think.
    setPauseFunction(noPause);

    Verdict verdict;
    MainWindow main;
    if (!main.exists()) {
        verdict.check(false, "the main window was made");
        std::printf("%d passed, %d failed\n", verdict.passed, verdict.failed);
        return 1;
    }

    using Clock = std::chrono::steady_clock;
    {
        SoakDriver warmUp(main.handle(), options.seed + 1);
        for (long i = 0; i < options.warmUpSteps && warmUp.windowAlive(); ++i) warmUp.step();
        warmUp.settle();
    }
    const bool picturesLoaded = currentGame && currentGame->backdrop && currentGame->backdrop->hasPicture();
    // Each time GDI objects are counted first, then memory: counting by probe
    // fills the heap with brushes for a moment, so both memory measures see the
    // heap just after a probe, and what the game leaks shows on top of that.
    ProcessFigures before;
    countGdiObjects(before);
    measureMemory(before);

    SoakDriver driver(main.handle(), options.seed);
    Leaker leaker(options);
    const Clock::time_point start = Clock::now();
    double elapsed = 0.0;
    bool timedOut = false;
    for (long i = 0; i < options.steps && driver.windowAlive(); ++i) {
        elapsed = std::chrono::duration<double>(Clock::now() - start).count();
        if (elapsed > options.seconds) {
            timedOut = true;
            break;
        }
        driver.step();
        leaker.step(options.steps - i);
    }
    elapsed = std::chrono::duration<double>(Clock::now() - start).count();
    const bool alive = driver.windowAlive();
    driver.settle();
    ProcessFigures after;
    countGdiObjects(after);
    measureMemory(after);

    const SoakCounts& c = driver.counts();
    std::printf("soak: %ld steps in %.1f s%s (warm-up %ld steps, seed %u)\n", c.steps, elapsed,
                timedOut ? ", stopped by the time cap" : "", options.warmUpSteps, options.seed);
    std::printf("  round starts %ld: paints %ld, New %ld, Reset %ld, new games on resize %ld,"
                " Computer <> Computer games %ld, settings dialogs' OK %ld\n",
                c.roundStarts(), c.paints, c.newCommands, c.resetCommands, c.sizes, c.computerGames,
                c.settingsDialogs);
    std::printf("  resizes %ld: minimised to 0 x 0 %ld, larger than the screen %ld (largest client %ld x %ld),"
                " huge canvases %ld\n",
                c.sizes, c.minimised, c.largerThanScreen, c.largestWidth, c.largestHeight, c.hugeCanvases);
    std::printf("  clicks %ld (%ld in the board), About boxes %ld\n", c.clicks, c.clicksInBoard, c.aboutBoxes);
    const double privateGrowth = growthPercent(before.privateBytes, after.privateBytes);
    const double workingSetGrowth = growthPercent(before.workingSet, after.workingSet);
    std::printf("memory, private bytes: before %zu (%.2f MiB), after %zu (%.2f MiB), growth %+.2f %%\n",
                before.privateBytes, mebibytes(before.privateBytes), after.privateBytes,
                mebibytes(after.privateBytes), privateGrowth);
    std::printf("memory, working set:   before %zu (%.2f MiB), after %zu (%.2f MiB), growth %+.2f %%\n",
                before.workingSet, mebibytes(before.workingSet), after.workingSet, mebibytes(after.workingSet),
                workingSetGrowth);
    if (runningUnderWine() && !fixedMallocThreshold()) {
        std::printf("note: glibc keeps freed bitmaps in its heap under Wine; run with"
                    " GLIBC_TUNABLES=glibc.malloc.mmap_threshold=131072 (scripts/soak.sh does) for steady memory figures\n");
    }
    std::printf("GDI objects (%s): before %ld, after %ld\n",
                after.gdiFromProbe ? "handle slots in use, probed" : "GetGuiResources", before.gdiObjects,
                after.gdiObjects);

    verdict.check(alive, "the window lived through the run");
    verdict.check(picturesLoaded, "the backdrops were found and loaded (run in the folder that holds them)");
    verdict.check(before.privateBytes > 0 && privateGrowth < 1.0, "private memory grew by less than 1 %");
    verdict.check(before.workingSet > 0 && workingSetGrowth < 1.0, "the working set grew by less than 1 %");
    verdict.check(before.gdiObjects >= 0 && after.gdiObjects >= 0 && after.gdiObjects <= before.gdiObjects,
                  "GDI objects did not grow");
    std::printf("%d passed, %d failed\n", verdict.passed, verdict.failed);
    return verdict.failed == 0 ? 0 : 1;
}
