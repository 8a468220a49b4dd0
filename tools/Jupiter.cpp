// Jupiter: cream zones and brown belts stirred by turbulence, and the great red spot.
#include <cmath>

#include "tools/Noise.h"
#include "tools/Planets.h"

namespace pictures {

namespace {

// 1 between latitudes `low` and `high` (sines of latitude), with soft edges.
double belt(double latitude, double low, double high) {
    const double soft = 0.025;
    return smoothstep(low - soft, low + soft, latitude) * (1 - smoothstep(high - soft, high + soft, latitude));
}

struct Spot {
    Vec3 centre;
    Vec3 east;
    Vec3 north;
    double halfWidth = 0;
    double halfHeight = 0;
};

Spot makeSpot(double longitude, double latitude, double halfWidth, double halfHeight) {
    const double across = std::sqrt(1 - latitude * latitude);
    Spot spot;
    spot.centre = {sine(longitude) * across, latitude, cosine(longitude) * across};
    spot.east = normalised({spot.centre.z, 0, -spot.centre.x});
    spot.north = cross(spot.centre, spot.east);
    spot.halfWidth = halfWidth;
    spot.halfHeight = halfHeight;
    return spot;
}

// The squared elliptic distance from a spot's centre (1 on its edge), and where the
// point lies in the spot's own east and north units.
double spotDistance(const Spot& spot, Vec3 p, double& u, double& v) {
    const Vec3 d = p - spot.centre;
    u = dot(d, spot.east) / spot.halfWidth;
    v = dot(d, spot.north) / spot.halfHeight;
    return u * u + v * v;
}

Light cloudsAt(Vec3 p, const Spot& redSpot) {
    // Stir the latitude so the belts' edges curl and streak along the parallels: noise
    // stretched across latitude, its input itself pushed about by more noise.
    const Vec3 q{p.x * 2.2, p.y * 12.0, p.z * 2.2};
    const Vec3 push{fractalNoise(q, 106, 3), fractalNoise(q + Vec3{3.1, 0.7, 5.9}, 107, 3), 0};
    const double stir = fractalNoise(q + push * 1.5, 101, 5, 0.55);
    const double ripple = fractalNoise({p.x * 7.0, p.y * 40.0, p.z * 7.0}, 104, 3, 0.5);
    double latitude = p.y + 0.05 * stir + 0.01 * ripple;

    // The red spot turns its surroundings, so the bands bend round it.
    double u = 0;
    double v = 0;
    const double spotSquared = spotDistance(redSpot, p, u, v);
    const double swirlAmount = 1 - smoothstep(0.5, 3.0, spotSquared);
    latitude += 0.6 * redSpot.halfHeight * swirlAmount * v / (1 + spotSquared);

    Light colour = fromDisplay(220, 202, 170);
    colour = mix(colour, fromDisplay(214, 178, 134), 1 - smoothstep(0.02, 0.1, std::fabs(latitude)));
    colour = mix(colour, fromDisplay(150, 96, 64), 0.92 * belt(latitude, 0.10, 0.31));
    colour = mix(colour, fromDisplay(172, 116, 80), 0.88 * belt(latitude, -0.35, -0.13));
    colour = mix(colour, fromDisplay(156, 126, 100), 0.75 * (belt(latitude, 0.44, 0.52) + belt(latitude, -0.55, -0.46)));
    colour = mix(colour, fromDisplay(150, 128, 108), 0.5 * (belt(latitude, 0.62, 0.67) + belt(latitude, -0.70, -0.64)));
    colour = mix(colour, fromDisplay(132, 120, 108), smoothstep(0.72, 0.97, std::fabs(latitude)));
    // Grey-blue festoons trailing from the north belt's southern edge into the equatorial zone.
    const double festoon = belt(latitude, 0.04, 0.12) * smoothstep(0.05, 0.35, fractalNoise({p.x * 5.0, p.y * 8.0, p.z * 5.0}, 105, 3));
    colour = mix(colour, fromDisplay(118, 116, 122), 0.7 * festoon);
    // Fine streaks drawn out along the parallels.
    colour = colour * (1 + 0.16 * fractalNoise({p.x * 4.0 + push.x, p.y * 50.0, p.z * 4.0 + push.y}, 102, 4, 0.6));

    // The spot: a dark-red oval with a swirling inside and a pale collar round it.
    const double turn = 2.4 * (1 - clamp01(spotSquared));
    const double su = u * cosine(turn) - v * sine(turn);
    const double sv = u * sine(turn) + v * cosine(turn);
    const double inner = fractalNoise({su * 1.6, sv * 1.6, 0.5}, 103, 3);
    const Light red = fromDisplay(184, 90, 58) * (1 + 0.2 * inner);
    colour = mix(colour, fromDisplay(226, 210, 182), 0.8 * smoothstep(0.8, 1.05, spotSquared) * (1 - smoothstep(1.2, 1.9, spotSquared)));
    colour = mix(colour, red, 1 - smoothstep(0.75, 1.0, spotSquared));

    // A few small white storms in the southern temperate belt.
    const double longitudes[] = {-0.9, -0.35, 0.95};
    for (const double longitude : longitudes) {
        const Spot oval = makeSpot(longitude, -0.5, 0.05, 0.03);
        const double d = spotDistance(oval, p, u, v);
        colour = mix(colour, fromDisplay(230, 222, 206), 0.85 * (1 - smoothstep(0.6, 1.0, d)));
    }
    return colour;
}

}  // namespace

void paintJupiter(LinearImage& image) {
    const double cx = image.width / 2.0;
    const double cy = image.height / 2.0;
    const double radius = 0.4 * image.width;
    const Vec3 sun = sunDirection();
    const Mat3 toBody = rotationX(-0.08) * rotationZ(0.05);
    const Spot redSpot = makeSpot(0.55, -0.37, 0.2, 0.1);
    const Light haze = fromDisplay(200, 190, 170);

    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            const SpherePoint point = spherePoint(x, y, cx, cy, radius);
            Light& pixel = image.at(x, y);
            addAtmosphereHalo(pixel, point, haze, 0.02);
            if (point.coverage <= 0) continue;
            const Vec3 n = point.normal;
            const double sunlit = sunlight(n, sun, 0.6);
            const Light colour = cloudsAt(toBody * n, redSpot) * (sunlit * 0.86 + 0.008);
            pixel = mix(pixel, colour, point.coverage);
        }
    }
}

}  // namespace pictures
