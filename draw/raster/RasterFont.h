// RasterFont: the raster device's bitmap font, printable ASCII in fixed cells,
// standing in for the system font of a window.
#pragma once

#include <cstdint>

#include "draw/Colour.h"
#include "draw/raster/Framebuffer.h"

// Every character advances by one cell; its glyph sits inside the cell.
constexpr int kFontCellWidth = 7;
constexpr int kFontCellHeight = 13;
// A glyph is 5 pixels wide and 9 high (7 above the baseline, 2 for descenders),
// placed this far from the cell's top-left corner.
constexpr int kGlyphWidth = 5;
constexpr int kGlyphHeight = 9;
constexpr int kGlyphLeft = 1;
constexpr int kGlyphTop = 2;

// The rows of a character's glyph, top row first; bit 4 of a row is its left
// column. Null for characters outside 32..126.
const std::uint8_t* glyphRows(unsigned char character);

// Draws the text with the top-left corner of its first cell at (x, y): only the
// glyphs' own pixels are set, in the colour, and nothing else is touched.
// Characters without a glyph draw nothing but still advance.
void drawGlyphs(Framebuffer& target, const char* text, int x, int y, Colour colour);
