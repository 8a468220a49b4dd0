// BmpDecoderTest: the BMP reader on small pictures built here, byte by byte, in
// every layout it accepts, and on the malformed files it must refuse.
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <initializer_list>
#include <optional>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "draw/raster/BmpDecoder.h"

namespace {

// What to put in a test file's headers.
struct BmpFields {
    int width = 1;
    int height = 1;  // negative for top-down rows
    int bitCount = 24;
    std::uint32_t compression = 0;
    std::uint32_t headerSize = 40;
    std::vector<Colour> palette;
    std::uint32_t coloursUsed = 0;
    std::vector<std::uint32_t> masks;  // after a 40-byte header, inside a larger one
};

void put(std::vector<std::uint8_t>& out, std::size_t at, std::uint64_t value, int bytes) {
    ASSERT_LE(at + static_cast<std::size_t>(bytes), out.size());
    for (int i = 0; i < bytes; ++i) {
        out[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value >> (8 * i));
    }
}

// A BMP file with the given headers and pixels, top row first: palette indices
// up to 8 bits, raw values for 16 and 32 bits, colours for 24 bits.
std::vector<std::uint8_t> makeBmp(const BmpFields& fields, const std::vector<std::uint32_t>& values) {
    const int rows = std::abs(fields.height);
    const std::size_t stride = (static_cast<std::size_t>(fields.width * fields.bitCount) + 31) / 32 * 4;
    const std::size_t masksAfter = fields.headerSize == 40 ? 4 * fields.masks.size() : 0;
    const std::size_t pixelOffset = 14 + fields.headerSize + masksAfter + 4 * fields.palette.size();
    std::vector<std::uint8_t> out(pixelOffset + stride * static_cast<std::size_t>(rows), 0);
    out[0] = 'B';
    out[1] = 'M';
    put(out, 2, out.size(), 4);
    put(out, 10, pixelOffset, 4);
    put(out, 14, fields.headerSize, 4);
    put(out, 18, static_cast<std::uint32_t>(fields.width), 4);
    put(out, 22, static_cast<std::uint32_t>(fields.height), 4);
    put(out, 26, 1, 2);
    put(out, 28, static_cast<std::uint32_t>(fields.bitCount), 2);
    put(out, 30, fields.compression, 4);
    put(out, 46, fields.coloursUsed, 4);
    for (std::size_t i = 0; i < fields.masks.size(); ++i) {
        put(out, 14 + 40 + 4 * i, fields.masks[i], 4);
    }
    for (std::size_t i = 0; i < fields.palette.size(); ++i) {
        const std::size_t at = 14 + fields.headerSize + masksAfter + 4 * i;
        out[at] = static_cast<std::uint8_t>(blueOf(fields.palette[i]));
        out[at + 1] = static_cast<std::uint8_t>(greenOf(fields.palette[i]));
        out[at + 2] = static_cast<std::uint8_t>(redOf(fields.palette[i]));
    }
    for (int fileRow = 0; fileRow < rows; ++fileRow) {
        const int y = fields.height < 0 ? fileRow : rows - 1 - fileRow;
        const std::size_t row = pixelOffset + static_cast<std::size_t>(fileRow) * stride;
        for (int x = 0; x < fields.width; ++x) {
            const std::uint32_t value = values[static_cast<std::size_t>(y * fields.width + x)];
            const auto bit = static_cast<std::size_t>(x * fields.bitCount);
            if (fields.bitCount <= 8) {
                out[row + bit / 8] |= static_cast<std::uint8_t>(value << (8 - fields.bitCount - bit % 8));
            } else if (fields.bitCount == 24) {
                out[row + bit / 8] = static_cast<std::uint8_t>(blueOf(value));
                out[row + bit / 8 + 1] = static_cast<std::uint8_t>(greenOf(value));
                out[row + bit / 8 + 2] = static_cast<std::uint8_t>(redOf(value));
            } else {
                put(out, row + bit / 8, value, fields.bitCount / 8);
            }
        }
    }
    return out;
}

std::optional<DecodedBmp> decode(const std::vector<std::uint8_t>& bytes) {
    return decodeBmp(bytes.data(), bytes.size());
}

std::vector<Colour> decodedPixels(const std::vector<std::uint8_t>& bytes) {
    const auto picture = decode(bytes);
    return picture ? picture->pixels : std::vector<Colour>{};
}

const Colour kRed = makeColour(255, 0, 0);
const Colour kGreen = makeColour(0, 255, 0);
const Colour kBlue = makeColour(0, 0, 255);
const std::vector<Colour> kSix = {makeColour(1, 2, 3),    makeColour(40, 50, 60),    makeColour(255, 0, 128),
                                  makeColour(9, 200, 90), makeColour(128, 128, 128), makeColour(0, 0, 1)};

}  // namespace

