// The game's pictures drawn by our own code: the four level backdrops and the program icon.
#pragma once

#include <cstdint>
#include <vector>

namespace pictures {

// One 8-bit pixel; `a` is opacity (255 opaque) and is only used by the icon.
struct Rgba {
    std::uint8_t r = 0;
    std::uint8_t g = 0;
    std::uint8_t b = 0;
    std::uint8_t a = 255;
};

// Pixels row by row from the top-left corner.
struct Image {
    int width = 0;
    int height = 0;
    std::vector<Rgba> pixels;

    Image() = default;
    Image(int w, int h) : width(w), height(h), pixels(static_cast<std::size_t>(w) * static_cast<std::size_t>(h)) {}
    Rgba& at(int x, int y) { return pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)]; }
    const Rgba& at(int x, int y) const { return pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)]; }
};

constexpr int kBackdropSize = 500;
constexpr int kLevelCount = 4;
constexpr int kIconSizes[] = {16, 32, 48};

// The file the game reads for a level (1 "terre.bmp" ... 4 "jupiter.bmp"); null outside 1 to 4.
const char* backdropFileName(int level);

// A level's backdrop, 500 x 500: Earth, Mars, Saturn, Jupiter on a starry sky.
// An empty image for a level outside 1 to 4.
Image renderBackdrop(int level);

// The program icon, size x size with transparency; an empty image for a size below 1.
Image renderIcon(int size);

// A Windows BMP of the image: 24-bit, uncompressed, rows bottom-up, alpha dropped.
// Empty for an empty image.
std::vector<std::uint8_t> encodeBmp(const Image& image);

// A .ico file holding each image as a 32-bit BGRA DIB with its AND mask (set where
// fully transparent). Empty when there is no image or one is empty or over 256 pixels.
std::vector<std::uint8_t> encodeIco(const std::vector<Image>& images);

// encodeBmp(renderBackdrop(level)); empty outside 1 to 4.
std::vector<std::uint8_t> makeBackdropBmp(int level);

// encodeIco of the icon at 16, 32 and 48 pixels.
std::vector<std::uint8_t> makeIcon();

}  // namespace pictures
