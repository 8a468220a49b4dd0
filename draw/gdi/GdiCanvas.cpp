// GdiCanvas: each primitive fetches the window's device context, draws in GDI's
// default state with a pen or brush that lives for that call only, and gives the
// context back before it returns. Only the background snapshot outlives a call.
#include "draw/gdi/GdiCanvas.h"

#include <algorithm>
#include <cstring>

#include "draw/gdi/GdiPicture.h"

namespace {

// The window's device context for the length of one drawing call, clipped to
// the area the canvas covers (the whole client area in the program; a window
// larger than its canvas shows nothing of the canvas's drawing beyond it). A
// canvas without a window gets no context: GetDC(NULL) would be the whole screen.
class WindowDc {
public:
    WindowDc(HWND of, int width, int height) : window(of), dc(of ? GetDC(of) : nullptr) {
        if (dc) IntersectClipRect(dc, 0, 0, width, height);
    }
    ~WindowDc() {
        if (dc) ReleaseDC(window, dc);
    }
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;

    explicit operator bool() const { return dc != nullptr; }
    operator HDC() const { return dc; }

private:
    HWND window;
    HDC dc;
};

// A pen or brush selected into a context for one drawing; the displaced object
// is selected back and the created one deleted when this goes.
class SelectedObject {
public:
    SelectedObject(HDC into, HGDIOBJ object) : dc(into), created(object) {
        if (created) displaced = SelectObject(dc, created);
    }
    ~SelectedObject() {
        if (displaced) SelectObject(dc, displaced);
        if (created) DeleteObject(created);
    }
    SelectedObject(const SelectedObject&) = delete;
    SelectedObject& operator=(const SelectedObject&) = delete;

private:
    HDC dc;
    HGDIOBJ created;
    HGDIOBJ displaced = nullptr;
};

int byteLength(const char* text) { return static_cast<int>(std::strlen(text)); }

void drawTransparentText(HDC dc, const char* text, int x, int y, Colour colour) {
    SetTextColor(dc, colour);
    SetBkMode(dc, TRANSPARENT);
    TextOutA(dc, x, y, text, byteLength(text));
}

}  // namespace

GdiCanvas::GdiCanvas(HWND windowHandle, int canvasWidth, int canvasHeight)
    : Canvas(windowHandle, canvasWidth, canvasHeight) {}

GdiCanvas::~GdiCanvas() { releaseSnapshot(); }

void GdiCanvas::fill(Colour colour) {
    WindowDc dc(hwnd(), width, height);
    if (!dc) return;
    SelectedObject brush(dc, CreateSolidBrush(colour));
    PatBlt(dc, 0, 0, width, height, PATCOPY);
}

void GdiCanvas::drawText(const char* text, int x, int y, Colour colour) {
    if (!text) return;
    WindowDc dc(hwnd(), width, height);
    if (!dc) return;
    drawTransparentText(dc, text, x, y, colour);
}

void GdiCanvas::drawCentredText(const char* text, int y, Colour colour) {
    if (!text) return;
    WindowDc dc(hwnd(), width, height);
    if (!dc) return;
    TEXTMETRICA metrics{};
    GetTextMetricsA(dc, &metrics);
    const int x = centredTextX(width, byteLength(text), metrics.tmAveCharWidth);
    drawTransparentText(dc, text, x, y, colour);
}

void GdiCanvas::drawLine(int x1, int y1, int x2, int y2, Colour colour) {
    WindowDc dc(hwnd(), width, height);
    if (!dc) return;
    SelectedObject pen(dc, CreatePen(PS_SOLID, 0, colour));
    MoveToEx(dc, x1, y1, nullptr);
    LineTo(dc, x2, y2);
}

void GdiCanvas::drawDisc(int cx, int cy, int diameter, Colour colour) {
    const int r = diameter / 2;
    WindowDc dc(hwnd(), width, height);
    if (!dc) return;
    SelectedObject brush(dc, CreateSolidBrush(colour));
    Ellipse(dc, cx - r, cy - r, cx + r, cy + r);
}

