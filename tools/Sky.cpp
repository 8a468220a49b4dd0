// Stars and haze for the backdrops.
#include "tools/Sky.h"

#include <algorithm>
#include <cmath>

#include "tools/Noise.h"

namespace pictures {

namespace {

// 1 inside a box, falling smoothly to 0 over `soft` pixels outside it.
double insideBox(double x, double y, double left, double top, double right, double bottom, double soft) {
    const double dx = std::max({left - x, 0.0, x - right});
    const double dy = std::max({top - y, 0.0, y - bottom});
    return 1 - smoothstep(0, soft, std::sqrt(dx * dx + dy * dy));
}

Light starTint(double t) {
    if (t < 0.35) return {0.78, 0.86, 1.0};  // hot, bluish white
    if (t < 0.70) return {1.0, 1.0, 1.0};
    if (t < 0.90) return {1.0, 0.92, 0.76};
    return {1.0, 0.78, 0.58};  // cool, orange
}

void addStar(LinearImage& image, double sx, double sy, double brightness, Light tint) {
    const double spread = 0.6 + 0.9 * brightness;
    const double reach = 2.0 + 6.0 * brightness;
    const double peak = 0.015 + 0.85 * brightness;
    const double spike = brightness > 0.6 ? peak * 0.16 : 0.0;
    const double spikeLength = 4.0 + 9.0 * brightness;
    const double box = std::max(reach, spike > 0 ? spikeLength : 0.0);
    const int x0 = std::max(0, static_cast<int>(sx - box));
    const int x1 = std::min(image.width - 1, static_cast<int>(sx + box) + 1);
    const int y0 = std::max(0, static_cast<int>(sy - box));
    const int y1 = std::min(image.height - 1, static_cast<int>(sy + box) + 1);
    for (int y = y0; y <= y1; ++y) {
        for (int x = x0; x <= x1; ++x) {
            const double dx = x + 0.5 - sx;
            const double dy = y + 0.5 - sy;
            const double d = std::sqrt(dx * dx + dy * dy);
            double amount = 0;
            if (d < reach) {
                const double q = 1 + (d / spread) * (d / spread);
                const double fadeOut = 1 - d / reach;
                amount += peak / (q * q) * fadeOut * fadeOut;
            }
            if (spike > 0) {
                // Thin cross-shaped rays on the brightest stars.
                const double ax = std::fabs(dx);
                const double ay = std::fabs(dy);
                if (ay < 0.9 && ax < spikeLength) amount += spike * (1 - ax / spikeLength) * (1 - ay / 0.9);
                if (ax < 0.9 && ay < spikeLength) amount += spike * (1 - ay / spikeLength) * (1 - ax / 0.9);
            }
            image.at(x, y) = image.at(x, y) + tint * (amount * panelShade(x + 0.5, y + 0.5, image.width, image.height));
        }
    }
}

}  // namespace

double panelShade(double x, double y, int width, int height) {
    const double w = width;
    const double h = height;
    double panel = 0;
    panel = std::max(panel, insideBox(x, y, 0, 0, 0.15 * w, 0.11 * h, 0.05 * w));
    panel = std::max(panel, insideBox(x, y, 0.85 * w, 0, w, 0.11 * h, 0.05 * w));
    panel = std::max(panel, insideBox(x, y, 0, 0.87 * h, 0.15 * w, h, 0.05 * w));
    panel = std::max(panel, insideBox(x, y, 0.85 * w, 0.87 * h, w, h, 0.05 * w));
    panel = std::max(panel, insideBox(x, y, 0.36 * w, 0.91 * h, 0.64 * w, h, 0.05 * w));
    return 1 - 0.95 * panel;
}

void paintSky(LinearImage& image, std::uint64_t seed, Light haze) {
    const Light night = fromDisplay(2, 2, 4);
    const auto hazeSeed = static_cast<std::uint32_t>(seed * 7919u);
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            const double u = (x + 0.5) / image.width;
            const double v = (y + 0.5) / image.height;
            // A soft diagonal band of glowing gas, broken up by noise.
            const double across = (u - 0.25) + (v - 0.75) * 0.7;
            const double band = 1 - smoothstep(0.0, 0.35, std::fabs(across));
            const double cloud = smoothstep(-0.15, 0.6, fractalNoise({u * 3.1, v * 3.1, 0.37}, hazeSeed, 5, 0.55));
            const double glow = 0.006 * band * cloud * panelShade(x + 0.5, y + 0.5, image.width, image.height);
            image.at(x, y) = night + haze * glow;
        }
    }

    Pcg32 random(seed);
    const int starCount = image.width * image.height / 260;
    for (int i = 0; i < starCount; ++i) {
        const double sx = random.between(0, image.width);
        const double sy = random.between(0, image.height);
        const double r = random.uniform();
        const double r3 = r * r * r;
        const double brightness = r3 * r3 * r3;  // mostly faint, a few bright
        addStar(image, sx, sy, brightness, starTint(random.uniform()));
    }
}

}  // namespace pictures
