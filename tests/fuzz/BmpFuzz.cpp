// bmp_fuzz: libFuzzer target for the raster device's BMP decoder. Whatever the
// bytes, the decoder must refuse them or give a picture that holds together
// within its limits, and a picture it accepts must come back unchanged through
// a 24-bit file of our own. A broken promise aborts, which libFuzzer reports.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "draw/raster/BmpDecoder.h"
#include "draw/raster/BmpEncoder.h"

namespace {

void require(bool holds) {
    if (!holds) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::optional<DecodedBmp> picture = decodeBmp(data, size);
    if (!picture) return 0;

    const int width = picture->width;
    const int height = picture->height;
    require(width > 0 && height > 0 && width <= kMaxBmpSide && height <= kMaxBmpSide);
    const std::size_t count = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    require(count <= kMaxBmpPixels);
    require(picture->pixels.size() == count);
    for (Colour colour : picture->pixels) require((colour & 0xFF000000u) == 0);

    const std::vector<std::uint8_t> file = encodeBmp24(width, height, picture->pixels);
    const std::optional<DecodedBmp> again = decodeBmp(file.data(), file.size());
    require(again.has_value());
    require(again->width == width && again->height == height && again->pixels == picture->pixels);
    return 0;
}
