// BmpEncoder: writes colours as a 24-bit uncompressed Windows BMP file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "draw/Colour.h"

// The bytes of a bottom-up 24-bit BMP of width x height colours given top row
// first; empty when a side is not positive or the colours do not fill the picture.
std::vector<std::uint8_t> encodeBmp24(int width, int height, const std::vector<Colour>& pixels);

// Writes the bytes to a file, replacing it; false when that fails.
bool writeFileBytes(const char* path, const std::vector<std::uint8_t>& bytes);

// Writes encodeBmp24 of the colours to a file, replacing it; false when the
// picture is empty or the file cannot be written.
bool writeBmp24File(const std::string& path, int width, int height, const std::vector<Colour>& pixels);
