// RasterCanvasTest: the shared canvas checks on the raster device, plus what only
// the raster device can be asked: GDI's exact shapes, clipping at extreme
// coordinates, how pictures shrink, pictures of other devices and the BMP round
// trip.
#include <algorithm>
#include <climits>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "draw/raster/BmpDecoder.h"
#include "draw/raster/BmpEncoder.h"
#include "draw/raster/Framebuffer.h"
#include "draw/raster/RasterCanvas.h"
#include "draw/raster/RasterFont.h"
#include "draw/raster/RasterShapes.h"
#include "tests/common/CanvasChecks.h"

namespace {

class RasterProbe : public CanvasProbe {
public:
    RasterProbe(int width, int height) : raster(width, height) { raster.fill(kBlack); }
    Canvas& canvas() override { return raster; }
    Colour pixel(int x, int y) override { return raster.pixel(x, y); }
    int averageCharWidth() override { return raster.averageCharWidth(); }

private:
    RasterCanvas raster;
};

std::unique_ptr<CanvasProbe> makeRasterProbe(int width, int height) {
    return std::make_unique<RasterProbe>(width, height);
}

constexpr Colour kBackdrop = makeColour(30, 60, 90);
constexpr Colour kInk = makeColour(200, 40, 10);

Colour colourAt(const RasterCanvas& canvas, int x, int y) { return canvas.pixel(x, y); }
Colour colourAt(const Framebuffer& framebuffer, int x, int y) { return framebuffer.at(x, y); }

// The pixels from (left, top) as text: '#' untouched backdrop, '.' black, 'o' ink,
// '?' anything else.
template <typename Surface>
std::vector<std::string> picture(const Surface& surface, int left, int top, int width, int height) {
    std::vector<std::string> rows;
    for (int y = top; y < top + height; ++y) {
        std::string row;
        for (int x = left; x < left + width; ++x) {
            const Colour colour = colourAt(surface, x, y);
            row += colour == kBackdrop ? '#' : colour == kBlack ? '.' : colour == kInk ? 'o' : '?';
        }
        rows.push_back(row);
    }
    return rows;
}

// A temporary file removed when the test ends.
struct TempFile {
    std::string path;
    explicit TempFile(const std::string& name)
        : path((std::filesystem::temp_directory_path() / ("vantor-raster-" + name)).string()) {}
    ~TempFile() { std::remove(path.c_str()); }
};

}  // namespace

INSTANTIATE_TEST_SUITE_P(Raster, CanvasChecks, ::testing::Values(&makeRasterProbe));

// Shapes as a window's GDI draws them, recorded from GDI and compared pixel for pixel.
TEST(RasterCanvasShapes, MatchWhatGdiDraws) {
    RasterCanvas canvas(120, 60);
    canvas.fill(kBackdrop);
    canvas.drawDisc(11, 11, 12, kInk);
    EXPECT_EQ(picture(canvas, 4, 4, 14, 14), (std::vector<std::string>{
                                                  "##############",
                                                  "#####....#####",
                                                  "###..oooo..###",
                                                  "##.oooooooo.##",
                                                  "##.oooooooo.##",
                                                  "#.oooooooooo.#",
                                                  "#.oooooooooo.#",
                                                  "#.oooooooooo.#",
                                                  "#.oooooooooo.#",
                                                  "##.oooooooo.##",
                                                  "##.oooooooo.##",
                                                  "###..oooo..###",
                                                  "#####....#####",
                                                  "##############",
                                              }));

    // Tiny triangles whose rows start or end exactly on a corner.
    canvas.fill(kBackdrop);
    canvas.fillTriangle(8, 4, 8, 7, 6, 5, kInk);
    canvas.fillTriangle(27, 8, 30, 9, 30, 7, kInk);
    canvas.fillTriangle(46, 5, 47, 8, 47, 5, kInk);
    EXPECT_EQ(picture(canvas, 5, 3, 5, 6), (std::vector<std::string>{
                                                "#####",
                                                "##..#",
                                                "#.o.#",
                                                "##..#",
                                                "###.#",
                                                "#####",
                                            }));
    EXPECT_EQ(picture(canvas, 26, 6, 6, 5), (std::vector<std::string>{
                                                 "######",
                                                 "###..#",
                                                 "#..o.#",
                                                 "###..#",
                                                 "######",
                                             }));
    EXPECT_EQ(picture(canvas, 45, 4, 4, 6), (std::vector<std::string>{
                                                "####",
                                                "#..#",
                                                "#..#",
                                                "##.#",
                                                "##.#",
                                                "####",
                                            }));

    // Halfway points go to the smaller coordinate, whichever way the line runs.
    canvas.fill(kBackdrop);
    canvas.drawLine(10, 40, 20, 45, kInk);
    canvas.drawLine(50, 45, 40, 40, kInk);
    EXPECT_EQ(picture(canvas, 10, 40, 11, 6), (std::vector<std::string>{
                                                   "oo#########",
                                                   "##oo#######",
                                                   "####oo#####",
                                                   "######oo###",
                                                   "########oo#",
                                                   "###########",
                                               }));
    EXPECT_EQ(picture(canvas, 40, 40, 11, 6), (std::vector<std::string>{
                                                   "#o#########",
                                                   "##oo#######",
                                                   "####oo#####",
                                                   "######oo###",
                                                   "########oo#",
                                                   "##########o",
                                               }));
}

