// Scaling a ring in place and handing back a turned or plain copy.
#include "geom_test_util.h"

#include <cmath>

namespace {

using RingTransform = GeomTest;

const Pos3 origin = {0, 0, 0}, z_axis = {0, 0, 1};

TEST_F(RingTransform, QuarterTurnsAndTheCosineClamp)
{
    //   y
    //   | * result for cosine 0 (and below 0: clamped to a quarter turn)
    //   |
    //   +-----* x   input, and the result for cosine 1 (and above 1)
    const float half_root3 = (float)std::sqrt(0.75);
    struct Case {
        double cosine;
        Pos3 expected;
    } cases[] = {
        {0.0, {0, 1, 0}}, {0.5, {0.5f, half_root3, 0}}, {-0.5, {0, 1, 0}}, {1.0, {1, 0, 0}}, {2.0, {1, 0, 0}},
    };
    for (const Case &c : cases) {
        VertexList *input = ring({{1, 0, 0}});
        VertexList *turned = keep(kvx_vtx_list_scale_rotate(input, &origin, &z_axis, c.cosine, 1.0, NULL));
        EXPECT_EQ(positions_of(turned), one(c.expected)) << "cosine " << c.cosine;
        EXPECT_EQ(positions_of(input), one({1, 0, 0})) << "cosine " << c.cosine;
    }
}

TEST_F(RingTransform, DownwardAxisTurnsClockwise)
{
    const Pos3 down = {0, 0, -1};
    VertexList *turned = keep(kvx_vtx_list_scale_rotate(ring({{1, 0, 0}}), &origin, &down, 0.0, 1.0, NULL));
    EXPECT_EQ(positions_of(turned), one({0, -1, 0}));
}

TEST_F(RingTransform, ScaleMovesInputAndCopiesIt)
{
    // (2,1,1) is 1 from the centre (1,1,1); twice that is (3,1,1).
    const Pos3 centre = {1, 1, 1};
    VertexList *a = ring({{2, 1, 1}});
    VertexList *turned = keep(kvx_vtx_list_scale_rotate(a, &centre, &z_axis, 1.0, 2.0, NULL));
    EXPECT_EQ(positions_of(a), one({3, 1, 1}));
    EXPECT_EQ(positions_of(turned), one({3, 1, 1}));

    VertexList *b = ring({{2, 1, 1}});
    VertexList *copy = keep(kvx_vtx_list_scale(b, &centre, 2.0, NULL));
    EXPECT_EQ(positions_of(b), one({3, 1, 1}));
    EXPECT_EQ(positions_of(copy), one({3, 1, 1}));
}

TEST_F(RingTransform, FactorZeroCollapsesOntoTheCentre)
{
    const Pos3 centre = {0.1f, -2.5f, 7};
    const Pos3 axis = {0.6f, 0, 0.8f};
    const std::vector<Pos3> at_centre(3, centre);
    VertexList *a = ring({{1, 2, 3}, {-4, 5, 6}, {7, 8, -9}});
    VertexList *turned = keep(kvx_vtx_list_scale_rotate(a, &centre, &axis, 0.3, 0.0, NULL));
    EXPECT_EQ(positions_of(a), at_centre);
    EXPECT_EQ(positions_of(turned), at_centre);
    VertexList *b = ring({{1, 2, 3}, {-4, 5, 6}, {7, 8, -9}});
    VertexList *copy = keep(kvx_vtx_list_scale(b, &centre, 0.0, NULL));
    EXPECT_EQ(positions_of(b), at_centre);
    EXPECT_EQ(positions_of(copy), at_centre);
}

TEST_F(RingTransform, ZeroAxisDrawsTowardTheCentreByTheCosine)
{
    const Pos3 zero = {0, 0, 0};
    VertexList *half = keep(kvx_vtx_list_scale_rotate(ring({{2, 4, -6}}), &origin, &zero, 0.5, 1.0, NULL));
    EXPECT_EQ(positions_of(half), one({1, 2, -3}));
    const Pos3 centre = {1, 1, 1};
    VertexList *none = keep(kvx_vtx_list_scale_rotate(ring({{2, 4, -6}}), &centre, &zero, 0.0, 1.0, NULL));
    EXPECT_EQ(positions_of(none), one(centre));
}

TEST_F(RingTransform, CopiesKeepOrderAndNeverReuseInputVertices)
{
    const Pos3 axis = {0, 1, 0};
    VertexList *a = ring({{1, 0, 0}, {0, 0, 1}, {-1, 0, 0}, {0, 0, -1}});
    VertexList *turned = keep(kvx_vtx_list_scale_rotate(a, &origin, &axis, 0.0, 1.0, NULL));
    // A quarter turn about +y carries x onto -z and z onto x.
    EXPECT_EQ(positions_of(turned), (std::vector<Pos3>{{0, 0, -1}, {1, 0, 0}, {0, 0, 1}, {-1, 0, 0}}));
    EXPECT_TRUE(shares_no_vertex(a, turned));
    VertexList *copy = keep(kvx_vtx_list_scale(a, &origin, 1.0, NULL));
    EXPECT_EQ(positions_of(copy), positions_of(a));
    EXPECT_TRUE(shares_no_vertex(a, copy));
}

TEST_F(RingTransform, TurnReadsTheRoundedScaledPosition)
{
    // Scaled by 0.3 the point is stored as (-0x1.bac964p+0f, -0x1.9e35dep+0f)
    // and turned from there; turning the unrounded products would give
    // x = 0x1.06c90cp-2f.
    const Pos3 p = {-5.76545143f, -5.39336491f, 0};
    VertexList *a = ring({p});
    VertexList *turned = keep(kvx_vtx_list_scale_rotate(a, &origin, &z_axis, 0.6, 0.3, NULL));
    EXPECT_EQ(positions_of(a), one({-0x1.bac964p+0f, -0x1.9e35dep+0f, 0}));
    EXPECT_EQ(positions_of(turned), one({0x1.06c90ap-2f, -0x1.2d60b8p+1f, 0}));
}

TEST_F(RingTransform, ScaleInPlaceMovesAndMakesNothing)
{
    const Pos3 centre = {1, 1, 1};
    VertexList *a = ring({{2, 1, 1}, {1, 0, 1}});
    std::vector<Vertex *> before = vertices_of(a);
    long made = zirka_free_vertex_count();
    kvx_vtx_list_scale_in_place(a, &centre, -0.5);
    EXPECT_EQ(positions_of(a), (std::vector<Pos3>{{0.5f, 1, 1}, {1, 1.5f, 1}}));
    EXPECT_EQ(vertices_of(a), before);
    EXPECT_EQ(zirka_free_vertex_count(), made);
    kvx_vtx_list_scale_in_place(NULL, &centre, 2.0);
}

TEST_F(RingTransform, EmptyListStillTracesTheTurn)
{
    const Pos3 centre = {1, 2, 3};
    kvx_debug = 1;
    RunRecord on = capture_output([&] {
        EXPECT_EQ(kvx_vtx_list_scale_rotate(NULL, &centre, &z_axis, -0.5, 1.0, NULL), nullptr);
        EXPECT_EQ(kvx_vtx_list_scale(NULL, &centre, 2.0, NULL), nullptr);
        keep(kvx_vtx_list_scale(ring({{1, 1, 1}}), &centre, 2.0, NULL)); // the plain scale never traces
    });
    kvx_debug = 0;
    EXPECT_EQ(on.err, "extrude_along_path(): rotating with center (1.000000,2.000000,3.000000) with S=-5.000000e-01\n");

    RunRecord off =
        capture_output([&] { EXPECT_EQ(kvx_vtx_list_scale_rotate(NULL, &centre, &z_axis, -0.5, 1.0, NULL), nullptr); });
    EXPECT_EQ(off.err, "");
}

} // namespace
