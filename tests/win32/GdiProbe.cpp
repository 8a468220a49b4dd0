// GdiProbe: a popup window without frame or caption whose client area is the canvas.
#include "win32/GdiProbe.h"

#include <cstdint>
#include <fstream>

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

void putLittleEndian(std::vector<char>& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
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

bool writeBmpFile(const std::string& path, int width, int height, const std::vector<Colour>& pixels) {
    const int rowBytes = (width * 3 + 3) / 4 * 4;
    const auto imageBytes = static_cast<std::uint32_t>(rowBytes * height);
    std::vector<char> out;
    out.push_back('B');
    out.push_back('M');
    putLittleEndian(out, 54 + imageBytes, 4);
    putLittleEndian(out, 0, 4);
    putLittleEndian(out, 54, 4);
    putLittleEndian(out, 40, 4);
    putLittleEndian(out, static_cast<std::uint32_t>(width), 4);
    putLittleEndian(out, static_cast<std::uint32_t>(height), 4);
    putLittleEndian(out, 1, 2);
    putLittleEndian(out, 24, 2);
    putLittleEndian(out, 0, 4);
    putLittleEndian(out, imageBytes, 4);
    for (int i = 0; i < 4; ++i) putLittleEndian(out, 0, 4);
    for (int y = height - 1; y >= 0; --y) {
        for (int x = 0; x < width; ++x) {
            const Colour c = pixels[static_cast<std::size_t>(y * width + x)];
            out.push_back(static_cast<char>(blueOf(c)));
            out.push_back(static_cast<char>(greenOf(c)));
            out.push_back(static_cast<char>(redOf(c)));
        }
        for (int pad = width * 3; pad < rowBytes; ++pad) out.push_back(0);
    }
    std::ofstream file(path, std::ios::binary);
    file.write(out.data(), static_cast<std::streamsize>(out.size()));
    return static_cast<bool>(file);
}
