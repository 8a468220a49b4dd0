// The program icon: two players' dots and a closed triangle on a dark rounded tile.
#include <algorithm>
#include <cmath>

#include "tools/Pictures.h"
#include "tools/Shading.h"

namespace pictures {

namespace {

// A layer of the icon as seen by one sample: a colour and how opaque it is there.
struct Paint {
    Light colour;
    double alpha = 0;
};

Paint over(Light colour) { return {colour, 1}; }

// Signed distance from (u, v) to a rounded square inset by `margin`, corner radius `round`.
double tileDistance(double u, double v, double margin, double round) {
    const double half = 0.5 - margin - round;
    const double qx = std::max(std::fabs(u - 0.5) - half, 0.0);
    const double qy = std::max(std::fabs(v - 0.5) - half, 0.0);
    return std::sqrt(qx * qx + qy * qy) - round;
}

// Signed distance, roughly, from (u, v) to the right triangle with its right angle at
// (left, bottom) and legs up to `top` and across to `right` (v grows downwards).
double triangleDistance(double u, double v, double left, double top, double right, double bottom) {
    const double dLeft = left - u;
    const double dBottom = v - bottom;
    const double legX = right - left;
    const double legY = bottom - top;
    const double hypotenuse = std::sqrt(legX * legX + legY * legY);
    // The hypotenuse runs from (left, top) to (right, bottom); inside lies below-left of it.
    const double dSlant = ((u - left) * legY - (v - top) * legX) / hypotenuse;
    return std::max({dLeft, dBottom, dSlant});
}

// The shape under one sample point; `pixel` is one pixel's width in icon units.
Paint sample(double u, double v, double pixel) {
    Paint paint;
    const double tile = tileDistance(u, v, 0.02, 0.2);
    if (tile > 0) return paint;
    paint = {mix(fromDisplay(40, 46, 70), fromDisplay(12, 14, 24), v), 1};
    if (tile > -pixel) paint.colour = fromDisplay(92, 100, 130);  // a lighter rim keeps the tile's edge on dark desktops

    // Faint grid lines between the cells, where there is room for them.
    if (pixel < 1.0 / 24 && (std::fabs(u - 0.5) < pixel / 2 || std::fabs(v - 0.5) < pixel / 2)) {
        paint.colour = fromDisplay(0, 110, 110);
    }

    const Light black{0, 0, 0};
    // At the smallest sizes the outline thins and the dots grow, so their colours still show.
    const double outline = std::max(pixel * (pixel > 1.0 / 24 ? 0.5 : 0.8), 0.04);
    const double low = pixel > 1.0 / 24 ? 0.22 : 0.25;
    const double high = 1 - low;
    const double t = triangleDistance(u, v, low, low, high, high);
    if (t < outline / 2) paint = over(t > -outline / 2 ? black : fromDisplay(0, 200, 200));

    struct Dot {
        double x;
        double y;
        Light colour;
    };
    const Dot dots[] = {{low, low, fromDisplay(0, 0, 255)},
                        {low, high, fromDisplay(0, 0, 255)},
                        {high, high, fromDisplay(0, 200, 200)},
                        {high, low, fromDisplay(0, 255, 0)}};
    const double radius = std::max(0.125, 2.1 * pixel);
    for (const Dot& dot : dots) {
        const double d = std::sqrt((u - dot.x) * (u - dot.x) + (v - dot.y) * (v - dot.y)) - radius;
        if (d < outline / 2) paint = over(d > -outline / 2 ? black : dot.colour);
    }
    return paint;
}

}  // namespace

Image renderIcon(int size) {
    if (size < 1) return {};
    Image image(size, size);
    const int grid = 8;  // samples per pixel along each axis
    const double pixel = 1.0 / size;
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            Light sum;
            double alpha = 0;
            for (int sy = 0; sy < grid; ++sy) {
                for (int sx = 0; sx < grid; ++sx) {
                    const double u = (x + (sx + 0.5) / grid) * pixel;
                    const double v = (y + (sy + 0.5) / grid) * pixel;
                    const Paint p = sample(u, v, pixel);
                    sum = sum + p.colour * p.alpha;
                    alpha += p.alpha;
                }
            }
            Rgba& out = image.at(x, y);
            if (alpha <= 0) {
                out = {0, 0, 0, 0};
                continue;
            }
            const Light colour = sum * (1.0 / alpha);
            const auto display = [](double light) {
                return static_cast<std::uint8_t>(std::sqrt(clamp01(light)) * 255.0 + 0.5);
            };
            out = {display(colour.r), display(colour.g), display(colour.b),
                   static_cast<std::uint8_t>(alpha / (grid * grid) * 255.0 + 0.5)};
        }
    }
    return image;
}

}  // namespace pictures
