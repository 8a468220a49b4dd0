// PicturesTest: the generated backdrops and icon are reproducible, well-formed files
// that the game can read, and the board and score panel stay legible over them.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "draw/Backdrop.h"
#include "draw/raster/BmpDecoder.h"
#include "tools/Geometry.h"
#include "tools/Noise.h"
#include "tools/Pictures.h"

namespace {

using pictures::Image;
using pictures::Rgba;

std::vector<std::uint8_t> readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::uint32_t le16(const std::vector<std::uint8_t>& b, std::size_t at) {
    return static_cast<std::uint32_t>(b.at(at) | (b.at(at + 1) << 8));
}

std::uint32_t le32(const std::vector<std::uint8_t>& b, std::size_t at) { return le16(b, at) | (le16(b, at + 2) << 16); }

// -1 when equal, otherwise the first byte that differs (or the shorter length).
long firstDifference(const std::vector<std::uint8_t>& a, const std::vector<std::uint8_t>& b) {
    for (std::size_t i = 0; i < a.size() && i < b.size(); ++i) {
        if (a[i] != b[i]) return static_cast<long>(i);
    }
    return a.size() == b.size() ? -1 : static_cast<long>(std::min(a.size(), b.size()));
}

// CIELAB, for judging how far apart two colours look.
struct Lab {
    double l;
    double a;
    double b;
};

Lab toLab(int red, int green, int blue) {
    const auto linear = [](int v) {
        const double c = v / 255.0;
        return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    const auto f = [](double t) { return t > 0.008856 ? std::cbrt(t) : 7.787 * t + 16.0 / 116.0; };
    const double r = linear(red);
    const double g = linear(green);
    const double b = linear(blue);
    const double x = (0.4124 * r + 0.3576 * g + 0.1805 * b) / 0.95047;
    const double y = 0.2126 * r + 0.7152 * g + 0.0722 * b;
    const double z = (0.0193 * r + 0.1192 * g + 0.9505 * b) / 1.08883;
    return {116 * f(y) - 16, 500 * (f(x) - f(y)), 200 * (f(y) - f(z))};
}

Lab toLab(Colour c) { return toLab(redOf(c), greenOf(c), blueOf(c)); }
Lab toLab(const Rgba& p) { return toLab(p.r, p.g, p.b); }

double difference(const Lab& p, const Lab& q) {
    return std::sqrt((p.l - q.l) * (p.l - q.l) + (p.a - q.a) * (p.a - q.a) + (p.b - q.b) * (p.b - q.b));
}

// A window-sized rectangle, right and bottom excluded.
struct Rect {
    int left;
    int top;
    int right;
    int bottom;
};

// The game stretches a picture over the whole window, so a window rectangle covers
// this part of the picture.
Rect inPicture(const Rect& window, int windowWidth, int windowHeight, int pictureSize) {
    return {window.left * pictureSize / windowWidth, window.top * pictureSize / windowHeight,
            (window.right * pictureSize + windowWidth - 1) / windowWidth,
            (window.bottom * pictureSize + windowHeight - 1) / windowHeight};
}

// A backdrop as the game reads it from its file, with each pixel also in CIELAB.
// Made once per level for the whole run, as drawing a picture takes a moment.
struct BackdropFile {
    std::vector<std::uint8_t> bytes;
    std::optional<DecodedBmp> picture;
    std::vector<Lab> lab;
};

const BackdropFile& backdrop(int level) {
    static std::map<int, BackdropFile> made;
    auto found = made.find(level);
    if (found == made.end()) {
        BackdropFile b;
        b.bytes = pictures::makeBackdropBmp(level);
        b.picture = decodeBmp(b.bytes.data(), b.bytes.size());
        if (b.picture) {
            for (const Colour c : b.picture->pixels) b.lab.push_back(toLab(c));
        }
        found = made.emplace(level, std::move(b)).first;
    }
    return found->second;
}

// The share of the rectangle's pixels that look closer than `limit` to the colour.
double shareNear(const BackdropFile& b, const Rect& r, Colour colour, double limit) {
    const Lab target = toLab(colour);
    int near = 0;
    int all = 0;
    for (int y = r.top; y < r.bottom; ++y) {
        for (int x = r.left; x < r.right; ++x) {
            ++all;
            if (difference(b.lab.at(static_cast<std::size_t>(y * b.picture->width + x)), target) < limit) ++near;
        }
    }
    return all > 0 ? static_cast<double>(near) / all : 1.0;
}

double meanLightness(const BackdropFile& b, const Rect& r) {
    double sum = 0;
    int all = 0;
    for (int y = r.top; y < r.bottom; ++y) {
        for (int x = r.left; x < r.right; ++x) {
            sum += b.lab.at(static_cast<std::size_t>(y * b.picture->width + x)).l;
            ++all;
        }
    }
    return all > 0 ? sum / all : 0;
}

// The client area of the game's window under Wine; the picture is stretched over it.
constexpr int kWindowWidth = 492;
constexpr int kWindowHeight = 454;

// Two colours closer than this in CIELAB (where lightness alone runs from 0 for
// black to 100 for white) would leave a one-pixel grid line or stroke of text hard
// to pick out: large side-by-side patches show differences of 2 or 3, but a thin
// line on a textured picture needs a wide margin.
constexpr double kMinimumDifference = 30;
// The share of pixels allowed to come that close: a few stars and stray pixels.
constexpr double kAllowedShare = 0.01;

}  // namespace

TEST(GeneratedPictures, RegeneratingGivesTheCommittedFilesByteForByte) {
    for (int level = 1; level <= pictures::kLevelCount; ++level) {
        SCOPED_TRACE(pictures::backdropFileName(level));
        const auto committed = readFile(std::string(VANTOR_ASSETS) + "/" + pictures::backdropFileName(level));
        ASSERT_FALSE(committed.empty());
        EXPECT_EQ(firstDifference(backdrop(level).bytes, committed), -1);
    }
    const auto icon = readFile(std::string(VANTOR_ASSETS) + "/../res/vantor.ico");
    ASSERT_FALSE(icon.empty());
    EXPECT_EQ(firstDifference(pictures::makeIcon(), icon), -1);
}

TEST(GeneratedPictures, BackdropsAre24BitBottomUpSquareBmpsTheGameReads) {
    ASSERT_EQ(pictures::kBackdropSize, 500);
    for (int level = 1; level <= pictures::kLevelCount; ++level) {
        SCOPED_TRACE(level);
        const auto& bytes = backdrop(level).bytes;
        ASSERT_EQ(bytes.size(), 54u + 500u * 500u * 3u);
        EXPECT_EQ(bytes[0], 'B');
        EXPECT_EQ(bytes[1], 'M');
        EXPECT_EQ(le32(bytes, 2), bytes.size());
        EXPECT_EQ(le32(bytes, 10), 54u);   // pixels right after the two headers
        EXPECT_EQ(le32(bytes, 14), 40u);   // BITMAPINFOHEADER
        EXPECT_EQ(le32(bytes, 18), 500u);  // width
        EXPECT_EQ(le32(bytes, 22), 500u);  // positive height: bottom-up
        EXPECT_EQ(le16(bytes, 26), 1u);
        EXPECT_EQ(le16(bytes, 28), 24u);
        EXPECT_EQ(le32(bytes, 30), 0u);  // BI_RGB
        EXPECT_EQ(le32(bytes, 34), bytes.size() - 54);
        // The game's own reader takes it.
        ASSERT_TRUE(backdrop(level).picture.has_value());
        EXPECT_EQ(backdrop(level).picture->width, 500);
        EXPECT_EQ(backdrop(level).picture->height, 500);
    }
}

TEST(GeneratedPictures, BmpRowsArePaddedToFourBytesAndStoredBottomUp) {
    Image image(3, 2);
    image.at(0, 0) = {1, 2, 3, 255};
    image.at(2, 0) = {4, 5, 6, 255};
    image.at(0, 1) = {7, 8, 9, 255};
    image.at(2, 1) = {10, 11, 12, 255};
    const auto bytes = pictures::encodeBmp(image);
    // Rows of 9 bytes padded to 12, the bottom row first, blue-green-red.
    ASSERT_EQ(bytes.size(), 54u + 2 * 12);
    EXPECT_EQ(le32(bytes, 34), 24u);
    const std::vector<std::uint8_t> pixels(bytes.begin() + 54, bytes.end());
    const std::vector<std::uint8_t> expected = {9, 8, 7, 0, 0, 0, 12, 11, 10, 0, 0, 0,
                                                3, 2, 1, 0, 0, 0, 6, 5, 4, 0, 0, 0};
    EXPECT_EQ(pixels, expected);
    const auto decoded = decodeBmp(bytes.data(), bytes.size());
    ASSERT_TRUE(decoded.has_value());
    EXPECT_EQ(decoded->pixels[2], makeColour(4, 5, 6));
    EXPECT_EQ(decoded->pixels[3], makeColour(7, 8, 9));
}

TEST(GeneratedPictures, RequestsOutsideTheirRangeGiveNothing) {
    for (const int level : {-1, 0, 5}) {
        EXPECT_TRUE(pictures::makeBackdropBmp(level).empty()) << level;
        EXPECT_EQ(pictures::renderBackdrop(level).width, 0) << level;
        EXPECT_EQ(pictures::backdropFileName(level), nullptr) << level;
    }
    EXPECT_TRUE(pictures::renderIcon(0).pixels.empty());
    EXPECT_TRUE(pictures::encodeBmp(Image{}).empty());
    Image inconsistent(4, 4);
    inconsistent.pixels.resize(3);
    EXPECT_TRUE(pictures::encodeBmp(inconsistent).empty());
    EXPECT_TRUE(pictures::encodeIco({}).empty());
    EXPECT_TRUE(pictures::encodeIco({Image(16, 16), Image{}}).empty());
    EXPECT_TRUE(pictures::encodeIco({Image(257, 257)}).empty());
}

TEST(GeneratedIcon, Holds16And32And48PixelImagesInTheClassicLayout) {
    const auto bytes = pictures::makeIcon();
    ASSERT_GE(bytes.size(), 6u + 3 * 16);
    EXPECT_EQ(le16(bytes, 0), 0u);
    EXPECT_EQ(le16(bytes, 2), 1u);  // an icon
    ASSERT_EQ(le16(bytes, 4), 3u);
    std::size_t expectedOffset = 6 + 3 * 16;
    const int sizes[] = {16, 32, 48};
    for (int i = 0; i < 3; ++i) {
        const int s = sizes[i];
        SCOPED_TRACE(s);
        const std::size_t entry = 6 + 16 * static_cast<std::size_t>(i);
        EXPECT_EQ(bytes[entry], s);
        EXPECT_EQ(bytes[entry + 1], s);
        EXPECT_EQ(bytes[entry + 2], 0);  // no palette
        EXPECT_EQ(le16(bytes, entry + 4), 1u);
        EXPECT_EQ(le16(bytes, entry + 6), 32u);
        const std::size_t maskStride = (static_cast<std::size_t>(s) + 31) / 32 * 4;
        const std::size_t size = 40 + 4 * static_cast<std::size_t>(s * s) + maskStride * static_cast<std::size_t>(s);
        EXPECT_EQ(le32(bytes, entry + 8), size);
        ASSERT_EQ(le32(bytes, entry + 12), expectedOffset);  // images follow one another
        const std::size_t dib = expectedOffset;
        EXPECT_EQ(le32(bytes, dib), 40u);
        EXPECT_EQ(le32(bytes, dib + 4), static_cast<std::uint32_t>(s));
        EXPECT_EQ(le32(bytes, dib + 8), static_cast<std::uint32_t>(2 * s));  // colour and mask together
        EXPECT_EQ(le16(bytes, dib + 14), 32u);
        EXPECT_EQ(le32(bytes, dib + 16), 0u);
        expectedOffset += size;
    }
    EXPECT_EQ(bytes.size(), expectedOffset);
}

TEST(GeneratedIcon, PixelsAreBottomUpAndTheMaskMarksExactlyTheTransparentOnes) {
    const auto bytes = pictures::makeIcon();
    std::size_t at = 6 + 3 * 16;
    for (const int s : pictures::kIconSizes) {
        SCOPED_TRACE(s);
        const Image drawn = pictures::renderIcon(s);
        ASSERT_EQ(drawn.width, s);
        const std::size_t colours = at + 40;
        const std::size_t mask = colours + 4 * static_cast<std::size_t>(s * s);
        const std::size_t maskStride = (static_cast<std::size_t>(s) + 31) / 32 * 4;
        int wrongColour = 0;
        int wrongMask = 0;
        for (int y = 0; y < s; ++y) {
            const auto row = static_cast<std::size_t>(s - 1 - y);
            for (int x = 0; x < s; ++x) {
                const Rgba& p = drawn.at(x, y);
                const std::size_t px = colours + 4 * (row * static_cast<std::size_t>(s) + static_cast<std::size_t>(x));
                if (bytes.at(px) != p.b || bytes.at(px + 1) != p.g || bytes.at(px + 2) != p.r || bytes.at(px + 3) != p.a) {
                    ++wrongColour;
                }
                const bool masked = (bytes.at(mask + row * maskStride + static_cast<std::size_t>(x) / 8) >> (7 - x % 8)) & 1;
                if (masked != (p.a == 0)) ++wrongMask;
            }
        }
        EXPECT_EQ(wrongColour, 0);
        EXPECT_EQ(wrongMask, 0);
        // A rounded tile: the corners show the desktop, the middle is solid.
        EXPECT_EQ(drawn.at(0, 0).a, 0);
        EXPECT_EQ(drawn.at(s - 1, s - 1).a, 0);
        EXPECT_EQ(drawn.at(s / 2, s / 2).a, 255);
        at += 40 + 4 * static_cast<std::size_t>(s * s) + maskStride * static_cast<std::size_t>(s);
    }
}

TEST(GeneratedIcon, ShowsBothPlayersColoursEvenAt16Pixels) {
    const Colour first = levelTheme(1).firstColour;
    const Colour second = levelTheme(1).secondColour;
    for (const int s : pictures::kIconSizes) {
        SCOPED_TRACE(s);
        const Image icon = pictures::renderIcon(s);
        int firstPixels = 0;
        int secondPixels = 0;
        for (const Rgba& p : icon.pixels) {
            if (p.a < 255) continue;
            if (difference(toLab(p), toLab(first)) < 10) ++firstPixels;
            if (difference(toLab(p), toLab(second)) < 10) ++secondPixels;
        }
        // Each colour covers at least about a twentieth of the icon.
        EXPECT_GE(firstPixels, s * s / 20);
        EXPECT_GE(secondPixels, s * s / 20);
    }
}

TEST(BackdropLegibility, BoardAreaStaysDistinctFromTheLevelsColours) {
    // The largest board, 20 x 20 cells of 16 pixels, centred in the window.
    const int board = 20 * 16 + 1;
    const Rect window{(kWindowWidth - board) / 2, (kWindowHeight - board) / 2, (kWindowWidth + board) / 2,
                      (kWindowHeight + board) / 2};
    const Rect area = inPicture(window, kWindowWidth, kWindowHeight, pictures::kBackdropSize);
    for (int level = 1; level <= pictures::kLevelCount; ++level) {
        SCOPED_TRACE(level);
        const BackdropFile& picture = backdrop(level);
        ASSERT_TRUE(picture.picture.has_value());
        const LevelTheme& theme = levelTheme(level);
        EXPECT_LE(shareNear(picture, area, theme.gridColour, kMinimumDifference), kAllowedShare);
        EXPECT_LE(shareNear(picture, area, theme.firstColour, kMinimumDifference), kAllowedShare);
        EXPECT_LE(shareNear(picture, area, theme.secondColour, kMinimumDifference), kAllowedShare);
    }
}

TEST(BackdropLegibility, ScoreCornersAndCaptionLieOnDarkSkyAwayFromTheirColours) {
    const int w = kWindowWidth;
    const int h = kWindowHeight;
    // Each corner's icon and number, and the caption "Level N" (about 50 pixels wide).
    const Rect topLeft{5, 5, 50, 40};
    const Rect bottomLeft{5, h - 45, 50, h - 10};
    const Rect topRight{w - 45, 5, w, 40};
    const Rect bottomRight{w - 45, h - 45, w, h - 10};
    const Rect caption{w / 2 - 35, h - 30, w / 2 + 35, h - 5};
    const Rect centre{w / 2 - 50, h / 2 - 50, w / 2 + 50, h / 2 + 50};
    const auto part = [&](const Rect& r) { return inPicture(r, w, h, pictures::kBackdropSize); };
    for (int level = 1; level <= pictures::kLevelCount; ++level) {
        SCOPED_TRACE(level);
        const BackdropFile& picture = backdrop(level);
        ASSERT_TRUE(picture.picture.has_value());
        const LevelTheme& theme = levelTheme(level);
        for (const Rect& r : {topLeft, bottomLeft, caption}) {
            EXPECT_LE(shareNear(picture, part(r), theme.firstColour, kMinimumDifference), kAllowedShare);
        }
        for (const Rect& r : {topRight, bottomRight}) {
            EXPECT_LE(shareNear(picture, part(r), theme.secondColour, kMinimumDifference), kAllowedShare);
        }
        // Near-black sky behind the panel (CIELAB lightness runs 0 to 100), and a
        // planet in the middle that is plainly brighter than it.
        for (const Rect& r : {topLeft, bottomLeft, topRight, bottomRight, caption}) {
            EXPECT_LE(meanLightness(picture, part(r)), 8.0);
        }
        EXPECT_GE(meanLightness(picture, part(centre)), 15.0);
    }
}

TEST(PictureNoise, IsZeroOnTheLatticeBoundedSmoothAndSeeded) {
    pictures::Pcg32 random(7);
    int seedsDiffer = 0;
    for (int i = 0; i < 2000; ++i) {
        const pictures::Vec3 p{random.between(-50, 50), random.between(-50, 50), random.between(-50, 50)};
        const double n = pictures::gradientNoise(p, 3);
        ASSERT_LE(std::fabs(n), 1.1);
        ASSERT_LE(std::fabs(pictures::fractalNoise(p, 3, 6)), 1.1);
        // A step of 1e-4 moves the value by at most a few times that: no seams or jumps.
        const pictures::Vec3 step{p.x + 1e-4, p.y - 1e-4, p.z + 1e-4};
        ASSERT_LE(std::fabs(pictures::gradientNoise(step, 3) - n), 1e-3) << p.x << ' ' << p.y << ' ' << p.z;
        if (std::fabs(pictures::gradientNoise(p, 4) - n) > 1e-3) ++seedsDiffer;
        const pictures::Vec3 lattice{std::floor(p.x), std::floor(p.y), std::floor(p.z)};
        ASSERT_EQ(pictures::gradientNoise(lattice, 3), 0.0);
    }
    EXPECT_GT(seedsDiffer, 1900);
}

TEST(PictureNoise, GeneratorRepeatsPerSeedAndSpreadsEvenly) {
    pictures::Pcg32 a(42);
    pictures::Pcg32 b(42);
    pictures::Pcg32 c(43);
    int sameAsOtherSeed = 0;
    for (int i = 0; i < 1000; ++i) {
        const std::uint32_t va = a.next();
        ASSERT_EQ(va, b.next());
        if (va == c.next()) ++sameAsOtherSeed;
    }
    EXPECT_LE(sameAsOtherSeed, 1);

    int tenths[10] = {};
    const int draws = 20000;
    for (int i = 0; i < draws; ++i) {
        const double u = a.uniform();
        ASSERT_GE(u, 0.0);
        ASSERT_LT(u, 1.0);
        ++tenths[static_cast<int>(u * 10)];
    }
    for (const int count : tenths) {
        EXPECT_NEAR(count, draws / 10, draws / 10 / 8);  // within an eighth of the even share
    }
}

TEST(PictureGeometry, SineAndCosineMatchTheLibraryOverManyTurns) {
    for (double x = -60; x <= 60; x += 0.0137) {
        ASSERT_NEAR(pictures::sine(x), std::sin(x), 1e-9) << x;
        ASSERT_NEAR(pictures::cosine(x), std::cos(x), 1e-9) << x;
    }
}
