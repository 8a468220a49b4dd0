// Earth: dark oceans, continents grown from noise, polar ice and swirling clouds.
#include <cmath>

#include "tools/Noise.h"
#include "tools/Planets.h"

namespace pictures {

namespace {

struct Surface {
    Light colour;
    double water = 0;  // 1 on open ocean, for the sun's glint
};

Surface groundAt(Vec3 p) {
    const Vec3 q = p * 1.3;
    const Vec3 warp{fractalNoise(q, 11, 4), fractalNoise(q + Vec3{5.2, 1.3, 2.8}, 12, 4),
                    fractalNoise(q + Vec3{1.7, 9.2, 3.1}, 13, 4)};
    const double height = fractalNoise(q + warp * 0.9, 21, 7, 0.55);
    const double sea = 0.1;
    const double latitude = std::fabs(p.y);

    const Light deep = fromDisplay(8, 20, 48);
    const Light shelf = fromDisplay(18, 46, 76);
    const Light ocean = mix(deep, shelf, smoothstep(sea - 0.10, sea, height));

    const double moisture = fractalNoise(p * 2.4 + Vec3{3.3, 0.0, 7.1}, 31, 5);
    const double desertBelt = clamp01(1 - std::fabs(latitude - 0.42) / 0.22);
    const double dryness = smoothstep(0.0, 0.35, desertBelt * 0.3 - moisture);
    Light land = mix(fromDisplay(44, 78, 34), fromDisplay(104, 110, 56), smoothstep(0.0, 0.6, dryness));
    land = mix(land, fromDisplay(160, 128, 82), smoothstep(0.55, 1.0, dryness));
    land = mix(land, fromDisplay(100, 88, 74), smoothstep(sea + 0.16, sea + 0.30, height));

    const double coast = smoothstep(sea - 0.004, sea + 0.004, height);
    Surface surface{mix(ocean, land, coast), 1 - coast};

    const double iceEdge = 0.92 + 0.04 * fractalNoise(p * 4.0, 37, 3);
    const double ice = smoothstep(iceEdge - 0.02, iceEdge + 0.02, latitude);
    surface.colour = mix(surface.colour, fromDisplay(186, 194, 204), ice);
    surface.water *= 1 - ice;
    return surface;
}

double cloudsAt(Vec3 p) {
    // Winds drag the clouds along the parallels: stretch the noise across latitude,
    // then stir it so it curls into swirls.
    const Vec3 q{p.x * 1.8, p.y * 4.0, p.z * 1.8};
    const Vec3 swirl{fractalNoise(q, 51, 4), fractalNoise(q + Vec3{4.1, 7.7, 0.6}, 52, 4),
                     fractalNoise(q + Vec3{8.3, 2.2, 5.5}, 53, 4)};
    const double c = fractalNoise(q + swirl * 1.4, 41, 6, 0.55);
    // More cloud along the storm tracks of the middle latitudes and near the equator.
    const double latitude = std::fabs(p.y);
    const double belts = 0.07 * (clamp01(1 - std::fabs(latitude - 0.72) / 0.2) + clamp01(1 - latitude / 0.12));
    // Thin veils round heavier banks.
    return 0.25 * smoothstep(-0.05, 0.12, c + belts) + 0.6 * smoothstep(0.1, 0.32, c + belts);
}

}  // namespace

void paintEarth(LinearImage& image) {
    const double cx = image.width / 2.0;
    const double cy = image.height / 2.0;
    const double radius = 0.395 * image.width;
    const Vec3 sun = sunDirection();
    const Vec3 halfway = normalised(sun + Vec3{0, 0, 1});
    const Mat3 toBody = rotationY(2.2) * rotationX(-0.35) * rotationZ(0.35);
    const Light air = fromDisplay(90, 140, 230);

    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            const SpherePoint point = spherePoint(x, y, cx, cy, radius);
            Light& pixel = image.at(x, y);
            addAtmosphereHalo(pixel, point, air, 0.06);
            if (point.coverage <= 0) continue;
            const Vec3 n = point.normal;
            const Vec3 p = toBody * n;
            const double sunlit = sunlight(n, sun, 0.45);
            const Surface ground = groundAt(p);
            const double cloud = cloudsAt(p);

            Light colour = ground.colour * (sunlit + 0.012);
            const double facing = clamp01(dot(n, halfway));
            double glint = facing * facing;
            glint *= glint;
            glint *= glint;
            glint *= glint;
            glint *= glint;  // facing to the 32nd power
            colour = colour + fromDisplay(255, 240, 215) * (0.10 * glint * ground.water);
            colour = mix(colour, fromDisplay(226, 230, 236) * (sunlit + 0.01), cloud);

            // The air thickens towards the limb and scatters blue light there.
            const double edge = 1 - n.z;
            colour = colour + air * (0.22 * edge * edge * sunlit);

            pixel = mix(pixel, colour * 0.92, point.coverage);
        }
    }
}

}  // namespace pictures
