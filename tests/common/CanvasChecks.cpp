// CanvasChecks: the pixel rules of fill, lines, discs, triangles, text, the
// background snapshot and pictures, checked on whichever device instantiates them.
#include "tests/common/CanvasChecks.h"

#include <string>
#include <tuple>

#include "common/WorkingDirectory.h"
#include "draw/raster/BmpEncoder.h"

namespace {

constexpr Colour kBackdrop = makeColour(30, 60, 90);
constexpr Colour kInk = makeColour(200, 40, 10);

std::string hex(Colour colour) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%06X", static_cast<unsigned>(colour));
    return text;
}

::testing::AssertionResult shows(CanvasProbe& probe, int x, int y, Colour expected) {
    const Colour actual = probe.pixel(x, y);
    if (actual == expected) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << "pixel (" << x << ", " << y << ") is " << hex(actual)
                                         << ", expected " << hex(expected);
}

}  // namespace

TEST_P(CanvasChecks, FillCoversExactlyTheCanvas) {
    auto p = probe(60, 40);
    Canvas& canvas = p->canvas();
    canvas.fill(kInk);
    for (auto [x, y] : {std::pair{0, 0}, {59, 0}, {0, 39}, {59, 39}, {30, 20}}) {
        EXPECT_TRUE(shows(*p, x, y, kInk));
    }
    for (auto [x, y] : {std::pair{60, 0}, {60, 39}, {0, 40}, {59, 40}, {60, 40}}) {
        EXPECT_TRUE(shows(*p, x, y, kBlack));
    }
    canvas.fill(kBackdrop);
    EXPECT_TRUE(shows(*p, 59, 39, kBackdrop));
}

TEST_P(CanvasChecks, LinesLeaveOutTheirEndPoint) {
    auto p = probe(60, 40);
    Canvas& canvas = p->canvas();
    canvas.drawLine(10, 10, 10, 20, kInk);
    for (int y = 10; y < 20; ++y) {
        EXPECT_TRUE(shows(*p, 10, y, kInk));
    }
    EXPECT_TRUE(shows(*p, 10, 20, kBlack));
    EXPECT_TRUE(shows(*p, 10, 9, kBlack));
    EXPECT_TRUE(shows(*p, 11, 15, kBlack));

    // Right to left: the first point is drawn, the last one is not.
    canvas.drawLine(40, 30, 20, 30, kInk);
    for (int x = 21; x <= 40; ++x) {
        EXPECT_TRUE(shows(*p, x, 30, kInk));
    }
    EXPECT_TRUE(shows(*p, 20, 30, kBlack));
    EXPECT_TRUE(shows(*p, 41, 30, kBlack));

    canvas.drawLine(30, 2, 36, 8, kInk);
    for (int i = 0; i < 6; ++i) {
        EXPECT_TRUE(shows(*p, 30 + i, 2 + i, kInk));
    }
    EXPECT_TRUE(shows(*p, 36, 8, kBlack));
    EXPECT_TRUE(shows(*p, 31, 2, kBlack));

    canvas.drawLine(5, 5, 5, 5, kInk);
    EXPECT_TRUE(shows(*p, 5, 5, kBlack));
}

TEST_P(CanvasChecks, DiscsCoverTheirBoxInsideABlackRing) {
    auto p = probe(200, 200);
    Canvas& canvas = p->canvas();
    canvas.fill(kBackdrop);

    // Diameter 10: r = 5, x and y from 95 to 104.
    canvas.drawDisc(100, 100, 10, kInk);
    for (auto [x, y] : {std::pair{95, 100}, {104, 100}, {100, 95}, {100, 104}}) {
        EXPECT_TRUE(shows(*p, x, y, kBlack));
    }
    for (auto [x, y] : {std::pair{100, 100}, {96, 100}, {103, 100}, {100, 96}, {100, 103}}) {
        EXPECT_TRUE(shows(*p, x, y, kInk));
    }
    for (auto [x, y] : {std::pair{94, 100}, {105, 100}, {100, 94}, {100, 105}, {95, 95}, {104, 104}}) {
        EXPECT_TRUE(shows(*p, x, y, kBackdrop));
    }

    // An odd diameter loses a pixel: 9 gives r = 4, from 46 to 53.
    canvas.drawDisc(50, 50, 9, kInk);
    for (auto [x, y] : {std::pair{46, 50}, {53, 50}, {50, 46}, {50, 53}}) {
        EXPECT_TRUE(shows(*p, x, y, kBlack));
    }
    EXPECT_TRUE(shows(*p, 50, 50, kInk));
    for (auto [x, y] : {std::pair{45, 50}, {54, 50}, {50, 45}, {50, 54}}) {
        EXPECT_TRUE(shows(*p, x, y, kBackdrop));
    }

    // The ring is black whatever the colour, white included.
    canvas.drawDisc(150, 150, 12, kWhite);
    EXPECT_TRUE(shows(*p, 144, 150, kBlack));
    EXPECT_TRUE(shows(*p, 155, 150, kBlack));
    EXPECT_TRUE(shows(*p, 150, 150, kWhite));
}

