// GdiProbe: a GDI canvas on a real popup window at the screen's top-left corner,
// read back pixel by pixel with GetPixel.
#pragma once

#include <windows.h>

#include <memory>

#include "common/CanvasChecks.h"
#include "draw/gdi/GdiCanvas.h"

class GdiProbe : public CanvasProbe {
public:
    // The window is a few pixels larger than the canvas and black all over, so
    // that pixels just past the canvas's right and bottom edges can be read too.
    GdiProbe(int width, int height);
    ~GdiProbe() override;

    Canvas& canvas() override { return *gdiCanvas; }
    Colour pixel(int x, int y) override;
    int averageCharWidth() override;

    HWND window() const { return popup; }
    GdiCanvas& gdi() { return *gdiCanvas; }

private:
    HWND popup = nullptr;
    std::unique_ptr<GdiCanvas> gdiCanvas;
};

std::unique_ptr<CanvasProbe> makeGdiProbe(int width, int height);
