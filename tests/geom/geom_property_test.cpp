// Randomised checks over many cases from a fixed rng state: the mitre point
// against closed forms, and the ring turn against what a rotation must do.
#include "geom_test_util.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <random>

namespace {

long double max_abs(Real3 a) { return std::max({std::fabs(a.x), std::fabs(a.y), std::fabs(a.z)}); }

// Distance of q from the line through a and b.
long double distance_to_line(Real3 q, Real3 a, Real3 b) { return norm(cross(q - a, b - a)) / norm(b - a); }

using MitreProperty = GeomTest;
using TurnProperty = GeomTest;

TEST_F(MitreProperty, CrossingTracksMeetAtTheirCommonPoint)
{
    // Small integers keep every point and difference exact in a float, so
    // the two lines really do cross at X.
    std::mt19937 rng(20240611u);
    std::uniform_int_distribution<int> coord(-50, 50), dir(-9, 9), step(1, 6);
    int checked = 0;
    for (int k = 0; k < 3000; ++k) {
        const Pos3 x = {(float)coord(rng), (float)coord(rng), (float)coord(rng)};
        const Pos3 d1 = {(float)dir(rng), (float)dir(rng), (float)dir(rng)};
        const Pos3 d2 = {(float)dir(rng), (float)dir(rng), (float)dir(rng)};
        if (norm(cross(real3(d1), real3(d2))) == 0)
            continue; // parallel or a zero direction
        const float a = (float)-step(rng), b = (float)step(rng), c = (float)-step(rng), e = (float)step(rng);
        const Pos3 p1 = {x.x + a * d1.x, x.y + a * d1.y, x.z + a * d1.z};
        const Pos3 p2 = {x.x + b * d1.x, x.y + b * d1.y, x.z + b * d1.z};
        const Pos3 p3 = {x.x + c * d2.x, x.y + c * d2.y, x.z + c * d2.z};
        const Pos3 p4 = {x.x + e * d2.x, x.y + e * d2.y, x.z + e * d2.z};
        const Real3 r = real3(mitre_of(p1, p2, p3, p4));
        // The result is X rounded to floats: within float rounding of the
        // largest coordinate involved.
        const long double scale = std::max({max_abs(real3(p1)), max_abs(real3(p2)), max_abs(real3(p3)), max_abs(real3(p4))});
        const long double tol = 4 * FLT_EPSILON * scale;
        EXPECT_LE(distance_to_line(r, real3(p1), real3(p2)), tol) << "case " << k;
        EXPECT_LE(distance_to_line(r, real3(p3), real3(p4)), tol) << "case " << k;
        EXPECT_LE(norm(r - real3(x)), tol) << "case " << k;
        ++checked;
    }
    EXPECT_GT(checked, 2500);
}

TEST_F(MitreProperty, SkewTracksGiveTheNearestPointOfTheFirst)
{
    std::mt19937 rng(77031u);
    std::uniform_real_distribution<float> coord(-100, 100);
    int checked = 0;
    for (int k = 0; k < 3000; ++k) {
        Pos3 p[4];
        for (Pos3 &q : p)
            q = {coord(rng), coord(rng), coord(rng)};
        const Real3 a = real3(p[0]), d1 = real3(p[1]) - a, d2 = real3(p[3]) - real3(p[2]), w = real3(p[2]) - a;
        const long double sine = norm(cross(d1, d2)) / (norm(d1) * norm(d2));
        if (sine < 0.2 || norm(d1) < 1 || norm(d2) < 1)
            continue; // keep the system well conditioned
        // Foot of the common perpendicular on A: (P1 + t d1 - B) is
        // perpendicular to both directions.
        const long double aa = dot(d1, d1), bb = dot(d2, d2), ab = dot(d1, d2);
        const long double t = (dot(w, d1) * bb - dot(w, d2) * ab) / (aa * bb - ab * ab);
        const Real3 expected = a + t * d1;
        const Real3 r = real3(mitre_of(p[0], p[1], p[2], p[3]));
        // The kernel works from directions rounded to floats, which shifts the
        // foot by a few float roundings of the coordinates, amplified by the
        // conditioning (1 / sine^2 <= 25).
        const long double scale = std::max(max_abs(expected), max_abs(a));
        EXPECT_LE(norm(r - expected), 100 * FLT_EPSILON * scale / (sine * sine)) << "case " << k;
        ++checked;
    }
    EXPECT_GT(checked, 2000);
}

TEST_F(TurnProperty, TurnKeepsLengthsAndCarriesTheNormalOntoTheDirection)
{
    std::mt19937 rng(4051u);
    std::uniform_real_distribution<float> unit(-1, 1), coord(-50, 50), factor(0.1f, 3);
    int checked = 0;
    for (int k = 0; k < 3000; ++k) {
        const Pos3 n = {unit(rng), unit(rng), unit(rng)}, d = {unit(rng), unit(rng), unit(rng)};
        const double cosine = vec3_cos_angle(&n, &d);
        if (norm(real3(n)) < 0.1 || norm(real3(d)) < 0.1 || !(cosine >= 0))
            continue; // the turn covers at most a quarter turn
        Pos3 axis;
        vec3_cross_unit(&n, &d, &axis);
        const Pos3 centre = {coord(rng), coord(rng), coord(rng)};
        const double f = factor(rng);
        const Pos3 tip = {centre.x + n.x, centre.y + n.y, centre.z + n.z};
        const Pos3 other = {coord(rng), coord(rng), coord(rng)};
        VertexList *input = ring({tip, other});
        const std::vector<Pos3> before = positions_of(input);
        const std::vector<Pos3> turned = positions_of(keep(kvx_vtx_list_scale_rotate(input, &centre, &axis, cosine, f, NULL)));
        ASSERT_EQ(turned.size(), 2u);
        const std::vector<Pos3> scaled = positions_of(input);
        const Real3 c = real3(centre);
        for (int i = 0; i < 2; ++i) {
            const long double r0 = norm(real3(before[i]) - c);
            // Scaled in place about the centre, then turned without stretching.
            EXPECT_NEAR(norm(real3(scaled[i]) - c), f * r0, 1e-5 * (f * r0 + max_abs(c))) << "case " << k;
            EXPECT_NEAR(norm(real3(turned[i]) - c), f * r0, 2e-5 * (f * r0 + max_abs(c))) << "case " << k;
        }
        // The normal's tip ends on the ray from the centre along d.
        const Real3 offset = real3(turned[0]) - c;
        const Real3 along = (1 / norm(real3(d))) * real3(d);
        EXPECT_LE(norm(offset - norm(offset) * along), 2e-5 * (norm(offset) + max_abs(c))) << "case " << k;
        ++checked;
    }
    EXPECT_GT(checked, 1000);
}

} // namespace
