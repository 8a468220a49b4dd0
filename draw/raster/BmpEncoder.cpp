// BmpEncoder: the file header, the info header and the padded rows of a 24-bit BMP.
#include "draw/raster/BmpEncoder.h"

#include <cstdio>

namespace {

constexpr std::size_t kHeadersSize = 14 + 40;

void put16(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t value) {
    out[at] = static_cast<std::uint8_t>(value);
    out[at + 1] = static_cast<std::uint8_t>(value >> 8);
}

void put32(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t value) {
    put16(out, at, value & 0xFFFF);
    put16(out, at + 2, value >> 16);
}

}  // namespace

std::vector<std::uint8_t> encodeBmp24(int width, int height, const std::vector<Colour>& pixels) {
    if (width <= 0 || height <= 0 ||
        pixels.size() != static_cast<std::size_t>(width) * static_cast<std::size_t>(height)) {
        return {};
    }
    const std::size_t stride = (static_cast<std::size_t>(width) * 3 + 3) / 4 * 4;
    const std::size_t imageSize = stride * static_cast<std::size_t>(height);
    if (kHeadersSize + imageSize > 0xFFFFFFFFu) {
        return {};
    }
    std::vector<std::uint8_t> out(kHeadersSize + imageSize, 0);
    out[0] = 'B';
    out[1] = 'M';
    put32(out, 2, static_cast<std::uint32_t>(out.size()));
    put32(out, 10, static_cast<std::uint32_t>(kHeadersSize));
    put32(out, 14, 40);
    put32(out, 18, static_cast<std::uint32_t>(width));
    put32(out, 22, static_cast<std::uint32_t>(height));
    put16(out, 26, 1);
    put16(out, 28, 24);
    put32(out, 34, static_cast<std::uint32_t>(imageSize));
    put32(out, 38, 2835);  // 72 dots per inch, in dots per metre
    put32(out, 42, 2835);

    for (int y = 0; y < height; ++y) {
        // Rows are stored bottom row first.
        std::uint8_t* row = out.data() + kHeadersSize + static_cast<std::size_t>(height - 1 - y) * stride;
        const Colour* source = pixels.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width);
        for (int x = 0; x < width; ++x) {
            row[3 * x] = static_cast<std::uint8_t>(blueOf(source[x]));
            row[3 * x + 1] = static_cast<std::uint8_t>(greenOf(source[x]));
            row[3 * x + 2] = static_cast<std::uint8_t>(redOf(source[x]));
        }
    }
    return out;
}

bool writeFileBytes(const char* path, const std::vector<std::uint8_t>& bytes) {
    if (path == nullptr) {
        return false;
    }
    std::FILE* file = std::fopen(path, "wb");
    if (file == nullptr) {
        return false;
    }
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    const bool closed = std::fclose(file) == 0;
    return written && closed;
}

bool writeBmp24File(const std::string& path, int width, int height, const std::vector<Colour>& pixels) {
    const std::vector<std::uint8_t> bytes = encodeBmp24(width, height, pixels);
    return !bytes.empty() && writeFileBytes(path.c_str(), bytes);
}
