// Small 3-D vector and rotation helpers for drawing spheres and rings, with our own sine.
#pragma once

#include <cmath>

namespace pictures {

constexpr double kPi = 3.14159265358979323846;

// Sine from a fixed polynomial rather than the C library, so that every platform
// computes the same bits and the pictures come out byte for byte identical.
inline double sine(double x) {
    const double twoPi = 2.0 * kPi;
    x -= std::floor(x / twoPi + 0.5) * twoPi;  // now in [-pi, pi]
    if (x > kPi / 2) x = kPi - x;
    if (x < -kPi / 2) x = -kPi - x;  // now in [-pi/2, pi/2], where the series below is accurate to 1e-10
    const double x2 = x * x;
    return x * (1 - x2 / 6 * (1 - x2 / 20 * (1 - x2 / 42 * (1 - x2 / 72 * (1 - x2 / 110 * (1 - x2 / 156))))));
}

inline double cosine(double x) { return sine(x + kPi / 2); }

struct Vec3 {
    double x = 0;
    double y = 0;
    double z = 0;
};

inline Vec3 operator+(Vec3 a, Vec3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline Vec3 operator-(Vec3 a, Vec3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline Vec3 operator*(Vec3 a, double s) { return {a.x * s, a.y * s, a.z * s}; }
inline double dot(Vec3 a, Vec3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline double length(Vec3 a) { return std::sqrt(dot(a, a)); }
inline Vec3 normalised(Vec3 a) { return a * (1.0 / length(a)); }
inline Vec3 cross(Vec3 a, Vec3 b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }

// A rotation as its three rows.
struct Mat3 {
    Vec3 row0{1, 0, 0};
    Vec3 row1{0, 1, 0};
    Vec3 row2{0, 0, 1};
};

inline Vec3 operator*(const Mat3& m, Vec3 v) { return {dot(m.row0, v), dot(m.row1, v), dot(m.row2, v)}; }

inline Mat3 operator*(const Mat3& a, const Mat3& b) {
    const Vec3 c0{b.row0.x, b.row1.x, b.row2.x};
    const Vec3 c1{b.row0.y, b.row1.y, b.row2.y};
    const Vec3 c2{b.row0.z, b.row1.z, b.row2.z};
    return {{dot(a.row0, c0), dot(a.row0, c1), dot(a.row0, c2)},
            {dot(a.row1, c0), dot(a.row1, c1), dot(a.row1, c2)},
            {dot(a.row2, c0), dot(a.row2, c1), dot(a.row2, c2)}};
}

// Rotations by an angle in radians about the x axis (right), y (up) and z (towards the viewer).
inline Mat3 rotationX(double a) { return {{1, 0, 0}, {0, cosine(a), -sine(a)}, {0, sine(a), cosine(a)}}; }
inline Mat3 rotationY(double a) { return {{cosine(a), 0, sine(a)}, {0, 1, 0}, {-sine(a), 0, cosine(a)}}; }
inline Mat3 rotationZ(double a) { return {{cosine(a), -sine(a), 0}, {sine(a), cosine(a), 0}, {0, 0, 1}}; }

// The inverse of a rotation is its transpose.
inline Mat3 transposed(const Mat3& m) {
    return {{m.row0.x, m.row1.x, m.row2.x}, {m.row0.y, m.row1.y, m.row2.y}, {m.row0.z, m.row1.z, m.row2.z}};
}

inline double clamp01(double v) { return v < 0 ? 0 : (v > 1 ? 1 : v); }

inline double mix(double a, double b, double t) { return a + (b - a) * t; }

// 0 below e0, 1 above e1, a smooth S-curve between.
inline double smoothstep(double e0, double e1, double v) {
    const double t = clamp01((v - e0) / (e1 - e0));
    return t * t * (3 - 2 * t);
}

}  // namespace pictures