TEST_P(CanvasChecks, TrianglesAreFilledInsideABlackOutline) {
    auto p = probe(60, 60);
    Canvas& canvas = p->canvas();
    canvas.fill(kBackdrop);

    canvas.fillTriangle(10, 10, 10, 20, 20, 10, kWhite);
    for (auto [x, y] : {std::pair{10, 10}, {10, 20}, {20, 10}, {15, 10}, {10, 15}, {15, 15}, {11, 19}}) {
        EXPECT_TRUE(shows(*p, x, y, kBlack));
    }
    for (auto [x, y] : {std::pair{11, 11}, {14, 14}, {18, 11}, {11, 18}}) {
        EXPECT_TRUE(shows(*p, x, y, kWhite));
    }
    for (auto [x, y] : {std::pair{21, 10}, {10, 21}, {16, 16}, {9, 10}, {10, 9}}) {
        EXPECT_TRUE(shows(*p, x, y, kBackdrop));
    }

    // Two halves of a square in one colour keep a black diagonal between them.
    canvas.fillTriangle(30, 25, 50, 25, 50, 45, kInk);
    canvas.fillTriangle(30, 25, 30, 45, 50, 45, kInk);
    for (int i = 1; i <= 20; ++i) {
        EXPECT_TRUE(shows(*p, 30 + i, 25 + i, kBlack));
    }
    EXPECT_TRUE(shows(*p, 40, 30, kInk));
    EXPECT_TRUE(shows(*p, 35, 40, kInk));
    EXPECT_TRUE(shows(*p, 51, 35, kBackdrop));
}

TEST_P(CanvasChecks, ShapesPartlyOffTheCanvasAreClipped) {
    auto p = probe(40, 30);
    Canvas& canvas = p->canvas();
    canvas.fill(kBackdrop);

    canvas.drawLine(-1000000, 5, 20, 5, kInk);
    EXPECT_TRUE(shows(*p, 0, 5, kInk));
    EXPECT_TRUE(shows(*p, 19, 5, kInk));
    EXPECT_TRUE(shows(*p, 20, 5, kBackdrop));

    canvas.drawDisc(0, 20, 10, kInk);
    EXPECT_TRUE(shows(*p, 0, 20, kInk));
    EXPECT_TRUE(shows(*p, 4, 20, kBlack));
    EXPECT_TRUE(shows(*p, 5, 20, kBackdrop));

    // Cut by the right edge; nothing wraps round to the left edge.
    canvas.drawDisc(39, 10, 10, kInk);
    EXPECT_TRUE(shows(*p, 39, 10, kInk));
    EXPECT_TRUE(shows(*p, 35, 10, kInk));
    EXPECT_TRUE(shows(*p, 34, 10, kBlack));
    for (int y = 6; y < 15; ++y) {
        EXPECT_TRUE(shows(*p, 0, y, kBackdrop));
    }

    // Its diagonal runs through x + y = 50.
    canvas.fillTriangle(-10, -10, 60, -10, -10, 60, kWhite);
    EXPECT_TRUE(shows(*p, 1, 1, kWhite));
    EXPECT_TRUE(shows(*p, 24, 25, kWhite));
    EXPECT_TRUE(shows(*p, 25, 25, kBlack));
    EXPECT_TRUE(shows(*p, 39, 29, kBackdrop));
}

TEST_P(CanvasChecks, TextIsDrawnOnATransparentBackground) {
    auto p = probe(120, 50);
    Canvas& canvas = p->canvas();
    canvas.fill(kBackdrop);
    canvas.drawText("HH", 10, 10, kInk);

    const int cellWidth = p->averageCharWidth();
    int inked = 0;
    int bare = 0;
    for (int y = 10; y < 30; ++y) {
        for (int x = 10; x < 10 + 2 * cellWidth; ++x) {
            const Colour colour = p->pixel(x, y);
            inked += colour == kInk ? 1 : 0;
            bare += colour == kBackdrop ? 1 : 0;
            // An opaque background would be painted in the default white.
            EXPECT_NE(colour, kWhite) << "at (" << x << ", " << y << ")";
        }
    }
    EXPECT_GT(inked, 10);
    EXPECT_GT(bare, 20);
    // Nothing above or left of the text's corner changes.
    for (int x = 0; x < 120; ++x) {
        EXPECT_TRUE(shows(*p, x, 9, kBackdrop));
    }
    for (int y = 0; y < 50; ++y) {
        EXPECT_TRUE(shows(*p, 9, y, kBackdrop));
    }
}

TEST_P(CanvasChecks, CentredTextStartsWhereTheAverageWidthPutsIt) {
    auto p = probe(500, 60);
    p->canvas().drawCentredText("Level 1", 20, kInk);
    const int cellWidth = p->averageCharWidth();
    const int start = centredTextX(500, 7, cellWidth);

    int left = 500;
    int right = -1;
    int top = 60;
    for (int y = 0; y < 60; ++y) {
        for (int x = 0; x < 500; ++x) {
            if (p->pixel(x, y) != kBlack) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
            }
        }
    }
    ASSERT_GE(right, 0) << "no text drawn";
    // Glyphs keep a little space at the left of their cell, and real glyphs may
    // be a little wider or narrower than the average.
    EXPECT_GE(left, start);
    EXPECT_LE(left, start + 3);
    EXPECT_LT(right, start + 8 * cellWidth);
    EXPECT_GT(right, start + 5 * cellWidth);
    EXPECT_GE(top, 20);
}

