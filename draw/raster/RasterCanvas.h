// RasterCanvas: a Canvas drawing into an in-memory framebuffer with GDI's pixel
// rules, for tests, headless rendering and benchmarks.
#pragma once

#include <string>
#include <vector>

#include "draw/Canvas.h"
#include "draw/raster/Framebuffer.h"

class RasterCanvas : public Canvas {
public:
    // No side is longer than this many pixels, far more than any screen.
    static constexpr int kMaxSide = 16384;

    // A black width x height framebuffer with no window; negative sizes count as
    // 0 and larger ones as kMaxSide.
    RasterCanvas(int width, int height);

    void fill(Colour colour) override;
    void drawText(const char* text, int x, int y, Colour colour) override;
    void drawCentredText(const char* text, int y, Colour colour) override;
    void drawLine(int x1, int y1, int x2, int y2, Colour colour) override;
    void drawDisc(int cx, int cy, int diameter, Colour colour) override;
    void fillTriangle(int x1, int y1, int x2, int y2, int x3, int y3, Colour colour) override;
    void captureBackground() override;
    void restoreRect(int left, int top, int right, int bottom) override;
    // Reads the file with the BMP decoder; null when it is missing or refused.
    std::unique_ptr<Picture> loadPicture(const char* fileName) override;
    // Nearest-neighbour stretch: pixel (x, y) takes the picture's pixel
    // (x * pictureWidth / width, y * pictureHeight / height). Draws nothing for a
    // picture another device loaded.
    void drawPicture(const Picture& picture) override;

    // The colour at (x, y); 0 outside the canvas.
    Colour pixel(int x, int y) const { return screen.at(x, y); }
    bool hasSnapshot() const { return snapshotTaken; }
    // The width of every character cell of the raster font.
    int averageCharWidth() const;
    // All pixels, width x height, top row first.
    const std::vector<Colour>& pixels() const { return screen.pixels(); }
    // Writes the canvas as a 24-bit BMP file; false for an empty canvas or when
    // the file cannot be written.
    bool saveBmp(const std::string& path) const;

protected:
    Framebuffer screen;

private:
    std::vector<Colour> snapshot;
    bool snapshotTaken = false;
};
