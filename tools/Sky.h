// The dark starry sky behind every planet.
#pragma once

#include <cstdint>

#include "tools/Shading.h"

namespace pictures {

// Fills the image with a near-black sky, a faint band of haze in the `haze` colour and
// a field of small stars, all drawn from `seed`. Stars are soft blobs rather than
// single pixels, so the brighter ones survive when the picture is shrunk.
void paintSky(LinearImage& image, std::uint64_t seed, Light haze);

// How much sky light may show at (x, y) of a width x height picture: 1 in open sky,
// low in the four corners and at the bottom centre, where the score panel writes
// small numbers and the level caption that must stay easy to read.
double panelShade(double x, double y, int width, int height);

}  // namespace pictures
