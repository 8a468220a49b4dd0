// Canvas: the drawing surface of one window, with immediate-mode primitives and
// one background snapshot. Two devices implement it: the GDI device (the real
// window) and the raster device (an in-memory framebuffer with GDI's pixel rules).
#pragma once

#include <algorithm>
#include <cstdint>
#include <memory>
#include <utility>

#include "draw/Colour.h"

// A loaded picture, owned by whoever loaded it. Each device has its own kind and
// only draws the kind it loads.
class Picture {
public:
    virtual ~Picture() = default;
    virtual int pictureWidth() const = 0;
    virtual int pictureHeight() const = 0;
};

// The window a canvas draws into: an HWND on Windows, opaque everywhere else.
using WindowHandle = void*;

class Canvas {
public:
    // Stores the three values; draws nothing and takes no snapshot.
    Canvas(WindowHandle windowHandle, int canvasWidth, int canvasHeight)
        : window(windowHandle), width(canvasWidth), height(canvasHeight) {}
    virtual ~Canvas() = default;
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    // Paints (0, 0)-(width, height), right and bottom edges excluded.
    virtual void fill(Colour colour) = 0;
    // Text with its top-left corner at (x, y), transparent background, system font.
    virtual void drawText(const char* text, int x, int y, Colour colour) = 0;
    // As drawText, at x = centredTextX(width, length, average character width).
    virtual void drawCentredText(const char* text, int y, Colour colour) = 0;
    // One-pixel line from (x1, y1) up to but not including (x2, y2).
    virtual void drawLine(int x1, int y1, int x2, int y2, Colour colour) = 0;
    // Filled circle in the box (cx - r, cy - r)-(cx + r, cy + r), r = diameter / 2,
    // right and bottom edges excluded, with a one-pixel black outline.
    virtual void drawDisc(int cx, int cy, int diameter, Colour colour) = 0;
    // Triangle through the three points, filled in the colour, outlined in black.
    virtual void fillTriangle(int x1, int y1, int x2, int y2, int x3, int y3, Colour colour) = 0;
    // Replaces the background snapshot with a copy of the current width x height pixels.
    virtual void captureBackground() = 0;
    // Copies (left, top)-(right, bottom) from the snapshot back to the same place.
    // Does nothing while there is no snapshot.
    virtual void restoreRect(int left, int top, int right, int bottom) = 0;

    // Loads a BMP file at its own size; null when it is missing or unreadable.
    virtual std::unique_ptr<Picture> loadPicture(const char* fileName) = 0;
    // Stretches a picture this device loaded over the whole canvas, corner to corner.
    virtual void drawPicture(const Picture& picture) = 0;

    const WindowHandle window;
    const int width;
    const int height;
};

// Where drawCentredText puts a text of `length` bytes: both halves are integer
// divisions truncating toward zero, each made on its own before the subtraction.
constexpr int centredTextX(int canvasWidth, int length, int averageCharWidth) {
    return canvasWidth / 2 - (length * averageCharWidth) / 2;
}

// The pixels of a canvas of width x height that restoreRect(left, top, right,
// bottom) copies: the rectangle with right and bottom excluded, clipped to the
// canvas. A rectangle given right to left (or bottom to top) covers what a blit
// with negative extents covers: from right + 1 up to left, inclusive. Both
// devices copy exactly these pixels.
struct PixelArea {
    int left, top, right, bottom;
    bool empty() const { return left >= right || top >= bottom; }
};

constexpr PixelArea restoredArea(int left, int top, int right, int bottom, int width, int height) {
    const auto span = [](std::int64_t from, std::int64_t to, int size) {
        if (to < from) {
            const std::int64_t first = to + 1;
            to = from + 1;
            from = first;
        }
        return std::pair{static_cast<int>(std::clamp<std::int64_t>(from, 0, size)),
                         static_cast<int>(std::clamp<std::int64_t>(to, 0, size))};
    };
    const auto [x0, x1] = span(left, right, width);
    const auto [y0, y1] = span(top, bottom, height);
    return {x0, y0, x1, y1};
}