TEST_P(CanvasChecks, RestoreCopiesTheLatestSnapshotInPlace) {
    auto p = probe(60, 50);
    Canvas& canvas = p->canvas();
    canvas.fill(kBackdrop);
    canvas.captureBackground();
    canvas.fill(kWhite);
    canvas.drawLine(0, 25, 60, 25, kInk);
    canvas.captureBackground();
    canvas.fill(kBlack);

    // A 25 x 15 block with its top-left pixel at (10, 20), from the second capture.
    canvas.restoreRect(10, 20, 35, 35);
    for (auto [x, y] : {std::pair{10, 20}, {34, 20}, {10, 34}, {34, 34}}) {
        EXPECT_TRUE(shows(*p, x, y, kWhite));
    }
    EXPECT_TRUE(shows(*p, 10, 25, kInk));
    EXPECT_TRUE(shows(*p, 34, 25, kInk));
    for (auto [x, y] : {std::pair{9, 20}, {35, 20}, {10, 19}, {10, 35}, {34, 35}, {35, 34}, {9, 25}, {35, 25}}) {
        EXPECT_TRUE(shows(*p, x, y, kBlack));
    }

    // A rectangle reaching past the edges restores the part on the canvas.
    canvas.fill(kBlack);
    canvas.restoreRect(-10, -10, 70, 60);
    EXPECT_TRUE(shows(*p, 0, 0, kWhite));
    EXPECT_TRUE(shows(*p, 59, 49, kWhite));
    EXPECT_TRUE(shows(*p, 59, 25, kInk));

    // Given right to left and bottom to top, it covers what a blit with negative
    // extents covers: from (11, 21) up to (35, 35), inclusive.
    canvas.fill(kBlack);
    canvas.restoreRect(35, 35, 10, 20);
    EXPECT_TRUE(shows(*p, 11, 21, kWhite));
    EXPECT_TRUE(shows(*p, 35, 35, kWhite));
    EXPECT_TRUE(shows(*p, 10, 25, kBlack));
    EXPECT_TRUE(shows(*p, 36, 25, kBlack));
    EXPECT_TRUE(shows(*p, 20, 20, kBlack));
    EXPECT_TRUE(shows(*p, 20, 36, kBlack));
}

TEST_P(CanvasChecks, RestoreWithoutASnapshotChangesNothing) {
    auto p = probe(40, 30);
    Canvas& canvas = p->canvas();
    canvas.fill(kInk);
    canvas.restoreRect(0, 0, 40, 30);
    EXPECT_TRUE(shows(*p, 0, 0, kInk));
    EXPECT_TRUE(shows(*p, 20, 15, kInk));
    EXPECT_TRUE(shows(*p, 39, 29, kInk));
}

TEST_P(CanvasChecks, AnEmptyCanvasShowsNothing) {
    auto p = probe(0, 0);
    Canvas& canvas = p->canvas();
    canvas.fill(kInk);
    canvas.drawLine(0, 0, 10, 10, kInk);
    canvas.drawDisc(5, 5, 10, kInk);
    canvas.fillTriangle(0, 0, 10, 0, 0, 10, kInk);
    canvas.drawText("Level 1", 0, 0, kInk);
    canvas.drawCentredText("Level 1", 0, kInk);
    canvas.captureBackground();
    canvas.restoreRect(0, 0, 10, 10);
    for (auto [x, y] : {std::pair{0, 0}, {1, 1}, {5, 5}, {2, 8}}) {
        EXPECT_TRUE(shows(*p, x, y, kBlack));
    }
}

TEST_P(CanvasChecks, PicturesStretchCornerToCorner) {
    ScopedWorkingDirectory dir("stretch");
    const Colour a = makeColour(255, 0, 0), b = makeColour(0, 255, 0), c = makeColour(0, 0, 255),
                 d = makeColour(255, 255, 0);
    ASSERT_TRUE(writeBmp24File("quarters.bmp", 2, 2, {a, b, c, d}));
    auto p = probe(10, 6);
    auto quarters = p->canvas().loadPicture("quarters.bmp");
    ASSERT_NE(quarters, nullptr);
    EXPECT_EQ(quarters->pictureWidth(), 2);
    EXPECT_EQ(quarters->pictureHeight(), 2);
    p->canvas().drawPicture(*quarters);
    for (auto [x, y, colour] : {std::tuple{0, 0, a}, {4, 2, a}, {5, 0, b}, {9, 2, b},
                                {0, 3, c}, {4, 5, c}, {5, 3, d}, {9, 5, d}, {10, 2, kBlack}, {4, 6, kBlack}}) {
        EXPECT_TRUE(shows(*p, x, y, colour));
    }
}
