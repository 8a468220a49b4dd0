// Benchmarks of whole rounds and round starts on the raster device.
#include <filesystem>

#include <benchmark/benchmark.h>

#include "draw/raster/RasterCanvas.h"
#include "game/ComputerPlayer.h"
#include "game/Game.h"

namespace {

void noPause(int) {}

// The game reads its backdrops from the working directory.
void useTheBackdrops() { std::filesystem::current_path(VANTOR_ASSETS); }

// A whole Computer <> Computer round on 20 x 20: 400 moves, each drawn and
// scored. With the pause (the shipped behaviour) and without it, so the two
// figures show what the game costs beside the pauses.
void BM_ComputerRound20x20(benchmark::State& state) {
    const bool withPause = state.range(0) != 0;
    setPauseFunction(withPause ? nullptr : noPause);
    useTheBackdrops();
    RasterCanvas canvas(492, 454);
    for (auto _ : state) {
        Game game(&canvas, 20, 20, 16, 4, ComputerVsComputer);
        benchmark::DoNotOptimize(game.trianglesMade);
    }
    setPauseFunction(nullptr);
}
BENCHMARK(BM_ComputerRound20x20)->ArgName("pause")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// A round start: backdrop read and stretched, snapshot, grid lines, panel.
void BM_RoundStart(benchmark::State& state) {
    useTheBackdrops();
    RasterCanvas canvas(492, 454);
    Game game(&canvas, 20, 20, 16, 1, HumanVsComputer);
    for (auto _ : state) game.newRound();
}
BENCHMARK(BM_RoundStart)->Unit(benchmark::kMicrosecond);

}  // namespace
