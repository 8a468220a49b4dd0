// Colour: a 32-bit GDI colour value laid out 0x00BBGGRR.
#pragma once

#include <cstdint>

using Colour = std::uint32_t;

// Builds a Colour from its red, green and blue parts, as GDI's RGB macro does.
constexpr Colour makeColour(int red, int green, int blue) {
    return static_cast<Colour>((red & 0xFF) | ((green & 0xFF) << 8) | ((blue & 0xFF) << 16));
}

constexpr int redOf(Colour c) { return static_cast<int>(c & 0xFF); }
constexpr int greenOf(Colour c) { return static_cast<int>((c >> 8) & 0xFF); }
constexpr int blueOf(Colour c) { return static_cast<int>((c >> 16) & 0xFF); }

constexpr Colour kBlack = 0x000000;
constexpr Colour kWhite = 0xFFFFFF;
