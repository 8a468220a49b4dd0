// WebCanvas: text through the page's font, everything else through the raster device.
#include "web/WebCanvas.h"

#include <emscripten.h>

#include <climits>
#include <cstring>

// The page draws the text's glyphs into the framebuffer: ink where the font
// covers at least half a pixel, in the colour, and nothing else (a transparent
// background, as in a window).
EM_JS(void, drawTextOnPage, (const char* text, int x, int y, unsigned colour, Colour* pixels, int width, int height), {
    Module.vantorText.draw(UTF8ToString(text), x, y, colour, pixels, width, height);
});

// The font's average character width, as tmAveCharWidth gives it for a window.
EM_JS(int, averageCharWidthOnPage, (), { return Module.vantorText.averageCharWidth(); });

// Forgets the texts kept above the board whose origin lies in the rectangle, or
// all of them.
EM_JS(void, eraseTextsOnPage, (const Colour* pixels, int left, int top, int right, int bottom, int all), {
    Module.vantorText.erase(pixels, left, top, all ? Infinity : right, bottom);
});

WebCanvas::~WebCanvas() { eraseTextsOnPage(framebuffer(), 0, 0, 0, 0, 1); }

void WebCanvas::fill(Colour colour) {
    RasterCanvas::fill(colour);
    eraseTextsOnPage(framebuffer(), 0, 0, 0, 0, 1);
}

void WebCanvas::restoreRect(int left, int top, int right, int bottom) {
    RasterCanvas::restoreRect(left, top, right, bottom);
    eraseTextsOnPage(framebuffer(), left, top, right, bottom, 0);
}

void WebCanvas::drawPicture(const Picture& picture) {
    RasterCanvas::drawPicture(picture);
    eraseTextsOnPage(framebuffer(), 0, 0, 0, 0, 1);
}

void WebCanvas::drawText(const char* text, int x, int y, Colour colour) {
    if (text == nullptr || width == 0 || height == 0) return;
    drawTextOnPage(text, x, y, colour, screen.pixels().data(), width, height);
}

void WebCanvas::drawCentredText(const char* text, int y, Colour colour) {
    if (text == nullptr) return;
    const std::size_t bytes = std::strlen(text);
    const int length = static_cast<int>(bytes < INT_MAX / 64 ? bytes : INT_MAX / 64);
    drawText(text, centredTextX(width, length, averageCharWidthOnPage()), y, colour);
}