TEST(BmpDecoder, Reads24BitRowsBottomUpAndTopDown) {
    // Three pixels of three bytes leave three bytes of padding in every row.
    BmpFields fields;
    fields.width = 3;
    fields.height = 2;
    const std::vector<std::uint32_t> values(kSix.begin(), kSix.end());
    const auto bottomUp = decode(makeBmp(fields, values));
    ASSERT_TRUE(bottomUp.has_value());
    EXPECT_EQ(bottomUp->width, 3);
    EXPECT_EQ(bottomUp->height, 2);
    EXPECT_EQ(bottomUp->pixels, kSix);

    fields.height = -2;
    EXPECT_EQ(decodedPixels(makeBmp(fields, values)), kSix);
}

TEST(BmpDecoder, Reads16And32BitPixelsThroughTheirMasks) {
    BmpFields fields;
    fields.width = 2;
    fields.bitCount = 32;
    // By default the top byte is unused and red, green, blue follow.
    EXPECT_EQ(decodedPixels(makeBmp(fields, {0xFF102030, 0x00FFFFFF})),
              (std::vector<Colour>{makeColour(0x10, 0x20, 0x30), kWhite}));

    fields.compression = 3;
    fields.masks = {0x000000FF, 0x0000FF00, 0x00FF0000};
    const std::vector<Colour> swapped = {makeColour(0x10, 0x20, 0x30), kRed};
    EXPECT_EQ(decodedPixels(makeBmp(fields, {0x00302010, 0x000000FF})), swapped);
    fields.headerSize = 124;
    EXPECT_EQ(decodedPixels(makeBmp(fields, {0x00302010, 0x000000FF})), swapped);

    fields = BmpFields{};
    fields.width = 4;
    fields.bitCount = 16;
    // Five bits a channel by default; 16 of 31 scales to 132.
    EXPECT_EQ(decodedPixels(makeBmp(fields, {0x7C00, 0x03E0, 0x001F, 0x4210})),
              (std::vector<Colour>{kRed, kGreen, kBlue, makeColour(132, 132, 132)}));
    fields.compression = 3;
    fields.masks = {0xF800, 0x07E0, 0x001F};
    EXPECT_EQ(decodedPixels(makeBmp(fields, {0xF800, 0x07E0, 0x001F, 0x0020})),
              (std::vector<Colour>{kRed, kGreen, kBlue, makeColour(0, 4, 0)}));
}

TEST(BmpDecoder, ReadsPalettedPixels) {
    BmpFields fields;
    fields.palette = {kRed, kGreen, kBlue};
    fields.coloursUsed = 3;
    fields.width = 5;
    fields.height = 2;
    fields.bitCount = 8;
    const std::vector<std::uint32_t> indices = {0, 1, 2, 2, 1, 1, 0, 0, 2, 0};
    std::vector<Colour> expected;
    for (std::uint32_t index : indices) {
        expected.push_back(fields.palette[index]);
    }
    EXPECT_EQ(decodedPixels(makeBmp(fields, indices)), expected);
    fields.bitCount = 4;
    EXPECT_EQ(decodedPixels(makeBmp(fields, indices)), expected);

    // Eleven one-bit pixels span two bytes of a row; no count means a full palette.
    fields = BmpFields{};
    fields.bitCount = 1;
    fields.width = 11;
    fields.palette = {kBlack, kWhite};
    const std::vector<std::uint32_t> bits = {1, 0, 0, 1, 1, 1, 0, 1, 0, 1, 1};
    std::vector<Colour> blackAndWhite;
    for (std::uint32_t bit : bits) {
        blackAndWhite.push_back(bit != 0 ? kWhite : kBlack);
    }
    EXPECT_EQ(decodedPixels(makeBmp(fields, bits)), blackAndWhite);
}

TEST(BmpDecoder, AcceptsALastRowWithoutItsPadding) {
    BmpFields fields;
    fields.height = 2;
    std::vector<std::uint8_t> bytes = makeBmp(fields, {kRed, kBlue});
    bytes.pop_back();  // one byte of padding left out
    EXPECT_EQ(decodedPixels(bytes), (std::vector<Colour>{kRed, kBlue}));
    bytes.pop_back();  // and one byte of the last pixel
    EXPECT_FALSE(decode(bytes).has_value());
}