TEST(RasterCanvasShapes, EllipsesOfAnyBoxMatchWhatGdiDraws) {
    const auto ellipse = [](int width, int height) {
        Framebuffer framebuffer(width + 2, height + 2);
        std::fill(framebuffer.pixels().begin(), framebuffer.pixels().end(), kBackdrop);
        rasterEllipse(framebuffer, 1, 1, 1 + width, 1 + height, kInk, kBlack);
        return picture(framebuffer, 0, 0, width + 2, height + 2);
    };
    // A narrow box: the ring never reaches its top and bottom rows.
    EXPECT_EQ(ellipse(4, 7), (std::vector<std::string>{
                                 "######",
                                 "######",
                                 "##..##",
                                 "#.oo.#",
                                 "#.oo.#",
                                 "#.oo.#",
                                 "##..##",
                                 "######",
                                 "######",
                             }));
    // Boxes one or two pixels thick show only their outline.
    EXPECT_EQ(ellipse(5, 1), (std::vector<std::string>{"#######", "#.....#", "#######"}));
    EXPECT_EQ(ellipse(2, 4), (std::vector<std::string>{"####", "#..#", "#..#", "#..#", "#..#", "####"}));
    EXPECT_EQ(ellipse(1, 1), (std::vector<std::string>{"###", "###", "###"}));
}

TEST(RasterCanvasShapes, ReversedRestoreRectanglesCoverWhatGdiCovers) {
    RasterCanvas canvas(40, 30);
    canvas.fill(kInk);
    canvas.captureBackground();
    canvas.fill(kBackdrop);
    // Right before left and bottom above top: x from 11 to 20, y from 11 to 15.
    canvas.restoreRect(20, 15, 10, 10);
    EXPECT_EQ(picture(canvas, 9, 9, 14, 9), (std::vector<std::string>{
                                                 "##############",
                                                 "##############",
                                                 "##oooooooooo##",
                                                 "##oooooooooo##",
                                                 "##oooooooooo##",
                                                 "##oooooooooo##",
                                                 "##oooooooooo##",
                                                 "##############",
                                                 "##############",
                                             }));
    canvas.fill(kBackdrop);
    canvas.restoreRect(INT_MAX, INT_MAX, INT_MIN, INT_MIN);
    EXPECT_EQ(canvas.pixel(0, 0), kInk);
    EXPECT_EQ(canvas.pixel(39, 29), kInk);
}

