// Cosine and unit cross product of single vectors.
#include "geom_test_util.h"

#include <cfloat>
#include <cmath>
#include <limits>

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

TEST(Vec3CrossUnit, UnitAxesFollowTheRightHand)
{
    const Pos3 x2 = {2, 0, 0}, y3 = {0, 3, 0};
    Pos3 out;
    vec3_cross_unit(&x2, &y3, &out);
    EXPECT_EQ(out, (Pos3{0, 0, 1}));
    vec3_cross_unit(&y3, &x2, &out);
    EXPECT_EQ(out, (Pos3{0, 0, -1}));
}

TEST(Vec3CrossUnit, ParallelVectorsGiveTheZeroVector)
{
    // The zero product stays unnormalised: no division, no NaN.
    const Pos3 a = {1, 2, 3}, a2 = {2, 4, 6};
    Pos3 out = {7, 7, 7};
    vec3_cross_unit(&a, &a2, &out);
    EXPECT_EQ(out, (Pos3{0, 0, 0}));
}

TEST(Vec3CrossUnit, NullOutputWritesNothing)
{
    const Pos3 a = {1, 0, 0}, b = {0, 1, 0};
    vec3_cross_unit(&a, &b, NULL); // nothing to write to: must simply return
}

TEST(Vec3CrossUnit, OutputMayBeEitherInput)
{
    // Both inputs are read whole before out is written.
    Pos3 a = {2, 0, 0}, b = {0, 3, 0};
    vec3_cross_unit(&a, &b, &a);
    EXPECT_EQ(a, (Pos3{0, 0, 1}));
    a = {2, 0, 0};
    vec3_cross_unit(&a, &b, &b);
    EXPECT_EQ(b, (Pos3{0, 0, 1}));
}

TEST(Vec3CrossUnit, LengthTakesZBeforeItIsRounded)
{
    // The product is x = -0x1.2177dep+5f and y = 0x1.60f73p+5f as stored, and
    // z = 0x1.1651f5965c18p+6 before it is rounded to 0x1.1651f6p+6f. The
    // length is formed with that unrounded z; with the stored one the last
    // component would come out 0x1.8be662p-1f.
    const Pos3 a = {4.98356628f, -2.48322439f, 4.1662035f};
    const Pos3 b = {8.7449379f, 9.60444641f, -1.54257107f};
    Pos3 out;
    vec3_cross_unit(&a, &b, &out);
    EXPECT_EQ(out, (Pos3{-0x1.9bc1f6p-2f, 0x1.f6148ap-2f, 0x1.8be664p-1f}));
}

TEST(Vec3Arithmetic, DifferencesAndSumsRoundToFloats)
{
    // 1 + 2^-24 is a tie between 1 and 1 + 2^-23; it rounds to even, to 1.
    const Pos3 one = {1, 1, 1}, tiny = {0x1p-24f, 0x1.8p-24f, -0x1p-25f};
    EXPECT_EQ(vec3_add(&one, &tiny), (Pos3{1, 0x1.000002p+0f, 1}));
    EXPECT_EQ(vec3_sub(&one, &tiny), (Pos3{0x1.fffffep-1f, 0x1.fffffcp-1f, 1}));
    const Pos3 a = {3, -2, 0.5f}, b = {1, 4, 0.25f};
    EXPECT_EQ(vec3_sub(&a, &b), (Pos3{2, -6, 0.25f}));
    EXPECT_EQ(vec3_add(&a, &b), (Pos3{4, 2, 0.75f}));
}

TEST(Vec3Arithmetic, ScaleByRoundsEachProduct)
{
    // Each product of a component and the double 1/3 is rounded once; the
    // sign of a zero is kept.
    Pos3 p = {1, -2, -0.0f};
    vec3_scale_by(&p, 1.0 / 3.0);
    EXPECT_EQ(p, (Pos3{0x1.555556p-2f, -0x1.555556p-1f, -0.0f}));
}

TEST(Vec3Compare, EqualComparesValues)
{
    const Pos3 zero = {0, 0, 0}, negative_zero = {-0.0f, 0, -0.0f}, odd = {nan_f, 0, 0};
    EXPECT_TRUE(vec3_equal(&zero, &negative_zero));
    EXPECT_FALSE(vec3_equal(&odd, &odd));
    const Pos3 a = {1, 2, 3}, b = {1, 2, 0x1.800002p+1f};
    EXPECT_FALSE(vec3_equal(&a, &b));
}

TEST(Vec3Compare, FiniteMeansEveryComponent)
{
    const float inf = std::numeric_limits<float>::infinity();
    const Pos3 cases[] = {{inf, 0, 0}, {0, -inf, 0}, {0, 0, nan_f}};
    for (const Pos3 &p : cases)
        EXPECT_FALSE(vec3_is_finite(&p)) << p;
    const Pos3 big = {FLT_MAX, -FLT_MAX, 0x1p-149f};
    EXPECT_TRUE(vec3_is_finite(&big));
}

} // namespace
