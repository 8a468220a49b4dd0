// Each level's planet, painted over the sky already in the image, centred in it.
#pragma once

#include "tools/Shading.h"

namespace pictures {

void paintEarth(LinearImage& image);
void paintMars(LinearImage& image);
void paintSaturn(LinearImage& image);
void paintJupiter(LinearImage& image);

// The direction the sunlight comes from in every picture: upper left, in front.
inline Vec3 sunDirection() { return normalised({-0.56, 0.44, 0.70}); }

// Adds a thin glowing rim of `colour` just outside a sphere's disc, brightest on the
// sunlit side; `width` is the rim's width in radii. Does nothing inside the disc.
void addAtmosphereHalo(Light& pixel, const SpherePoint& point, Light colour, double width);

}  // namespace pictures
