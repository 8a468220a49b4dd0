// Framebuffer: clipped pixel access to an in-memory block of colours.
#include "draw/raster/Framebuffer.h"

#include <algorithm>

Framebuffer::Framebuffer(int width, int height)
    : columns(std::max(width, 0)), rows(std::max(height, 0)),
      data(static_cast<std::size_t>(columns) * static_cast<std::size_t>(rows), kBlack) {}

Colour Framebuffer::at(std::int64_t x, std::int64_t y) const {
    if (!contains(x, y)) {
        return 0;
    }
    return data[static_cast<std::size_t>(y * columns + x)];
}

void Framebuffer::set(std::int64_t x, std::int64_t y, Colour colour) {
    if (contains(x, y)) {
        data[static_cast<std::size_t>(y * columns + x)] = colour;
    }
}

void Framebuffer::fillRow(std::int64_t y, std::int64_t x0, std::int64_t x1, Colour colour) {
    if (y < 0 || y >= rows) {
        return;
    }
    x0 = std::max<std::int64_t>(x0, 0);
    x1 = std::min<std::int64_t>(x1, columns);
    if (x0 >= x1) {
        return;
    }
    auto row = data.begin() + static_cast<std::ptrdiff_t>(y * columns);
    std::fill(row + static_cast<std::ptrdiff_t>(x0), row + static_cast<std::ptrdiff_t>(x1), colour);
}
