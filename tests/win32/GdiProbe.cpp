// GdiProbe: a popup window without frame or caption whose client area is the canvas.
#include "win32/GdiProbe.h"

#include "win32/Win32TestSupport.h"

namespace {

constexpr int kMargin = 8;
const char* const kProbeClass = "VantorGdiProbe";

void registerProbeClass() {
    static bool registered = false;
    if (registered) return;
    WNDCLASSEXA probeClass{};
    probeClass.cbSize = sizeof probeClass;
    probeClass.lpfnWndProc = DefWindowProcA;
    probeClass.hInstance = GetModuleHandleA(nullptr);
    probeClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    probeClass.lpszClassName = kProbeClass;
    registered = RegisterClassExA(&probeClass) != 0;
}

}  // namespace

GdiProbe::GdiProbe(int width, int height) {
    registerProbeClass();
    popup = CreateWindowExA(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, kProbeClass, "probe", WS_POPUP | WS_VISIBLE, 0, 0,
                            width + kMargin, height + kMargin, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    // Paint the black background now, so that no later paint covers the drawing.
    UpdateWindow(popup);
    gdiCanvas = std::make_unique<GdiCanvas>(popup, width, height);
    gdiCanvas->fill(kBlack);
}

GdiProbe::~GdiProbe() {
    gdiCanvas.reset();
    DestroyWindow(popup);
}

// Points the window cannot show read as 0, like a probe that shows only its canvas.
Colour GdiProbe::pixel(int x, int y) {
    const Colour colour = windowPixel(popup, x, y);
    return colour == CLR_INVALID ? 0 : colour;
}

int GdiProbe::averageCharWidth() {
    HDC dc = GetDC(popup);
    TEXTMETRICA metrics{};
    GetTextMetricsA(dc, &metrics);
    ReleaseDC(popup, dc);
    return metrics.tmAveCharWidth;
}

std::unique_ptr<CanvasProbe> makeGdiProbe(int width, int height) {
    return std::make_unique<GdiProbe>(width, height);
}