TEST(BmpDecoder, RefusesMalformedFiles) {
    BmpFields valid;
    valid.width = 4;
    valid.height = 3;
    const std::vector<std::uint32_t> twelve(12, kRed);
    const std::vector<std::uint8_t> good = makeBmp(valid, twelve);
    ASSERT_TRUE(decode(good).has_value());

    struct Edit {
        std::size_t at;
        std::uint64_t value;
        int bytes;
    };
    const auto patched = [&](std::initializer_list<Edit> edits) {
        std::vector<std::uint8_t> copy = good;
        for (const Edit& edit : edits) {
            put(copy, edit.at, edit.value, edit.bytes);
        }
        return copy;
    };
    const auto with = [&](auto change) {
        BmpFields fields = valid;
        std::vector<std::uint32_t> values = twelve;
        change(fields, values);
        return makeBmp(fields, values);
    };
    struct Case {
        const char* name;
        std::vector<std::uint8_t> bytes;
    };
    const std::vector<Case> cases = {
        {"empty", {}},
        {"ten bytes", std::vector<std::uint8_t>(good.begin(), good.begin() + 10)},
        {"headers only", std::vector<std::uint8_t>(good.begin(), good.begin() + 54)},
        {"wrong magic", patched({{1, 'X', 1}})},
        {"truncated pixels", std::vector<std::uint8_t>(good.begin(), good.end() - 4)},
        {"zero width", patched({{18, 0, 4}})},
        {"negative width", patched({{18, static_cast<std::uint32_t>(-4), 4}})},
        {"zero height", patched({{22, 0, 4}})},
        {"100000 x 100000", patched({{18, 100000, 4}, {22, 100000, 4}})},
        {"width over the limit", patched({{18, kMaxBmpSide + 1, 4}})},
        {"lowest height", patched({{22, static_cast<std::uint32_t>(INT_MIN), 4}})},
        {"pixels past the end", patched({{10, 0xFFFFFFF0, 4}})},
        {"pixels inside the header", patched({{10, 20, 4}})},
        {"unknown header size", patched({{14, 64, 4}})},
        {"old core header", patched({{14, 12, 4}})},
        {"run-length compressed", patched({{30, 1, 4}})},
        {"masks on 24 bits", patched({{30, 3, 4}})},
        {"two bits a pixel", patched({{28, 2, 2}})},
        {"no bits a pixel", patched({{28, 0, 2}})},
        {"palette index out of range", with([](BmpFields& fields, std::vector<std::uint32_t>& values) {
             fields.bitCount = 8;
             fields.palette = {kRed, kGreen, kBlue};
             fields.coloursUsed = 3;
             values.assign(12, 1);
             values[7] = 3;
         })},
        {"palette running into the pixels", [&] {
             auto bytes = with([](BmpFields& fields, std::vector<std::uint32_t>& values) {
                 fields.bitCount = 8;
                 fields.palette = {kRed, kGreen};
                 values.assign(12, 0);
             });
             put(bytes, 46, 256, 4);
             return bytes;
         }()},
        {"broken mask", with([](BmpFields& fields, std::vector<std::uint32_t>&) {
             fields.bitCount = 32;
             fields.compression = 3;
             fields.masks = {0x00FF00FF, 0x0000FF00, 0x000000FF};
         })},
    };
    for (const Case& c : cases) {
        EXPECT_FALSE(decode(c.bytes).has_value()) << c.name;
    }
    EXPECT_FALSE(decodeBmp(nullptr, 100).has_value());
}

TEST(BmpDecoder, RefusesMorePixelsThanTheLimitEvenWhenTheFileHoldsThem) {
    // 8192 x 8193 one-bit pixels fit in 8 MiB but would take 256 MiB decoded.
    BmpFields fields;
    fields.bitCount = 1;
    fields.palette = {kBlack, kWhite};
    std::vector<std::uint8_t> bytes = makeBmp(fields, {0});
    const std::size_t pixelOffset = bytes.size() - 4;
    bytes.resize(pixelOffset + std::size_t{1024} * 8193);
    put(bytes, 18, 8192, 4);
    put(bytes, 22, 8193, 4);
    EXPECT_FALSE(decode(bytes).has_value());
}

TEST(BmpDecoder, LoadsFilesAndRefusesWhatIsNotAPictureFile) {
    EXPECT_FALSE(loadBmpFile("no-such-file.bmp").has_value());
    EXPECT_FALSE(loadBmpFile(nullptr).has_value());
    EXPECT_FALSE(loadBmpFile(std::filesystem::temp_directory_path().string().c_str()).has_value());

    // The sample files kept for fuzzing say by their names what they are.
    int valid = 0;
    int broken = 0;
    for (const auto& entry : std::filesystem::directory_iterator(VANTOR_TEST_DATA "/bmp")) {
        const std::string name = entry.path().filename().string();
        const auto picture = loadBmpFile(entry.path().string().c_str());
        if (name.rfind("valid-", 0) == 0) {
            ++valid;
            ASSERT_TRUE(picture.has_value()) << name;
            EXPECT_EQ(picture->pixels.size(), static_cast<std::size_t>(picture->width * picture->height)) << name;
        } else {
            ++broken;
            EXPECT_FALSE(picture.has_value()) << name;
        }
    }
    EXPECT_GE(valid, 4);
    EXPECT_GE(broken, 4);
}
