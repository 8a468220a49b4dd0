// Board geometry: where the board lies on the canvas and which cell a pixel is in.
#include <gtest/gtest.h>

#include "common/RecordingCanvas.h"
#include "draw/Grid.h"

namespace {

TEST(GridGeometry, CentresTheBoardAndRoundsTowardZero) {
    RecordingCanvas canvas(500, 400);
    const Grid g(&canvas, 6, 6, 25);
    EXPECT_EQ(g.width, 151);
    EXPECT_EQ(g.left, 174);
    EXPECT_EQ(g.right, 325);
    EXPECT_EQ(g.top, 124);
    EXPECT_EQ(g.bottom, 275);
    EXPECT_EQ(g.centreX(0), 187);

    RecordingCanvas small(200, 100);
    const Grid big(&small, 20, 20, 16);
    EXPECT_EQ(big.left, -60);   // (200 - 321) / 2 truncates toward zero
    EXPECT_EQ(big.top, -110);   // (100 - 321) / 2
    EXPECT_EQ(big.columnAt(0), (0 + 60) / 16);
    EXPECT_EQ(big.rowAt(0), (0 + 110) / 16);
    EXPECT_EQ(big.columnAt(-60), -1);
}

TEST(GridGeometry, OuterLinesMapToNoCellAndInnerLinesToTheCellAfterThem) {
    RecordingCanvas canvas(500, 400);
    const Grid g(&canvas, 6, 6, 20);
    const int expected[][2] = {{0, -1}, {1, 0}, {19, 0}, {20, 1}, {119, 5}, {120, -1}, {121, -1}, {-1, -1}};
    for (const auto& e : expected) {
        EXPECT_EQ(g.columnAt(g.left + e[0]), e[1]) << "x = left + " << e[0];
        EXPECT_EQ(g.rowAt(g.top + e[0]), e[1]) << "y = top + " << e[0];
    }
    EXPECT_EQ(g.columnAt(g.right), -1);
    EXPECT_EQ(g.rowAt(g.bottom), -1);
}

TEST(GridGeometry, DrawsSevenVerticalThenSevenHorizontalLinesAndDotsOnlyOnTheBoard) {
    RecordingCanvas canvas(500, 400);
    const Grid g(&canvas, 6, 6, 20);
    g.drawLines(0xC8C800);
    const auto lines = canvas.callsOf(DrawCall::Line);
    ASSERT_EQ(lines.size(), 14u);
    for (int k = 0; k < 7; ++k) {
        const DrawCall& v = lines[static_cast<std::size_t>(k)];
        EXPECT_EQ(v.args[0], g.left + 20 * k);
        EXPECT_EQ(v.args[0], v.args[2]);
        EXPECT_EQ(v.args[1], g.top);
        EXPECT_EQ(v.args[3], g.top + 120);
        const DrawCall& h = lines[static_cast<std::size_t>(k + 7)];
        EXPECT_EQ(h.args[1], g.top + 20 * k);
        EXPECT_EQ(h.args[1], h.args[3]);
        EXPECT_EQ(h.args[2], g.left + 120);
    }
    g.drawDot(-1, 2, 50, 0xFF);
    g.drawDot(6, 2, 50, 0xFF);
    EXPECT_TRUE(canvas.callsOf(DrawCall::Disc).empty());
}

TEST(GridGeometry, DotDiametersFollowTheCellSize) {
    const int sizes[][2] = {{16, 8}, {18, 9}, {20, 10}, {25, 13}};
    for (const auto& s : sizes) {
        RecordingCanvas canvas(500, 400);
        const Grid g(&canvas, 6, 6, s[0]);
        g.drawDot(0, 0, 50, 0xFF);
        const DrawCall dot = canvas.callsOf(DrawCall::Disc).at(0);
        EXPECT_EQ(dot.args[2], s[1]);
        EXPECT_EQ(dot.args[0], g.centreX(0) - 1);  // one pixel left of the triangle corner
        EXPECT_EQ(dot.args[1], g.centreY(0));
    }
}

}  // namespace
