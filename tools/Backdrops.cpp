// The four level backdrops: a planet on its own starry sky.
#include <cmath>

#include "tools/Pictures.h"
#include "tools/Planets.h"
#include "tools/Sky.h"

namespace pictures {

void addAtmosphereHalo(Light& pixel, const SpherePoint& point, Light colour, double width) {
    const double outside = point.distance - 1;
    if (outside <= 0 || outside >= width) return;
    const double fade = 1 - outside / width;
    const double towardsSun = clamp01(dot(normalised({point.normal.x, point.normal.y, 0}), sunDirection()) + 0.35);
    pixel = pixel + colour * (0.12 * fade * fade * towardsSun);
}

const char* backdropFileName(int level) {
    switch (level) {
        case 1: return "terre.bmp";
        case 2: return "mars.bmp";
        case 3: return "saturne.bmp";
        case 4: return "jupiter.bmp";
        default: return nullptr;
    }
}

Image renderBackdrop(int level) {
    if (level < 1 || level > kLevelCount) return {};
    LinearImage image(kBackdropSize, kBackdropSize);
    switch (level) {
        case 1:
            paintSky(image, 0x7E44E1u, fromDisplay(120, 90, 160));
            paintEarth(image);
            break;
        case 2:
            paintSky(image, 0x3A125u, fromDisplay(170, 90, 70));
            paintMars(image);
            break;
        case 3:
            paintSky(image, 0x5A7u, fromDisplay(150, 120, 90));
            paintSaturn(image);
            break;
        default:
            paintSky(image, 0x10F17E2u, fromDisplay(130, 100, 150));
            paintJupiter(image);
            break;
    }
    return toImage(image);
}

std::vector<std::uint8_t> makeBackdropBmp(int level) { return encodeBmp(renderBackdrop(level)); }

}  // namespace pictures
