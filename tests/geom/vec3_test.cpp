// Cosine and unit cross product of single vectors.
#include "geom_test_util.h"

#include <cmath>

namespace {

const float nan_f = std::nanf("");

TEST(Vec3CosAngle, TableOfSimpleDirections)
{
    struct Case {
        Pos3 a, b;
        double cosine;
    } cases[] = {
        {{1, 0, 0}, {0, 2, 0}, 0.0},   // perpendicular
        {{1, 0, 0}, {3, 0, 0}, 1.0},   // same direction, exactly 1
        {{1, 0, 0}, {-1, 0, 0}, -1.0}, // opposite: not clamped
        {{0, 0, 0}, {1, 2, 3}, 0.0},   // zero first vector
        {{1, 2, 3}, {0, 0, 0}, 0.0},   // zero second vector
        {{0, 0, 0}, {nan_f, 0, 0}, 0.0}, // the zero test on a comes first
        {{3, 4, 0}, {0, 4, 3}, 16.0 / 25.0},
    };
    for (const Case &c : cases)
        EXPECT_EQ(vec3_cos_angle(&c.a, &c.b), c.cosine) << c.a << " " << c.b;
}

TEST(Vec3CosAngle, NotANumberPassesTheZeroTests)
{
    const Pos3 bad = {nan_f, 0, 0}, good = {1, 0, 0}, zero = {0, 0, 0};
    EXPECT_TRUE(std::isnan(vec3_cos_angle(&bad, &good)));
    EXPECT_TRUE(std::isnan(vec3_cos_angle(&good, &bad)));
    // A's length is not a number, so only b's zero length stops it.
    EXPECT_EQ(vec3_cos_angle(&bad, &zero), 0.0);
}

TEST(Vec3CosAngle, DotProductSumsXThenZThenY)
{
    // x and z terms are +-1e16 and cancel first; the y term 1 then survives.
    // Summed x, y, z the 1 would be lost in 1e16 (spacing 2) and give 0.
    const Pos3 a = {1e8f, 1, 1e8f}, b = {1e8f, 1, -1e8f};
    const double len = std::sqrt(2e16); // 1e16 + 1 rounds back to 1e16
    EXPECT_EQ(vec3_cos_angle(&a, &b), 1.0 / (len * len));
}

TEST(Vec3CrossUnit, UnitAxesAndDegenerateProducts)
{
    const Pos3 x2 = {2, 0, 0}, y3 = {0, 3, 0}, a = {1, 2, 3}, a2 = {2, 4, 6};
    Pos3 out;
    vec3_cross_unit(&x2, &y3, &out);
    EXPECT_EQ(out, (Pos3{0, 0, 1}));
    vec3_cross_unit(&y3, &x2, &out);
    EXPECT_EQ(out, (Pos3{0, 0, -1}));
    // Parallel vectors: the zero product stays unnormalised, no NaN.
    out = {7, 7, 7};
    vec3_cross_unit(&a, &a2, &out);
    EXPECT_EQ(out, (Pos3{0, 0, 0}));
    vec3_cross_unit(&a, &a2, NULL); // nothing to write to: must simply return
}

TEST(Vec3CrossUnit, LengthTakesZBeforeItIsRounded)
{
    // A pair for which the length formed with the stored (rounded) z would
    // give other bits in the result.
    const Pos3 a = {4.98356628f, -2.48322439f, 4.1662035f};
    const Pos3 b = {8.7449379f, 9.60444641f, -1.54257107f};
    const float x = (float)((double)a.y * b.z - (double)a.z * b.y);
    const float y = (float)((double)a.z * b.x - (double)a.x * b.z);
    const double z = (double)a.x * b.y - (double)a.y * b.x;
    const double r = 1.0 / std::sqrt((double)x * x + (double)y * y + z * z);
    const Pos3 expected = {(float)(x * r), (float)(y * r), (float)((float)z * r)};

    Pos3 out;
    vec3_cross_unit(&a, &b, &out);
    EXPECT_EQ(out, expected);

    const float zr = (float)z;
    const double r_rounded = 1.0 / std::sqrt((double)x * x + (double)y * y + (double)zr * zr);
    EXPECT_NE(out, (Pos3{(float)(x * r_rounded), (float)(y * r_rounded), (float)(zr * r_rounded)}));
}

} // namespace