void GdiCanvas::fillTriangle(int x1, int y1, int x2, int y2, int x3, int y3, Colour colour) {
    WindowDc dc(hwnd(), width, height);
    if (!dc) return;
    SelectedObject brush(dc, CreateSolidBrush(colour));
    const POINT corners[3] = {{x1, y1}, {x2, y2}, {x3, y3}};
    Polygon(dc, corners, 3);
}

void GdiCanvas::captureBackground() {
    HDC newDc = nullptr;
    HBITMAP newBitmap = nullptr;
    {
        WindowDc dc(hwnd(), width, height);
        if (dc) {
            newDc = CreateCompatibleDC(dc);
            newBitmap = newDc ? CreateCompatibleBitmap(dc, width, height) : nullptr;
            if (newBitmap) {
                SelectObject(newDc, newBitmap);
                StretchBlt(newDc, 0, 0, width, height, dc, 0, 0, width, height, SRCCOPY);
            } else if (newDc) {
                // No bitmap of this size could be made: a snapshot without one
                // would hold nothing of the window, so there is none.
                DeleteDC(newDc);
                newDc = nullptr;
            }
        }
    }
    releaseSnapshot();
    snapshotDc = newDc;
    snapshotBitmap = newBitmap;
}

void GdiCanvas::restoreRect(int left, int top, int right, int bottom) {
    // Only the snapshot's own width x height holds pixels of the window.
    const PixelArea area = restoredArea(left, top, right, bottom, width, height);
    if (!snapshotDc || area.empty()) return;
    WindowDc dc(hwnd(), width, height);
    if (!dc) return;
    const int w = area.right - area.left;
    const int h = area.bottom - area.top;
    StretchBlt(dc, area.left, area.top, w, h, snapshotDc, area.left, area.top, w, h, SRCCOPY);
}

std::unique_ptr<Picture> GdiCanvas::loadPicture(const char* fileName) {
    if (!fileName) return nullptr;
    HANDLE image = LoadImageA(nullptr, fileName, IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE);
    if (!image) return nullptr;
    return std::make_unique<GdiPicture>(static_cast<HBITMAP>(image));
}

void GdiCanvas::drawPicture(const Picture& picture) {
    const auto* gdiPicture = dynamic_cast<const GdiPicture*>(&picture);
    if (!gdiPicture) return;
    HDC dc = hwnd() ? GetDC(hwnd()) : nullptr;
    if (!dc) return;
    HDC memoryDc = CreateCompatibleDC(dc);
    if (memoryDc) {
        HGDIOBJ displaced = SelectObject(memoryDc, gdiPicture->bitmap);
        BITMAP info{};
        GetObjectA(gdiPicture->bitmap, sizeof info, &info);
        // Both contexts map one unit to one pixel; the picture's size and origin
        // are still converted so that the copy stays right under another mapping.
        SetMapMode(memoryDc, GetMapMode(dc));
        POINT size = {info.bmWidth, info.bmHeight};
        DPtoLP(dc, &size, 1);
        POINT origin = {0, 0};
        DPtoLP(memoryDc, &origin, 1);
        // The default stretch mode ANDs the rows and columns it drops when the
        // picture shrinks, which sprinkles coloured specks over a smooth
        // picture; colour-on-colour simply keeps the nearest pixel.
        const int previousMode = SetStretchBltMode(dc, COLORONCOLOR);
        StretchBlt(dc, 0, 0, width, height, memoryDc, origin.x, origin.y, size.x, size.y, SRCCOPY);
        if (previousMode) SetStretchBltMode(dc, previousMode);
        SelectObject(memoryDc, displaced);
    }
    ReleaseDC(hwnd(), dc);
    if (memoryDc) DeleteDC(memoryDc);
}

void GdiCanvas::releaseSnapshot() {
    if (snapshotDc) DeleteDC(snapshotDc);
    if (snapshotBitmap) DeleteObject(snapshotBitmap);
    snapshotDc = nullptr;
    snapshotBitmap = nullptr;
}
