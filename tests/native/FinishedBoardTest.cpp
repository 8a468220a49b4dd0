// A finished round on the raster device: its triangles tile the board.
#include <algorithm>
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "common/GameHelpers.h"
#include "common/WorkingDirectory.h"
#include "draw/Grid.h"
#include "draw/raster/RasterCanvas.h"
#include "game/Game.h"

namespace {

constexpr Colour kBackdrop = 0x123456;

TEST(FinishedBoard, TrianglesCoverTheSquareBetweenTheOuterCellCentres) {
    ScopedWorkingDirectory dir("finished");
    // A one-pixel picture of a colour that nothing else draws.
    const unsigned char bmp[] = {'B', 'M', 58, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0, 40, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0,
                                 1, 0, 24, 0, 0, 0, 0, 0, 4, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                 0x12, 0x34, 0x56, 0};  // blue, green, red
    std::FILE* file = std::fopen("terre.bmp", "wb");
    ASSERT_NE(file, nullptr);
    std::fwrite(bmp, 1, sizeof bmp, file);
    std::fclose(file);

    std::mt19937 random(4);
    for (int size = 6; size <= 20; size += 2) {
        RasterCanvas canvas(492, 454);
        Game game(&canvas, size, size, size <= 8 ? 25 : 16, 1, HumanVsHuman);
        const Grid& g = *game.grid;
        ASSERT_EQ(canvas.pixel(g.left + 3, g.top + 3), kBackdrop);
        std::vector<int> order(static_cast<std::size_t>(size * size));
        for (std::size_t k = 0; k < order.size(); ++k) order[k] = static_cast<int>(k);
        std::shuffle(order.begin(), order.end(), random);
        for (int cell : order) clickCell(game, cell % size, cell / size);
        ASSERT_EQ(game.trianglesMade, game.trianglesTotal);
        int bare = 0;
        for (int y = g.centreY(0); y <= g.centreY(size - 1); ++y) {
            for (int x = g.centreX(0); x <= g.centreX(size - 1); ++x) bare += canvas.pixel(x, y) == kBackdrop;
        }
        EXPECT_EQ(bare, 0) << "board " << size;
    }
}

}  // namespace
