// GdiCanvas: the Canvas of a real window, drawn through Win32 GDI one call at a time.
#pragma once

#include <windows.h>

#include "draw/Canvas.h"

class GdiCanvas : public Canvas {
public:
    // Stores the window and the size of its client area it covers; draws nothing.
    GdiCanvas(HWND window, int width, int height);
    ~GdiCanvas() override;

    void fill(Colour colour) override;
    void drawText(const char* text, int x, int y, Colour colour) override;
    void drawCentredText(const char* text, int y, Colour colour) override;
    void drawLine(int x1, int y1, int x2, int y2, Colour colour) override;
    void drawDisc(int cx, int cy, int diameter, Colour colour) override;
    void fillTriangle(int x1, int y1, int x2, int y2, int x3, int y3, Colour colour) override;
    void captureBackground() override;
    void restoreRect(int left, int top, int right, int bottom) override;

    std::unique_ptr<Picture> loadPicture(const char* fileName) override;
    void drawPicture(const Picture& picture) override;

    bool hasSnapshot() const { return snapshotDc != nullptr; }

private:
    HWND hwnd() const { return static_cast<HWND>(window); }
    void releaseSnapshot();

    // The background snapshot: a memory context with its own bitmap selected
    // into it for the snapshot's whole life.
    HDC snapshotDc = nullptr;
    HBITMAP snapshotBitmap = nullptr;
};
