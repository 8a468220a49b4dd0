// BmpDecoder: validates a BMP file's headers against its real size before
// allocating anything, then converts its rows to colours.
#include "draw/raster/BmpDecoder.h"

#include <filesystem>
#include <fstream>
#include <system_error>

namespace {

constexpr std::size_t kFileHeaderSize = 14;
constexpr std::uint32_t kInfoHeaderSize = 40;
constexpr std::uint32_t kLargestHeaderSize = 124;
constexpr std::uint32_t kBiRgb = 0;
constexpr std::uint32_t kBiBitfields = 3;
constexpr std::uint32_t kBiAlphaBitfields = 6;

std::uint32_t read16(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0] | (p[1] << 8));
}

std::uint32_t read32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

// One colour channel of a 16- or 32-bit pixel: where its bits are and how many.
struct Channel {
    std::uint32_t mask = 0;
    int shift = 0;
    int bits = 0;
};

// A mask must be one unbroken run of bits (or empty, for a channel that is always 0).
std::optional<Channel> channelOf(std::uint32_t mask) {
    Channel channel;
    channel.mask = mask;
    if (mask == 0) {
        return channel;
    }
    while (((mask >> channel.shift) & 1) == 0) {
        ++channel.shift;
    }
    const std::uint64_t run = std::uint64_t{mask} >> channel.shift;
    if ((run & (run + 1)) != 0) {
        return std::nullopt;
    }
    while ((run >> channel.bits) != 0) {
        ++channel.bits;
    }
    return channel;
}

// The channel's value of a pixel scaled to 0..255.
int channelValue(const Channel& channel, std::uint32_t pixel) {
    if (channel.bits == 0) {
        return 0;
    }
    const std::uint32_t value = (pixel & channel.mask) >> channel.shift;
    if (channel.bits >= 8) {
        return static_cast<int>(value >> (channel.bits - 8));
    }
    const std::uint32_t largest = (1u << channel.bits) - 1;
    return static_cast<int>((value * 255 + largest / 2) / largest);
}

struct Layout {
    int width = 0;
    int height = 0;
    bool topDown = false;
    int bitCount = 0;
    std::size_t pixelStart = 0;
    std::size_t stride = 0;
    // For 1 to 8 bits: the palette.
    std::vector<Colour> palette;
    // For 16 and 32 bits: the three channels.
    Channel red, green, blue;
};

// Reads and checks everything but the pixels; nullopt when the file is not a
// picture we read or when any part would lie outside its `size` bytes.
std::optional<Layout> readLayout(const std::uint8_t* data, std::size_t size) {
    if (data == nullptr || size < kFileHeaderSize + 4 || data[0] != 'B' || data[1] != 'M') {
        return std::nullopt;
    }
    const std::uint32_t pixelOffset = read32(data + 10);
    const std::uint32_t headerSize = read32(data + 14);
    const bool knownHeader = headerSize == kInfoHeaderSize || headerSize == 52 || headerSize == 56 ||
                             headerSize == 108 || headerSize == kLargestHeaderSize;
    if (!knownHeader || size < kFileHeaderSize + headerSize) {
        return std::nullopt;
    }
    const std::uint8_t* header = data + kFileHeaderSize;
    const auto width = static_cast<std::int32_t>(read32(header + 4));
    const auto height = static_cast<std::int32_t>(read32(header + 8));
    const std::uint32_t bitCount = read16(header + 14);
    const std::uint32_t compression = read32(header + 16);
    const std::uint32_t coloursUsed = read32(header + 32);

    Layout layout;
    const std::int64_t rows = height < 0 ? -std::int64_t{height} : std::int64_t{height};
    if (width <= 0 || width > kMaxBmpSide || rows == 0 || rows > kMaxBmpSide ||
        static_cast<std::size_t>(width) * static_cast<std::size_t>(rows) > kMaxBmpPixels) {
        return std::nullopt;
    }
    layout.width = width;
    layout.height = static_cast<int>(rows);
    layout.topDown = height < 0;
    layout.bitCount = static_cast<int>(bitCount);

    const bool paletted = bitCount == 1 || bitCount == 4 || bitCount == 8;
    const bool masked = bitCount == 16 || bitCount == 32;
    if (!paletted && !masked && bitCount != 24) {
        return std::nullopt;
    }
    std::size_t tableStart = kFileHeaderSize + headerSize;
    if (compression == kBiBitfields || compression == kBiAlphaBitfields) {
        if (!masked) {
            return std::nullopt;
        }
        // A plain info header is followed by the masks; larger headers hold them.
        const std::uint8_t* masks = header + kInfoHeaderSize;
        if (headerSize == kInfoHeaderSize) {
            tableStart += compression == kBiAlphaBitfields ? 16 : 12;
            if (size < tableStart) {
                return std::nullopt;
            }
        }
        const auto red = channelOf(read32(masks));
        const auto green = channelOf(read32(masks + 4));
        const auto blue = channelOf(read32(masks + 8));
        if (!red || !green || !blue) {
            return std::nullopt;
        }
        layout.red = *red;
        layout.green = *green;
        layout.blue = *blue;
    } else if (compression != kBiRgb) {
        return std::nullopt;
    } else if (bitCount == 16) {
        layout.red = *channelOf(0x7C00);
        layout.green = *channelOf(0x03E0);
        layout.blue = *channelOf(0x001F);
    } else if (bitCount == 32) {
        layout.red = *channelOf(0x00FF0000);
        layout.green = *channelOf(0x0000FF00);
        layout.blue = *channelOf(0x000000FF);
    }

    std::size_t tableEnd = tableStart;
    if (paletted) {
        const std::size_t largest = std::size_t{1} << bitCount;
        const std::size_t entries = coloursUsed == 0 || coloursUsed > largest ? largest : coloursUsed;
        if ((size - tableStart) / 4 < entries) {
            return std::nullopt;
        }
        tableEnd += 4 * entries;
        layout.palette.reserve(entries);
        for (std::size_t i = 0; i < entries; ++i) {
            const std::uint8_t* entry = data + tableStart + 4 * i;
            layout.palette.push_back(makeColour(entry[2], entry[1], entry[0]));
        }
    }

    // The pixels follow the headers, masks and palette. Their rows are padded to
    // whole 32-bit words; the last row's padding may be missing.
    const std::uint64_t rowBits = std::uint64_t{bitCount} * static_cast<std::uint64_t>(width);
    layout.stride = static_cast<std::size_t>((rowBits + 31) / 32 * 4);
    const std::uint64_t needed =
        layout.stride * static_cast<std::uint64_t>(rows - 1) + (rowBits + 7) / 8;
    if (pixelOffset < tableEnd || pixelOffset > size || needed > size - pixelOffset) {
        return std::nullopt;
    }
    layout.pixelStart = pixelOffset;
    return layout;
}

}  // namespace

