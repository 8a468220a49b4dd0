// Pixel checks of the board grid, run on every canvas device.
#include "common/CanvasChecks.h"
#include "draw/Grid.h"

namespace {

constexpr Colour kLine = 0xC8C800;
constexpr Colour kDot = 0x00FF00;

TEST_P(CanvasChecks, GridLinesLeaveOutTheBottomRightCornerPixel) {
    auto p = probe(200, 180);
    const Grid g(&p->canvas(), 6, 6, 20);
    g.drawLines(kLine);
    for (int k = 0; k <= 6; ++k) {
        EXPECT_EQ(p->pixel(g.left + 20 * k, g.top + 7), kLine) << "vertical line " << k;
        EXPECT_EQ(p->pixel(g.left + 7, g.top + 20 * k), kLine) << "horizontal line " << k;
    }
    EXPECT_EQ(p->pixel(g.right - 1, g.bottom - 2), kLine);
    EXPECT_EQ(p->pixel(g.right - 2, g.bottom - 1), kLine);
    EXPECT_EQ(p->pixel(g.right - 1, g.bottom - 1), kBlack);
    EXPECT_EQ(p->pixel(g.left + 10, g.top + 10), kBlack);
    EXPECT_EQ(p->pixel(g.right, g.top + 7), kBlack);
    EXPECT_EQ(p->pixel(g.left - 1, g.top + 7), kBlack);
}

TEST_P(CanvasChecks, GridDotsCoverTheirCellsMiddleAndOffBoardColumnsDrawNothing) {
    auto p = probe(200, 180);
    const Grid g(&p->canvas(), 6, 6, 20);
    g.drawDot(-1, 2, 50, kDot);
    g.drawDot(6, 2, 50, kDot);
    for (int y = 0; y < 180; y += 3) {
        for (int x = 0; x < 200; x += 3) ASSERT_EQ(p->pixel(x, y), kBlack) << x << "," << y;
    }
    g.drawDot(2, 3, 50, kDot);
    const int x0 = g.left + 40, y0 = g.top + 60;
    EXPECT_EQ(p->pixel(x0 + 10, y0 + 11), kDot);  // inside
    EXPECT_EQ(p->pixel(x0 + 5, y0 + 11), kBlack);  // outline, left
    EXPECT_EQ(p->pixel(x0 + 14, y0 + 11), kBlack); // outline, right
    EXPECT_EQ(p->pixel(x0 + 10, y0 + 6), kBlack);  // outline, top
    EXPECT_EQ(p->pixel(x0 + 10, y0 + 15), kBlack); // outline, bottom
    // Just outside the dot, over a white cell, nothing changed.
    auto q = probe(200, 180);
    q->canvas().fill(kWhite);
    const Grid h(&q->canvas(), 6, 6, 20);
    h.drawDot(2, 3, 50, kDot);
    EXPECT_EQ(q->pixel(x0 + 4, y0 + 11), kWhite);
    EXPECT_EQ(q->pixel(x0 + 15, y0 + 11), kWhite);
    EXPECT_EQ(q->pixel(x0 + 10, y0 + 5), kWhite);
    EXPECT_EQ(q->pixel(x0 + 10, y0 + 16), kWhite);
    EXPECT_EQ(q->pixel(x0 + 5, y0 + 11), kBlack);
}

TEST_P(CanvasChecks, GridLargerThanItsCanvasIsClippedAndMapsAsBefore) {
    auto p = probe(200, 100);
    const Grid g(&p->canvas(), 20, 20, 16);
    ASSERT_EQ(g.left, -60);
    ASSERT_EQ(g.top, -110);
    g.drawLines(kLine);
    g.drawDot(0, 0, 50, kDot);  // the top-left cell lies wholly off the canvas
    EXPECT_EQ(p->pixel(4, 50), kLine);   // vertical line 4 at x = -60 + 64
    EXPECT_EQ(p->pixel(50, 2), kLine);   // horizontal line 7 at y = -110 + 112
    EXPECT_EQ(p->pixel(5, 60), kBlack);
    EXPECT_EQ(g.columnAt(5), 4);
    EXPECT_EQ(g.rowAt(3), 7);
}

TEST_P(CanvasChecks, GridTrianglesJoinTheCellCorners) {
    auto p = probe(200, 180);
    p->canvas().fill(kLine);  // so that the black outline shows
    const Grid g(&p->canvas(), 6, 6, 20);
    g.fillTriangle(0, 0, 1, 0, 1, 1, kWhite);
    EXPECT_EQ(p->pixel(g.centreX(0), g.centreY(0)), kBlack);
    EXPECT_EQ(p->pixel(g.centreX(1), g.centreY(0)), kBlack);
    EXPECT_EQ(p->pixel(g.centreX(1), g.centreY(1)), kBlack);
    EXPECT_EQ(p->pixel(g.centreX(1) - 4, g.centreY(0) + 2), kWhite);
    // Nothing beyond the corners, and the block's other half stays empty.
    EXPECT_EQ(p->pixel(g.centreX(0) - 1, g.centreY(0)), kLine);
    EXPECT_EQ(p->pixel(g.centreX(1) + 1, g.centreY(1)), kLine);
    EXPECT_EQ(p->pixel(g.centreX(1), g.centreY(1) + 1), kLine);
    EXPECT_EQ(p->pixel(g.centreX(0) + 2, g.centreY(1) - 2), kLine);
}

}  // namespace