TEST(RasterCanvasClipping, ExtremeCoordinatesDrawOnlyTheVisiblePart) {
    RasterCanvas canvas(100, 80);
    canvas.fill(kBackdrop);
    canvas.drawLine(INT_MIN, INT_MIN, INT_MAX, INT_MAX, kInk);
    EXPECT_EQ(canvas.pixel(0, 0), kInk);
    EXPECT_EQ(canvas.pixel(79, 79), kInk);
    EXPECT_EQ(canvas.pixel(80, 79), kBackdrop);
    canvas.drawLine(INT_MAX, 3, INT_MIN, 3, kInk);
    EXPECT_EQ(canvas.pixel(99, 3), kInk);
    EXPECT_EQ(canvas.pixel(0, 3), kInk);

    // Shapes wholly off the canvas, or with boxes overflowing 32 bits, draw nothing.
    const std::vector<Colour> before = canvas.pixels();
    canvas.drawDisc(INT_MAX, INT_MAX, INT_MAX, kInk);
    canvas.drawDisc(INT_MIN, 40, INT_MAX, kWhite);
    canvas.drawDisc(-1000, -1000, 20, kInk);
    canvas.fillTriangle(INT_MIN, INT_MIN, INT_MIN + 5, INT_MIN, INT_MIN, INT_MAX, kInk);
    canvas.fillTriangle(200, 0, 300, 0, 200, 100, kInk);
    canvas.drawText("far away", INT_MAX, 10, kInk);
    canvas.drawText("far away", INT_MIN, 10, kInk);
    canvas.drawText("far away", 10, INT_MIN, kInk);
    canvas.restoreRect(INT_MIN, INT_MIN, INT_MAX, INT_MAX);
    EXPECT_EQ(canvas.pixels(), before);

    // Shapes far larger than the canvas cover it.
    canvas.fillTriangle(INT_MIN, -10, INT_MAX, -10, 0, INT_MAX, kWhite);
    EXPECT_EQ(canvas.pixel(0, 0), kWhite);
    EXPECT_EQ(canvas.pixel(99, 79), kWhite);
    canvas.drawDisc(50, 40, INT_MAX - 1, kInk);
    EXPECT_EQ(canvas.pixel(0, 0), kInk);
    EXPECT_EQ(canvas.pixel(99, 79), kInk);
}

TEST(RasterCanvasClipping, AHugeDiscStillHasItsRing) {
    // The ring's top passes through y = 10: one short black run at the very top,
    // then a row that is all ring, then the inside.
    RasterCanvas canvas(100, 100);
    canvas.fill(kBackdrop);
    canvas.drawDisc(50, 200010, 400000, kInk);
    EXPECT_EQ(canvas.pixel(50, 9), kBackdrop);
    EXPECT_EQ(canvas.pixel(50, 10), kBlack);
    EXPECT_EQ(canvas.pixel(20, 10), kBackdrop);
    EXPECT_EQ(canvas.pixel(20, 11), kBlack);
    EXPECT_EQ(canvas.pixel(20, 12), kInk);
    EXPECT_EQ(canvas.pixel(99, 99), kInk);
}

TEST(RasterCanvasClipping, SizesAreNeverNegative) {
    RasterCanvas flat(-5, 10);
    EXPECT_EQ(flat.width, 0);
    EXPECT_EQ(flat.height, 10);
    EXPECT_TRUE(flat.pixels().empty());
    flat.fill(kInk);
    flat.captureBackground();
    EXPECT_TRUE(flat.hasSnapshot());
    flat.restoreRect(0, 0, 10, 10);
    EXPECT_EQ(flat.pixel(0, 0), 0u);
    EXPECT_FALSE(flat.saveBmp("never-written.bmp"));
}

TEST(RasterCanvasText, CentredTextStartsExactlyAtTheFormula) {
    // With an even width and an odd estimate, halving each on its own differs
    // from halving their difference: 250 - 24 = 226, not 225.
    RasterCanvas canvas(500, 40);
    canvas.drawCentredText("Level 1", 10, kInk);
    int left = -1;
    for (int x = 0; x < 500 && left < 0; ++x) {
        for (int y = 0; y < 40; ++y) {
            if (canvas.pixel(x, y) == kInk) {
                left = x;
                break;
            }
        }
    }
    // 'L' has its stem in the glyph's first column.
    EXPECT_EQ(left, 226 + kGlyphLeft);
}

