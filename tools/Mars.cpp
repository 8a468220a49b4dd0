// Mars: rusty desert with darker regions, a northern polar cap and a thin dusty limb.
#include <cmath>

#include "tools/Noise.h"
#include "tools/Planets.h"

namespace pictures {

namespace {

Light groundAt(Vec3 p) {
    const Vec3 q = p * 1.5;
    const Vec3 warp{fractalNoise(q, 61, 4), fractalNoise(q + Vec3{2.9, 6.1, 1.4}, 62, 4),
                    fractalNoise(q + Vec3{7.3, 0.8, 4.4}, 63, 4)};
    const double dark = smoothstep(0.04, 0.22, fractalNoise(q + warp * 0.8, 71, 6, 0.55));
    const double dust = smoothstep(0.0, 0.3, fractalNoise(p * 2.2 + Vec3{9.1, 3.3, 0.2}, 72, 5));
    const double grain = fractalNoise(p * 9.0, 73, 4, 0.6);

    Light ground = mix(fromDisplay(164, 82, 46), fromDisplay(186, 112, 68), dust);
    ground = mix(ground, fromDisplay(92, 50, 34), dark * 0.85);
    ground = ground * (1 + 0.18 * grain);

    const double capEdge = 0.945 + 0.035 * fractalNoise(p * 6.0, 74, 4);
    const double cap = smoothstep(capEdge - 0.01, capEdge + 0.01, p.y);
    // Dark troughs spiral through the ice.
    const double troughs = smoothstep(0.1, 0.3, fractalNoise({p.x * 9.0, p.y * 3.0, p.z * 9.0}, 75, 3));
    const Light ice = fromDisplay(184, 168, 160) * (1 - 0.25 * troughs);
    return mix(ground, ice, cap * 0.9);
}

}  // namespace

void paintMars(LinearImage& image) {
    const double cx = image.width / 2.0;
    const double cy = image.height / 2.0;
    const double radius = 0.385 * image.width;
    const Vec3 sun = sunDirection();
    // The north pole tipped towards us so the cap shows at the top of the disc.
    const Mat3 toBody = rotationY(0.9) * rotationX(-0.32) * rotationZ(-0.12);
    const Light dustHaze = fromDisplay(200, 140, 110);

    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            const SpherePoint point = spherePoint(x, y, cx, cy, radius);
            Light& pixel = image.at(x, y);
            addAtmosphereHalo(pixel, point, dustHaze, 0.03);
            if (point.coverage <= 0) continue;
            const Vec3 n = point.normal;
            const double sunlit = sunlight(n, sun, 0.5);
            Light colour = groundAt(toBody * n) * (sunlit + 0.01);
            const double edge = 1 - n.z;
            colour = colour + dustHaze * (0.10 * edge * edge * sunlit);
            pixel = mix(pixel, colour * 0.9, point.coverage);
        }
    }
}

}  // namespace pictures
