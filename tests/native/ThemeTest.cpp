// Level themes and backdrops on the raster device: pictures read from the
// working directory, stretched, snapshotted, and the colours of each level.
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "common/WorkingDirectory.h"
#include "draw/Backdrop.h"
#include "draw/Grid.h"
#include "draw/raster/BmpEncoder.h"
#include "draw/raster/RasterCanvas.h"
#include "game/Game.h"

namespace {

constexpr Colour kGrey = 0x808080;

// A 24-bit BMP whose four quadrants have the given colours
// (top-left, top-right, bottom-left, bottom-right).
void writeQuadrants(const std::string& name, int w, int h, const Colour (&quadrant)[4]) {
    std::vector<Colour> pixels;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) pixels.push_back(quadrant[(y >= h / 2 ? 2 : 0) + (x >= w / 2 ? 1 : 0)]);
    }
    writeBmp24File(name, w, h, pixels);
}

void writePlain(const std::string& name, int w, int h, Colour c) {
    const Colour all[4] = {c, c, c, c};
    writeQuadrants(name, w, h, all);
}

TEST(Themes, EachLevelHasItsPictureAndColours) {
    ScopedWorkingDirectory dir("themes");
    const char* files[] = {"terre.bmp", "mars.bmp", "saturne.bmp", "jupiter.bmp"};
    const Colour backdrops[] = {0x101010, 0x202020, 0x303030, 0x404040};
    for (int k = 0; k < 4; ++k) writePlain(files[k], 8, 8, backdrops[k]);
    const Colour expected[4][3] = {{0xC8C800, 0xFF0000, 0xC8C800},
                                   {0xFFFFFF, 0x00FF00, 0xFFFFFF},
                                   {0x00FF00, 0xC8C800, 0x00C8C8},
                                   {0x00FF00, 0xC8C800, 0x00FF00}};
    for (int level = 1; level <= 4; ++level) {
        RasterCanvas canvas(300, 260);
        Game game(&canvas, 6, 6, 20, level, HumanVsHuman);
        const Grid& g = *game.grid;
        EXPECT_EQ(canvas.pixel(g.left, g.top + 5), expected[level - 1][0]) << "level " << level;
        EXPECT_EQ(canvas.pixel(g.left + 5, g.top + 5), backdrops[level - 1]) << "level " << level;
        EXPECT_EQ(game.firstColour, expected[level - 1][1]);
        EXPECT_EQ(game.secondColour, expected[level - 1][2]);
        // The dots take the level's colours.
        game.placeHumanDot(g.centreX(0), g.centreY(0));
        game.placeHumanDot(g.centreX(2), g.centreY(0));
        EXPECT_EQ(canvas.pixel(g.left + 10, g.top + 11), expected[level - 1][1]);
        EXPECT_EQ(canvas.pixel(g.left + 50, g.top + 11), expected[level - 1][2]);
    }
}

TEST(Themes, PicturesOfAnySizeCoverTheCanvasCornerToCorner) {
    ScopedWorkingDirectory dir("stretch");
    const Colour q[4] = {0x0000FF, 0x00FF00, 0xFF0000, 0xFFFF00};
    for (auto [w, h] : {std::pair{2, 2}, std::pair{3, 5}, std::pair{1000, 700}}) {
        writeQuadrants("terre.bmp", w, h, q);
        RasterCanvas canvas(400, 300);
        Game game(&canvas, 6, 6, 20, 1, HumanVsComputer);
        const int W = canvas.width - 1, H = canvas.height - 1;
        EXPECT_EQ(canvas.pixel(30, 40), q[0]) << w << "x" << h;
        EXPECT_EQ(canvas.pixel(W, 40), q[1]) << w << "x" << h;
        EXPECT_EQ(canvas.pixel(30, H), q[2]) << w << "x" << h;
        EXPECT_EQ(canvas.pixel(W, H), q[3]) << w << "x" << h;
        EXPECT_EQ(canvas.pixel(0, 0), q[0]) << w << "x" << h;
    }
}

TEST(Themes, TheSnapshotHoldsTheBarePictureWithoutGridLines) {
    ScopedWorkingDirectory dir("snapshot");
    writePlain("terre.bmp", 4, 4, 0x123456);
    RasterCanvas canvas(300, 260);
    Game game(&canvas, 6, 6, 20, 1, HumanVsComputer);
    const Grid& g = *game.grid;
    ASSERT_EQ(canvas.pixel(g.left, g.top + 5), 0xC8C800u);
    canvas.restoreRect(g.left - 3, g.top - 3, g.left + 30, g.top + 30);
    EXPECT_EQ(canvas.pixel(g.left, g.top + 5), 0x123456u);
}

TEST(Themes, EveryRoundReadsThePictureAgain) {
    ScopedWorkingDirectory dir("reread");
    writePlain("terre.bmp", 4, 4, 0x111111);
    RasterCanvas canvas(300, 260);
    Game game(&canvas, 6, 6, 20, 1, HumanVsComputer);
    EXPECT_EQ(canvas.pixel(5, 100), 0x111111u);
    writePlain("terre.bmp", 4, 4, 0x222222);
    game.newRound();
    EXPECT_EQ(canvas.pixel(5, 100), 0x222222u);
}

TEST(Themes, AMissingOrBrokenPictureLeavesTheCanvasAsItWasAndTheRoundGoesOn) {
    ScopedWorkingDirectory dir("broken");
    const std::vector<std::pair<std::string, std::string>> files = {
        {"missing", ""},
        {"empty", std::string()},
        {"text", "this is not a picture at all"},
        {"truncated", std::string("BM\x36\x00\x10\x00\x00\x00\x00\x00\x36\x00\x00\x00\x28\x00", 16)},
        {"absurd", [] {
             // A whole small file whose header claims about a billion by a billion pixels.
             const std::vector<std::uint8_t> bmp = encodeBmp24(2, 2, std::vector<Colour>(4, kGrey));
             std::string bytes(bmp.begin(), bmp.end());
             bytes[21] = bytes[25] = 0x3B;
             return bytes;
         }()},
    };
    for (const auto& [what, bytes] : files) {
        std::filesystem::remove("terre.bmp");
        if (what != "missing") std::ofstream("terre.bmp", std::ios::binary) << bytes;
        RasterCanvas canvas(300, 260);
        canvas.fill(kGrey);
        Game game(&canvas, 6, 6, 20, 1, HumanVsHuman);
        const Grid& g = *game.grid;
        EXPECT_EQ(canvas.pixel(5, 100), kGrey) << what;
        EXPECT_EQ(canvas.pixel(g.left, g.top + 5), 0xC8C800u) << what;
        game.placeHumanDot(g.centreX(1), g.centreY(1));
        EXPECT_EQ(game.cells[1][1], 1) << what;
        game.newRound();
        EXPECT_EQ(game.cells[1][1], 0) << what;
    }
}

}  // namespace
