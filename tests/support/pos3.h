// pos3.h -- Pos3 in tests: equality bit for bit, and printing that shows
// the bits.
//
// Results are exact to the bit, so a test compares them that way: -0 and +0
// differ, and a not-a-number equals a not-a-number with the same bits. Write
// expected values that are not small binary fractions as hex floats
// (0x1.6a09e6p-1f), which say the bits outright.
#ifndef TEST_POS3_H
#define TEST_POS3_H

#include "zirka_host.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <ostream>

inline uint32_t float_bits(float f)
{
    uint32_t u;
    std::memcpy(&u, &f, sizeof u);
    return u;
}

inline bool same_bits(float a, float b) { return float_bits(a) == float_bits(b); }

inline bool operator==(const Pos3 &a, const Pos3 &b)
{
    return same_bits(a.x, b.x) && same_bits(a.y, b.y) && same_bits(a.z, b.z);
}
inline bool operator!=(const Pos3 &a, const Pos3 &b) { return !(a == b); }

// "(0.5, -0, 1e-45 [0x1p-149])": each component with nine digits, and as a
// hex float where the nine digits could hide a difference.
inline std::ostream &operator<<(std::ostream &os, const Pos3 &p)
{
    const float c[3] = {p.x, p.y, p.z};
    os << "(";
    for (int i = 0; i < 3; i++) {
        char text[64];
        std::snprintf(text, sizeof text, "%.9g [%a]", c[i], c[i]);
        os << (i ? ", " : "") << text;
    }
    return os << ")";
}

// A point or direction in long double, for checking geometry against its
// closed form (distances, angles, planes) in property tests, well beyond the
// precision of the floats under test.
struct Real3 {
    long double x, y, z;
};

inline Real3 real3(const Pos3 &p) { return {p.x, p.y, p.z}; }
inline Real3 operator+(Real3 a, Real3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline Real3 operator-(Real3 a, Real3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline Real3 operator*(long double k, Real3 a) { return {k * a.x, k * a.y, k * a.z}; }
inline long double dot(Real3 a, Real3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline Real3 cross(Real3 a, Real3 b)
{
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
inline long double norm(Real3 a) { return std::sqrt(dot(a, a)); }
inline Real3 unit(Real3 a) { return (1 / norm(a)) * a; }

#endif
