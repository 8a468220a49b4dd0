// RasterCanvas: the Canvas primitives on an in-memory framebuffer.
#include "draw/raster/RasterCanvas.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>
#include <utility>

#include "draw/raster/BmpDecoder.h"
#include "draw/raster/BmpEncoder.h"
#include "draw/raster/RasterFont.h"
#include "draw/raster/RasterPicture.h"
#include "draw/raster/RasterShapes.h"

namespace {

int clampSide(int size) {
    return std::clamp(size, 0, RasterCanvas::kMaxSide);
}

}  // namespace

RasterCanvas::RasterCanvas(int requestedWidth, int requestedHeight)
    : Canvas(nullptr, clampSide(requestedWidth), clampSide(requestedHeight)), screen(width, height) {}

void RasterCanvas::fill(Colour colour) {
    std::fill(screen.pixels().begin(), screen.pixels().end(), colour);
}

void RasterCanvas::drawText(const char* text, int x, int y, Colour colour) {
    drawGlyphs(screen, text, x, y, colour);
}

void RasterCanvas::drawCentredText(const char* text, int y, Colour colour) {
    if (text == nullptr) {
        return;
    }
    // A text so long that its estimated width would overflow is far wider than
    // the canvas anyway; its length is capped so the estimate stays in range.
    const std::size_t bytes = std::strlen(text);
    const int length = static_cast<int>(std::min<std::size_t>(bytes, INT_MAX / kFontCellWidth));
    drawGlyphs(screen, text, centredTextX(width, length, averageCharWidth()), y, colour);
}

void RasterCanvas::drawLine(int x1, int y1, int x2, int y2, Colour colour) {
    rasterLine(screen, x1, y1, x2, y2, colour);
}

void RasterCanvas::drawDisc(int cx, int cy, int diameter, Colour colour) {
    // The box is computed in 64 bits and clamped, so extreme centres cannot overflow.
    const std::int64_t r = diameter / 2;
    const auto coordinate = [](std::int64_t value) {
        return static_cast<int>(std::clamp<std::int64_t>(value, INT_MIN, INT_MAX));
    };
    rasterEllipse(screen, coordinate(cx - r), coordinate(cy - r), coordinate(cx + r), coordinate(cy + r),
                  colour, kBlack);
}

void RasterCanvas::fillTriangle(int x1, int y1, int x2, int y2, int x3, int y3, Colour colour) {
    const RasterPoint corners[3] = {{x1, y1}, {x2, y2}, {x3, y3}};
    rasterPolygon(screen, corners, 3, colour, kBlack);
}

void RasterCanvas::captureBackground() {
    snapshot = screen.pixels();
    snapshotTaken = true;
}

void RasterCanvas::restoreRect(int left, int top, int right, int bottom) {
    const PixelArea area = restoredArea(left, top, right, bottom, width, height);
    if (!snapshotTaken || area.empty()) {
        return;
    }
    for (int y = area.top; y < area.bottom; ++y) {
        const auto rowStart = static_cast<std::ptrdiff_t>(y) * width;
        std::copy(snapshot.begin() + rowStart + area.left, snapshot.begin() + rowStart + area.right,
                  screen.pixels().begin() + rowStart + area.left);
    }
}

std::unique_ptr<Picture> RasterCanvas::loadPicture(const char* fileName) {
    std::optional<DecodedBmp> decoded = loadBmpFile(fileName);
    if (!decoded) {
        return nullptr;
    }
    return std::make_unique<RasterPicture>(std::move(*decoded));
}

void RasterCanvas::drawPicture(const Picture& picture) {
    const auto* raster = dynamic_cast<const RasterPicture*>(&picture);
    if (raster == nullptr || width == 0 || height == 0) {
        return;
    }
    const std::int64_t pictureWidth = raster->pictureWidth();
    const std::int64_t pictureHeight = raster->pictureHeight();
    if (pictureWidth <= 0 || pictureHeight <= 0 ||
        raster->pixels().size() != static_cast<std::size_t>(pictureWidth * pictureHeight)) {
        return;
    }
    std::vector<std::size_t> sourceColumn(static_cast<std::size_t>(width));
    for (int x = 0; x < width; ++x) {
        sourceColumn[static_cast<std::size_t>(x)] = static_cast<std::size_t>(x * pictureWidth / width);
    }
    std::vector<Colour>& target = screen.pixels();
    for (int y = 0; y < height; ++y) {
        const std::size_t sourceRow = static_cast<std::size_t>(y * pictureHeight / height * pictureWidth);
        Colour* row = target.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width);
        for (int x = 0; x < width; ++x) {
            row[x] = raster->pixels()[sourceRow + sourceColumn[static_cast<std::size_t>(x)]];
        }
    }
}

int RasterCanvas::averageCharWidth() const {
    return kFontCellWidth;
}

bool RasterCanvas::saveBmp(const std::string& path) const {
    return writeBmp24File(path, width, height, screen.pixels());
}
