// Conversion to display values and the lighting of a sphere.
#include "tools/Shading.h"

#include <cmath>

namespace pictures {

namespace {

std::uint8_t toDisplay(double light) {
    return static_cast<std::uint8_t>(std::sqrt(clamp01(light)) * 255.0 + 0.5);
}

}  // namespace

Image toImage(const LinearImage& image) {
    Image out(image.width, image.height);
    for (std::size_t i = 0; i < image.pixels.size(); ++i) {
        const Light& p = image.pixels[i];
        out.pixels[i] = {toDisplay(p.r), toDisplay(p.g), toDisplay(p.b), 255};
    }
    return out;
}

SpherePoint spherePoint(int x, int y, double cx, double cy, double radius) {
    const double dx = (x + 0.5 - cx) / radius;
    const double dy = (cy - (y + 0.5)) / radius;
    const double distance = std::sqrt(dx * dx + dy * dy);
    SpherePoint point;
    point.distance = distance;
    point.coverage = clamp01(radius * (1 - distance) + 0.5);
    const double limit = 0.9995;
    const double scale = distance > limit ? limit / distance : 1.0;
    const double nx = dx * scale;
    const double ny = dy * scale;
    point.normal = {nx, ny, std::sqrt(1 - nx * nx - ny * ny)};
    return point;
}

double sunlight(Vec3 normal, Vec3 sun, double limbDarkening) {
    // Let the light wrap a little past the terminator so the day side fades softly into night.
    const double wrapped = clamp01((dot(normal, sun) + 0.12) / 1.12);
    const double diffuse = wrapped * std::sqrt(wrapped);
    const double edge = 1 - normal.z;
    return diffuse * (1 - limbDarkening * (0.8 * edge + 0.2 * edge * edge));
}

}  // namespace pictures
