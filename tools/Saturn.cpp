// Saturn: a banded pale-gold globe inside tilted rings that pass behind it at the top
// and in front of it at the bottom, each shadowing the other.
#include <cmath>

#include "tools/Noise.h"
#include "tools/Planets.h"

namespace pictures {

namespace {

// Radii are in globe radii.
constexpr double kRingInner = 1.24;
constexpr double kRingOuter = 2.27;

// An opaque band from `inner` to `outer`, its edges softened over about a pixel.
double bandBetween(double r, double inner, double outer) {
    const double soft = 0.012;
    return smoothstep(inner - soft, inner + soft, r) * (1 - smoothstep(outer - soft, outer + soft, r));
}

// How much light the rings block at radius r: the faint inner ring, the dense middle
// ring, a dark division, the outer ring with a narrow gap, and fine ringlets.
double ringOpacity(double r) {
    if (r < kRingInner - 0.05 || r > kRingOuter + 0.05) return 0;
    const double ringlets = 1 + 0.22 * gradientNoise({r * 18.0, 0.5, 0.5}, 81);
    double opacity = 0.18 * bandBetween(r, kRingInner, 1.53) + 0.88 * bandBetween(r, 1.53, 1.95) +
                     0.06 * bandBetween(r, 1.95, 2.02) + 0.62 * bandBetween(r, 2.02, kRingOuter);
    opacity *= 1 - 0.9 * bandBetween(r, 2.209, 2.221);
    return clamp01(opacity * ringlets);
}

Light ringColour(double r) {
    const Light inner = fromDisplay(112, 102, 90);
    const Light middle = fromDisplay(204, 186, 150);
    const Light outer = fromDisplay(168, 156, 136);
    if (r < 1.53) return mix(inner, middle, smoothstep(1.3, 1.53, r));
    if (r < 1.98) return mix(middle, middle * 0.8, smoothstep(1.6, 1.95, r));
    return outer;
}

// The globe's clouds lie in bands along its latitude, `p` on the unit sphere in the
// planet's own frame with the pole along y.
Light globeColour(Vec3 p) {
    const double latitude = p.y;
    const double wobble = 0.25 * fractalNoise({p.x * 1.5, latitude * 6.0, p.z * 1.5}, 91, 4);
    const double bands = 0.5 + 0.5 * sine((latitude * 6.5 + wobble) * kPi);
    Light colour = mix(fromDisplay(212, 186, 128), fromDisplay(176, 144, 96), 0.6 * bands);
    colour = mix(colour, fromDisplay(222, 204, 150), 1 - smoothstep(0.05, 0.22, std::fabs(latitude)));
    colour = mix(colour, fromDisplay(150, 142, 124), smoothstep(0.6, 0.95, std::fabs(latitude)));
    return colour * (1 + 0.08 * fractalNoise({p.x * 4.0, latitude * 20.0, p.z * 4.0}, 92, 4));
}

}  // namespace

void paintSaturn(LinearImage& image) {
    const double cx = image.width / 2.0;
    const double cy = image.height / 2.0;
    const double radius = 0.2 * image.width;
    const Vec3 sun = sunDirection();
    // The pole tipped towards us so we look down on the lit face of the rings, the
    // whole system turned a little in the picture.
    const Mat3 toView = rotationZ(-0.28) * rotationX(0.48);
    const Mat3 toBody = transposed(toView);
    const Vec3 pole = toView * Vec3{0, 1, 0};
    const double ringLight = 0.25 + 0.6 * std::fabs(dot(pole, sun));

    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            const SpherePoint point = spherePoint(x, y, cx, cy, radius);
            const double vx = (x + 0.5 - cx) / radius;
            const double vy = (cy - (y + 0.5)) / radius;

            // Where the line of sight through this pixel crosses the ring plane.
            const double ringDepth = -(pole.x * vx + pole.y * vy) / pole.z;
            const Vec3 onRing{vx, vy, ringDepth};
            const Vec3 inPlane = toBody * onRing;
            const double ringRadius = std::sqrt(inPlane.x * inPlane.x + inPlane.z * inPlane.z);
            double opacity = ringOpacity(ringRadius);
            Light ring;
            if (opacity > 0) {
                // The globe's shadow on the rings, behind the planet as seen from the sun.
                const double along = -dot(onRing, sun);
                const Vec3 nearest = onRing + sun * along;
                const double shadow = along > 0 ? 1 - smoothstep(0.97, 1.03, length(nearest)) : 0;
                ring = ringColour(ringRadius) * (ringLight * (1 - 0.92 * shadow));
            }
            const double globeDepth = point.coverage > 0 ? point.normal.z : 0;
            const bool ringInFront = ringDepth > globeDepth;

            Light& pixel = image.at(x, y);
            if (!ringInFront && opacity > 0) pixel = mix(pixel, ring, opacity);
            if (point.coverage > 0) {
                const Vec3 n = point.normal;
                double sunlit = sunlight(n, sun, 0.6);
                // The rings' shadow on the globe.
                const double toPlane = -dot(pole, n) / dot(pole, sun);
                if (toPlane > 0) {
                    const Vec3 hit = toBody * (n + sun * toPlane);
                    sunlit *= 1 - 0.55 * ringOpacity(std::sqrt(hit.x * hit.x + hit.z * hit.z));
                }
                const Light globe = globeColour(toBody * n) * (sunlit * 0.88 + 0.008);
                pixel = mix(pixel, globe, point.coverage);
            }
            if (ringInFront && opacity > 0) pixel = mix(pixel, ring, opacity);
        }
    }
}

}  // namespace pictures
