// Deterministic randomness for the pictures: a PCG32 generator and 3-D gradient noise.
#pragma once

#include <cstdint>

#include "tools/Geometry.h"

namespace pictures {

// The PCG32 generator (64-bit state, 32-bit output): the same sequence on every platform.
class Pcg32 {
public:
    explicit Pcg32(std::uint64_t seed);
    std::uint32_t next();
    // Uniform in [0, 1).
    double uniform();
    // Uniform in [low, high).
    double between(double low, double high) { return low + (high - low) * uniform(); }

private:
    std::uint64_t state = 0;
};

// Smooth gradient noise of about unit period, roughly in [-1, 1]; each seed gives an
// independent field.
double gradientNoise(Vec3 p, std::uint32_t seed);

// A sum of `octaves` layers of gradient noise, each at twice the frequency and
// `gain` times the weight of the one before, scaled back to roughly [-1, 1].
double fractalNoise(Vec3 p, std::uint32_t seed, int octaves, double gain = 0.5);

}  // namespace pictures
