// Colours in linear light, a floating-point canvas to paint on, and sunlight on a sphere.
#pragma once

#include <cstddef>
#include <vector>

#include "tools/Geometry.h"
#include "tools/Pictures.h"

namespace pictures {

// A colour in linear light; parts run from 0 (black) to 1 (full) and may overshoot while painting.
struct Light {
    double r = 0;
    double g = 0;
    double b = 0;
};

inline Light operator+(Light a, Light c) { return {a.r + c.r, a.g + c.g, a.b + c.b}; }
inline Light operator*(Light a, double s) { return {a.r * s, a.g * s, a.b * s}; }
inline Light operator*(Light a, Light c) { return {a.r * c.r, a.g * c.g, a.b * c.b}; }
inline Light mix(Light a, Light c, double t) { return a + (Light{c.r - a.r, c.g - a.g, c.b - a.b} * t); }

// A display colour of 0-255 parts in linear light. The display curve is taken as a
// square (gamma 2), which needs no power function and looks the same.
inline Light fromDisplay(int r, int g, int b) {
    const auto lin = [](int v) { return (v / 255.0) * (v / 255.0); };
    return {lin(r), lin(g), lin(b)};
}

struct LinearImage {
    int width = 0;
    int height = 0;
    std::vector<Light> pixels;

    LinearImage(int w, int h) : width(w), height(h), pixels(static_cast<std::size_t>(w) * static_cast<std::size_t>(h)) {}
    Light& at(int x, int y) { return pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)]; }
};

// Back to 8-bit display values, clamped and rounded.
Image toImage(const LinearImage& image);

// Where the centre of pixel (x, y) falls on a sphere of `radius` pixels centred at
// (cx, cy), seen from +z with y up: the unit surface normal (pinned to the rim outside
// the disc), the disc's anti-aliased coverage of the pixel, and the distance from the
// centre in radii.
struct SpherePoint {
    Vec3 normal;
    double coverage = 0;
    double distance = 0;
};
SpherePoint spherePoint(int x, int y, double cx, double cy, double radius);

// Sunlight falling on a sphere at `normal` from direction `sun` (unit vectors): Lambert
// with a softened terminator, darkened towards the limb by `limbDarkening` (0 none, 1 black limb).
double sunlight(Vec3 normal, Vec3 sun, double limbDarkening);

}  // namespace pictures
