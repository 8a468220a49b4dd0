// The GDI device: the shared canvas checks on a real window, and what only the
// GDI device does (pictures loaded with LoadImageA, a canvas without a window).
#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>

#include "common/WorkingDirectory.h"
#include "draw/Grid.h"
#include "draw/raster/BmpEncoder.h"
#include "game/Game.h"
#include "win32/GdiProbe.h"
#include "win32/Win32TestSupport.h"

INSTANTIATE_TEST_SUITE_P(Gdi, CanvasChecks, ::testing::Values(&makeGdiProbe));

namespace {

constexpr Colour kRed = 0x0000FF;
constexpr Colour kGreen = 0x00FF00;
constexpr Colour kBlue = 0xFF0000;
constexpr Colour kYellow = 0x00FFFF;

// A picture of four plain quadrants: red, green on top; blue, yellow below.
std::vector<Colour> quadrants(int width, int height) {
    std::vector<Colour> pixels;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const bool right = x >= width / 2, bottom = y >= height / 2;
            pixels.push_back(bottom ? (right ? kYellow : kBlue) : (right ? kGreen : kRed));
        }
    }
    return pixels;
}

TEST(GdiPictures, MissingOrUnreadableFilesGiveNoPicture) {
    ScopedWorkingDirectory dir("gdi-bad-pictures");
    {
        std::ofstream text("notes.bmp");
        text << "not a picture at all";
    }
    {
        std::ofstream empty("empty.bmp");
    }
    GdiProbe p(20, 20);
    EXPECT_EQ(p.canvas().loadPicture("absent.bmp"), nullptr);
    EXPECT_EQ(p.canvas().loadPicture("notes.bmp"), nullptr);
    EXPECT_EQ(p.canvas().loadPicture("empty.bmp"), nullptr);
    EXPECT_EQ(p.canvas().loadPicture(nullptr), nullptr);
}

TEST(GdiPictures, AGameShowsItsLevelsBackdropUnderTheBoard) {
    ScopedWorkingDirectory dir("gdi-backdrop");
    ASSERT_TRUE(writeBmp24File("terre.bmp", 4, 4, quadrants(4, 4)));
    GdiProbe p(300, 240);
    Game game(&p.canvas(), 6, 6, 20, 1, HumanVsComputer);
    // The picture fills the canvas: corners away from the score panel's items.
    EXPECT_EQ(p.pixel(100, 60), kRed);
    EXPECT_EQ(p.pixel(200, 60), kGreen);
    EXPECT_EQ(p.pixel(100, 180), kBlue);
    EXPECT_EQ(p.pixel(200, 180), kYellow);
    // The board is drawn over it, and the snapshot holds the bare picture.
    const Grid& grid = *game.grid;
    EXPECT_EQ(p.pixel(grid.left, grid.top + 5), 0xC8C800u);
    p.canvas().restoreRect(grid.left - 2, grid.top + 2, grid.left + 3, grid.top + 8);
    EXPECT_EQ(p.pixel(grid.left, grid.top + 5), kRed);
}

TEST(GdiCanvas, ZeroSizeShowsNothingAndKeepsAnEmptySnapshot) {
    GdiProbe p(30, 30);
    p.canvas().fill(kWhite);
    GdiCanvas empty(p.window(), 0, 0);
    empty.fill(kRed);
    EXPECT_FALSE(empty.hasSnapshot());
    empty.restoreRect(0, 0, 10, 10);  // no snapshot yet: nothing happens
    empty.captureBackground();
    empty.restoreRect(0, 0, 10, 10);
    ScopedWorkingDirectory dir("gdi-zero");
    ASSERT_TRUE(writeBmp24File("p.bmp", 2, 2, quadrants(2, 2)));
    std::unique_ptr<Picture> picture = empty.loadPicture("p.bmp");
    ASSERT_NE(picture, nullptr);
    empty.drawPicture(*picture);
    for (int i = 0; i < 30; i += 3) {
        EXPECT_EQ(p.pixel(i, i), kWhite) << i;
        EXPECT_EQ(p.pixel(0, i), kWhite) << i;
    }
}

TEST(GdiCanvas, WithoutAWindowItDrawsNowhere) {
    HDC screen = GetDC(nullptr);
    const COLORREF before = GetPixel(screen, 1000, 740);
    GdiCanvas orphan(nullptr, 1024, 768);
    orphan.fill(before == kWhite ? kRed : kWhite);
    orphan.drawLine(0, 740, 1024, 740, before == kWhite ? kRed : kWhite);
    orphan.captureBackground();
    EXPECT_FALSE(orphan.hasSnapshot());
    EXPECT_EQ(GetPixel(screen, 1000, 740), before);
    ReleaseDC(nullptr, screen);
}

}  // namespace
