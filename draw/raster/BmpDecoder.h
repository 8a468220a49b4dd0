// BmpDecoder: reads Windows BMP pictures (uncompressed, 1 to 32 bits per pixel)
// and refuses malformed, truncated or absurdly large ones without crashing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "draw/Colour.h"

struct DecodedBmp {
    int width = 0;
    int height = 0;
    std::vector<Colour> pixels;  // width x height, top row first
};

// Limits on what is read: no side longer than kMaxBmpSide, no more than
// kMaxBmpPixels in all, no file larger than kMaxBmpFileBytes.
constexpr int kMaxBmpSide = 16384;
constexpr std::size_t kMaxBmpPixels = std::size_t{1} << 26;
constexpr std::uintmax_t kMaxBmpFileBytes = std::uintmax_t{64} << 20;

// Decodes a whole BMP file held in memory. Accepts BITMAPINFOHEADER and the
// larger V2 to V5 headers, bottom-up and top-down rows, 1, 4 and 8 bits per
// pixel with a palette, 16 and 32 bits with the default or given channel masks,
// and 24 bits. Anything else, or anything that does not add up, gives nullopt.
std::optional<DecodedBmp> decodeBmp(const std::uint8_t* data, std::size_t size);

// Reads and decodes a BMP file; nullopt when it is missing, not a regular file,
// larger than kMaxBmpFileBytes or not a picture decodeBmp accepts.
std::optional<DecodedBmp> loadBmpFile(const char* path);
