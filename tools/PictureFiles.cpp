// Encoding pictures as Windows BMP files, through the raster device's writer,
// and as ICO files.
#include <cstddef>

#include "draw/raster/BmpEncoder.h"
#include "tools/Pictures.h"

namespace pictures {

namespace {

constexpr std::size_t kInfoHeaderSize = 40;
constexpr std::size_t kIconDirSize = 6;
constexpr std::size_t kIconEntrySize = 16;

void put16(std::vector<std::uint8_t>& out, std::uint32_t v) {
    out.push_back(static_cast<std::uint8_t>(v & 0xFF));
    out.push_back(static_cast<std::uint8_t>((v >> 8) & 0xFF));
}

void put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

// Rows of a DIB are padded to a multiple of four bytes.
std::size_t rowStride(int width, int bitsPerPixel) {
    return (static_cast<std::size_t>(width) * static_cast<std::size_t>(bitsPerPixel) + 31) / 32 * 4;
}

void putInfoHeader(std::vector<std::uint8_t>& out, int width, int height, int bitsPerPixel, std::size_t imageSize) {
    put32(out, kInfoHeaderSize);
    put32(out, static_cast<std::uint32_t>(width));
    put32(out, static_cast<std::uint32_t>(height));  // positive: rows bottom-up
    put16(out, 1);                                   // planes
    put16(out, static_cast<std::uint32_t>(bitsPerPixel));
    put32(out, 0);  // BI_RGB, uncompressed
    put32(out, static_cast<std::uint32_t>(imageSize));
    put32(out, 2835);  // 72 dots per inch, in dots per metre
    put32(out, 2835);
    put32(out, 0);  // no palette
    put32(out, 0);
}

bool isEmpty(const Image& image) {
    return image.width < 1 || image.height < 1 ||
           image.pixels.size() != static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height);
}

// One icon image: its header (declaring twice the height, for the mask), the BGRA
// pixels and the AND mask, both bottom-up.
std::vector<std::uint8_t> iconImage(const Image& image) {
    const std::size_t maskStride = rowStride(image.width, 1);
    const std::size_t colourSize = static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height) * 4;
    const std::size_t maskSize = maskStride * static_cast<std::size_t>(image.height);
    std::vector<std::uint8_t> out;
    out.reserve(kInfoHeaderSize + colourSize + maskSize);
    putInfoHeader(out, image.width, image.height * 2, 32, colourSize + maskSize);
    for (int y = image.height - 1; y >= 0; --y) {
        for (int x = 0; x < image.width; ++x) {
            const Rgba& p = image.at(x, y);
            out.insert(out.end(), {p.b, p.g, p.r, p.a});
        }
    }
    for (int y = image.height - 1; y >= 0; --y) {
        std::vector<std::uint8_t> row(maskStride, 0);
        for (int x = 0; x < image.width; ++x) {
            if (image.at(x, y).a == 0) row[static_cast<std::size_t>(x) / 8] |= static_cast<std::uint8_t>(0x80u >> (x % 8));
        }
        out.insert(out.end(), row.begin(), row.end());
    }
    return out;
}

}  // namespace

std::vector<std::uint8_t> encodeBmp(const Image& image) {
    std::vector<Colour> colours;
    colours.reserve(image.pixels.size());
    for (const Rgba& p : image.pixels) colours.push_back(makeColour(p.r, p.g, p.b));
    return encodeBmp24(image.width, image.height, colours);
}

std::vector<std::uint8_t> encodeIco(const std::vector<Image>& images) {
    if (images.empty() || images.size() > 0xFFFF) return {};
    for (const Image& image : images) {
        if (isEmpty(image) || image.width > 256 || image.height > 256) return {};
    }
    std::vector<std::uint8_t> out;
    put16(out, 0);  // reserved
    put16(out, 1);  // an icon, not a cursor
    put16(out, static_cast<std::uint32_t>(images.size()));
    std::size_t offset = kIconDirSize + kIconEntrySize * images.size();
    std::vector<std::vector<std::uint8_t>> bodies;
    for (const Image& image : images) {
        bodies.push_back(iconImage(image));
        out.push_back(static_cast<std::uint8_t>(image.width & 0xFF));  // 256 is written as 0
        out.push_back(static_cast<std::uint8_t>(image.height & 0xFF));
        out.push_back(0);  // no palette
        out.push_back(0);  // reserved
        put16(out, 1);     // planes
        put16(out, 32);    // bits per pixel
        put32(out, static_cast<std::uint32_t>(bodies.back().size()));
        put32(out, static_cast<std::uint32_t>(offset));
        offset += bodies.back().size();
    }
    for (const auto& body : bodies) out.insert(out.end(), body.begin(), body.end());
    return out;
}

std::vector<std::uint8_t> makeIcon() {
    std::vector<Image> images;
    for (const int size : kIconSizes) images.push_back(renderIcon(size));
    return encodeIco(images);
}

}  // namespace pictures
