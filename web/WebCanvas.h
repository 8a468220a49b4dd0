// WebCanvas: the canvas of the browser page. Shapes, pictures and the background
// snapshot are the raster device's, pixel for pixel; text is drawn with the
// browser's own font, as legible as the Windows program's system font.
#pragma once

#include "draw/raster/RasterCanvas.h"

class WebCanvas : public RasterCanvas {
public:
    using RasterCanvas::RasterCanvas;

    ~WebCanvas() override;

    void drawText(const char* text, int x, int y, Colour colour) override;
    void drawCentredText(const char* text, int y, Colour colour) override;
    // What paints over texts also removes those the page keeps above a
    // magnified board.
    void fill(Colour colour) override;
    void restoreRect(int left, int top, int right, int bottom) override;
    void drawPicture(const Picture& picture) override;

    // The pixels, width x height, each 0x00BBGGRR: in memory the bytes R, G, B
    // and 0, which the page shows as they are, with full opacity.
    const Colour* framebuffer() const { return screen.pixels().data(); }
};