TEST(RasterCanvasText, EveryPrintableCharacterHasItsOwnGlyph) {
    std::vector<std::vector<Colour>> seen;
    for (int c = 33; c <= 126; ++c) {
        RasterCanvas canvas(kFontCellWidth, kFontCellHeight);
        const char text[2] = {static_cast<char>(c), '\0'};
        canvas.drawText(text, 0, 0, kInk);
        EXPECT_NE(std::count(canvas.pixels().begin(), canvas.pixels().end(), kInk), 0) << "character " << c;
        for (const auto& other : seen) {
            EXPECT_NE(canvas.pixels(), other) << "character " << c << " looks like another one";
        }
        seen.push_back(canvas.pixels());
    }
}

TEST(RasterCanvasText, CharactersWithoutAGlyphStillAdvance) {
    RasterCanvas shifted(40, 20);
    shifted.drawText("\x01\xE9" "A", 0, 0, kInk);
    RasterCanvas plain(40, 20);
    plain.drawText("A", 2 * kFontCellWidth, 0, kInk);
    EXPECT_EQ(shifted.pixels(), plain.pixels());
    EXPECT_NE(std::count(plain.pixels().begin(), plain.pixels().end(), kInk), 0);
}

TEST(RasterCanvasPictures, ShrinkBySamplingTheFirstPixelOfEachStep) {
    std::vector<Colour> gradient;
    for (int y = 0; y < 12; ++y) {
        for (int x = 0; x < 30; ++x) gradient.push_back(makeColour(x * 8, y * 20, 7));
    }
    TempFile large("gradient.bmp");
    ASSERT_TRUE(writeBmp24File(large.path, 30, 12, gradient));
    RasterCanvas canvas(10, 6);
    auto picture30x12 = canvas.loadPicture(large.path.c_str());
    ASSERT_NE(picture30x12, nullptr);
    canvas.drawPicture(*picture30x12);
    EXPECT_EQ(canvas.pixel(0, 0), makeColour(0, 0, 7));
    EXPECT_EQ(canvas.pixel(9, 5), makeColour(27 * 8, 10 * 20, 7));
    EXPECT_EQ(canvas.pixel(4, 1), makeColour(12 * 8, 2 * 20, 7));
}

TEST(RasterCanvasPictures, OnlyPicturesTheRasterLoadedAreDrawn) {
    struct ForeignPicture : Picture {
        int pictureWidth() const override { return 4; }
        int pictureHeight() const override { return 4; }
    };
    RasterCanvas canvas(8, 8);
    canvas.fill(kBackdrop);
    canvas.drawPicture(ForeignPicture{});
    EXPECT_EQ(canvas.pixel(3, 3), kBackdrop);
    EXPECT_EQ(canvas.loadPicture("no-such-picture.bmp"), nullptr);
    EXPECT_EQ(canvas.loadPicture(nullptr), nullptr);
}

TEST(RasterCanvasPictures, SavedBmpReadsBackAsTheCanvas) {
    RasterCanvas canvas(37, 21);  // an odd width, so rows are padded
    canvas.fill(kBackdrop);
    canvas.drawDisc(18, 10, 12, kInk);
    canvas.fillTriangle(0, 0, 10, 0, 0, 10, makeColour(1, 2, 3));
    canvas.drawText("Vantor", 2, 5, kWhite);
    TempFile file("saved.bmp");
    ASSERT_TRUE(canvas.saveBmp(file.path));
    const auto decoded = loadBmpFile(file.path.c_str());
    ASSERT_TRUE(decoded.has_value());
    EXPECT_EQ(decoded->width, 37);
    EXPECT_EQ(decoded->height, 21);
    EXPECT_EQ(decoded->pixels, canvas.pixels());
    EXPECT_FALSE(canvas.saveBmp((std::filesystem::path(file.path) / "not-a-directory.bmp").string()));
}
