// PCG32 and gradient noise, in integer and plain floating-point arithmetic only.
#include "tools/Noise.h"

#include <cmath>

namespace pictures {

namespace {

constexpr std::uint64_t kMultiplier = 6364136223846793005ULL;
constexpr std::uint64_t kIncrement = 1442695040888963407ULL;

// Murmur3's finaliser: spreads every input bit over the whole word.
std::uint32_t mixBits(std::uint32_t h) {
    h ^= h >> 16;
    h *= 0x85EBCA6Bu;
    h ^= h >> 13;
    h *= 0xC2B2AE35u;
    h ^= h >> 16;
    return h;
}

std::uint32_t hashLattice(int x, int y, int z, std::uint32_t seed) {
    std::uint32_t h = mixBits(seed ^ 0x9E3779B9u);
    h = mixBits(h ^ static_cast<std::uint32_t>(x));
    h = mixBits(h ^ static_cast<std::uint32_t>(y));
    return mixBits(h ^ static_cast<std::uint32_t>(z));
}

// The twelve cube-edge directions as gradients.
double gradientDot(std::uint32_t hash, double x, double y, double z) {
    switch (hash % 12) {
        case 0: return x + y;
        case 1: return -x + y;
        case 2: return x - y;
        case 3: return -x - y;
        case 4: return x + z;
        case 5: return -x + z;
        case 6: return x - z;
        case 7: return -x - z;
        case 8: return y + z;
        case 9: return -y + z;
        case 10: return y - z;
        default: return -y - z;
    }
}

double fade(double t) { return t * t * t * (t * (t * 6 - 15) + 10); }

}  // namespace

Pcg32::Pcg32(std::uint64_t seed) {
    next();
    state += seed;
    next();
}

std::uint32_t Pcg32::next() {
    const std::uint64_t old = state;
    state = old * kMultiplier + kIncrement;
    const auto shifted = static_cast<std::uint32_t>(((old >> 18u) ^ old) >> 27u);
    const auto rotation = static_cast<std::uint32_t>(old >> 59u);
    return (shifted >> rotation) | (shifted << ((32u - rotation) & 31u));
}

double Pcg32::uniform() { return next() * (1.0 / 4294967296.0); }

double gradientNoise(Vec3 p, std::uint32_t seed) {
    const double fx = std::floor(p.x);
    const double fy = std::floor(p.y);
    const double fz = std::floor(p.z);
    const auto ix = static_cast<int>(fx);
    const auto iy = static_cast<int>(fy);
    const auto iz = static_cast<int>(fz);
    const double x = p.x - fx;
    const double y = p.y - fy;
    const double z = p.z - fz;

    double corner[8];
    for (int i = 0; i < 8; ++i) {
        const int dx = i & 1;
        const int dy = (i >> 1) & 1;
        const int dz = (i >> 2) & 1;
        corner[i] = gradientDot(hashLattice(ix + dx, iy + dy, iz + dz, seed), x - dx, y - dy, z - dz);
    }
    const double u = fade(x);
    const double v = fade(y);
    const double w = fade(z);
    const double x00 = mix(corner[0], corner[1], u);
    const double x10 = mix(corner[2], corner[3], u);
    const double x01 = mix(corner[4], corner[5], u);
    const double x11 = mix(corner[6], corner[7], u);
    return mix(mix(x00, x10, v), mix(x01, x11, v), w);
}

double fractalNoise(Vec3 p, std::uint32_t seed, int octaves, double gain) {
    double sum = 0;
    double weight = 1;
    double total = 0;
    for (int i = 0; i < octaves; ++i) {
        sum += weight * gradientNoise(p, seed + static_cast<std::uint32_t>(i) * 101u);
        total += weight;
        weight *= gain;
        // Double the frequency and turn the lattice a little so octaves do not line up.
        p = Vec3{0.8 * p.y + 0.6 * p.z, -0.8 * p.x + 0.36 * p.y - 0.48 * p.z, -0.6 * p.x - 0.48 * p.y + 0.64 * p.z} * 2.02;
    }
    return total > 0 ? sum / total : 0;
}

}  // namespace pictures