std::optional<DecodedBmp> decodeBmp(const std::uint8_t* data, std::size_t size) {
    const std::optional<Layout> layout = readLayout(data, size);
    if (!layout) {
        return std::nullopt;
    }
    DecodedBmp picture;
    picture.width = layout->width;
    picture.height = layout->height;
    picture.pixels.resize(static_cast<std::size_t>(layout->width) * static_cast<std::size_t>(layout->height));

    const int bits = layout->bitCount;
    for (int fileRow = 0; fileRow < layout->height; ++fileRow) {
        const std::uint8_t* row = data + layout->pixelStart + static_cast<std::size_t>(fileRow) * layout->stride;
        const int y = layout->topDown ? fileRow : layout->height - 1 - fileRow;
        Colour* out = picture.pixels.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(layout->width);
        for (int x = 0; x < layout->width; ++x) {
            if (bits <= 8) {
                const std::size_t bit = static_cast<std::size_t>(x) * static_cast<std::size_t>(bits);
                const int shift = 8 - bits - static_cast<int>(bit % 8);
                const std::size_t index = (row[bit / 8] >> shift) & ((1u << bits) - 1);
                if (index >= layout->palette.size()) {
                    return std::nullopt;
                }
                out[x] = layout->palette[index];
            } else if (bits == 24) {
                const std::uint8_t* p = row + 3 * static_cast<std::size_t>(x);
                out[x] = makeColour(p[2], p[1], p[0]);
            } else {
                const std::uint8_t* p = row + static_cast<std::size_t>(x) * static_cast<std::size_t>(bits / 8);
                const std::uint32_t value = bits == 16 ? read16(p) : read32(p);
                out[x] = makeColour(channelValue(layout->red, value), channelValue(layout->green, value),
                                    channelValue(layout->blue, value));
            }
        }
    }
    return picture;
}

std::optional<DecodedBmp> loadBmpFile(const char* path) {
    if (path == nullptr) {
        return std::nullopt;
    }
    std::error_code error;
    const std::filesystem::path file(path);
    if (!std::filesystem::is_regular_file(file, error)) {
        return std::nullopt;
    }
    const std::uintmax_t size = std::filesystem::file_size(file, error);
    if (error || size > kMaxBmpFileBytes) {
        return std::nullopt;
    }
    std::ifstream stream(file, std::ios::binary);
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
    if (!stream || !stream.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()))) {
        return std::nullopt;
    }
    return decodeBmp(bytes.data(), bytes.size());
}
