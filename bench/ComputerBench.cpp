// Benchmarks of the computer player: its choice of cell and its thinking pause.
#include <random>

#include <benchmark/benchmark.h>

#include "draw/raster/RasterCanvas.h"
#include "game/ComputerPlayer.h"
#include "game/Game.h"

namespace {

// The worst case: no pattern matches, so every scan of level 4 runs to its end.
void BM_FindPatternCellNoMatch20x20(benchmark::State& state) {
    RasterCanvas canvas(492, 454);
    Game game(&canvas, 20, 20, 16, 4, HumanVsHuman);
    for (auto _ : state) benchmark::DoNotOptimize(game.findPatternCell(3, 4));
}
BENCHMARK(BM_FindPatternCellNoMatch20x20);

// Random boards a third full, as in the middle of a round.
void BM_FindPatternCellMidGame20x20(benchmark::State& state) {
    RasterCanvas canvas(492, 454);
    Game game(&canvas, 20, 20, 16, static_cast<int>(state.range(0)), HumanVsHuman);
    std::mt19937 random(1);
    std::vector<std::vector<int>> boards(64, std::vector<int>(400));
    for (auto& board : boards) {
        for (int& cell : board) cell = random() % 3 == 0;
    }
    std::size_t next = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const auto& board = boards[next++ % boards.size()];
        for (int k = 0; k < 400; ++k) game.cells[k / 20][k % 20] = board[static_cast<std::size_t>(k)];
        state.ResumeTiming();
        benchmark::DoNotOptimize(game.findPatternCell(0, 0));
    }
}
BENCHMARK(BM_FindPatternCellMidGame20x20)->Arg(1)->Arg(4);

void BM_ThinkingPause100(benchmark::State& state) {
    for (auto _ : state) thinkingPause(100);
}
BENCHMARK(BM_ThinkingPause100)->Unit(benchmark::kMillisecond);

}  // namespace
