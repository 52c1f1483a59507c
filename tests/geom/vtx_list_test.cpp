// Centroid, fan normal, translated copy and copying into an object.
#include "geom_test_util.h"

#include <cmath>
#include <string>

namespace {

using VtxList = GeomTest;

//  (0,1) +---+ (1,1)     the square of these tests, counter-clockwise
//        |   |           seen from +z
//  (0,0) +---+ (1,0)

TEST_F(VtxList, CentreOfTheSquare)
{
    Pos3 c;
    kvx_vtx_list_get_centre(ring({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}}), &c);
    EXPECT_EQ(c, (Pos3{0.5f, 0.5f, 0}));
}

TEST_F(VtxList, CentreOfOneVertexIsThatVertex)
{
    Pos3 c;
    kvx_vtx_list_get_centre(ring({{-2.5f, 3, 1e-3f}}), &c);
    EXPECT_EQ(c, (Pos3{-2.5f, 3, 1e-3f}));
}

TEST_F(VtxList, CentreOfNothingIsNotANumber)
{
    Pos3 c;
    kvx_vtx_list_get_centre(NULL, &c); // 0 * (1 / 0)
    EXPECT_TRUE(std::isnan(c.x) && std::isnan(c.y) && std::isnan(c.z)) << c;
}

TEST_F(VtxList, CentreSumsInSinglePrecision)
{
    // 1e8 + 1 is 1e8 in a float (spacing 8), so the sum of x is 0, not 1.
    Pos3 c;
    kvx_vtx_list_get_centre(ring({{1e8f, 0, 0}, {1, 0, 0}, {-1e8f, 0, 0}}), &c);
    EXPECT_EQ(c.x, 0.0f);
}

TEST_F(VtxList, NormalOfSquareFollowsItsTurn)
{
    const Pos3 centre = {0.5f, 0.5f, 0};
    Pos3 n;
    kvx_vtx_list_get_normal(ring({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}}), &centre, &n);
    EXPECT_EQ(n, (Pos3{0, 0, 1})); // (0,0,3) normalised
    kvx_vtx_list_get_normal(ring({{0, 1, 0}, {1, 1, 0}, {1, 0, 0}, {0, 0, 0}}), &centre, &n);
    EXPECT_EQ(n, (Pos3{0, 0, -1}));
}

TEST_F(VtxList, NormalVanishesIntoNotANumber)
{
    const Pos3 mid = {0.5f, 0, 0}, origin = {0, 0, 0};
    Pos3 n;
    kvx_vtx_list_get_normal(ring({{0, 0, 0}, {1, 0, 0}}), &mid, &n); // opposite offsets
    EXPECT_TRUE(std::isnan(n.x) && std::isnan(n.y) && std::isnan(n.z)) << n;
    kvx_vtx_list_get_normal(ring({{1, 2, 3}}), &origin, &n); // no term at all
    EXPECT_TRUE(std::isnan(n.x) && std::isnan(n.y) && std::isnan(n.z)) << n;
    kvx_vtx_list_get_normal(NULL, &origin, &n); // must not read a node
    EXPECT_TRUE(std::isnan(n.x) && std::isnan(n.y) && std::isnan(n.z)) << n;
}

TEST_F(VtxList, NormalHasNoClosingTerm)
{
    // Offsets from the centre: p0 = (-.5,-.5,-.25), p1 = (.5,-.5,-.25),
    // p2 = (.5,.5,-.25), p3 = (-.5,.5,.75). The unit cross products of the
    // three consecutive pairs are (0,-1,2)/sqrt5, (1,0,2)/sqrt5 and
    // (2,-1,2)/3; the closing pair (p3, p0) would add (1,-2,2)/3.
    // About (0.397, -0.278, 0.875); with a closing term it would be about
    // (0.388, -0.388, 0.836).
    const Pos3 centre = {0.5f, 0.5f, 0.25f};
    Pos3 n;
    kvx_vtx_list_get_normal(ring({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 1}}), &centre, &n);
    EXPECT_EQ(n, (Pos3{0x1.96567ep-2f, -0x1.1cbd54p-2f, 0x1.bfe17ep-1f}));
}

TEST_F(VtxList, TranslateMakesNewVerticesInOrder)
{
    VertexList *square = ring({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}});
    const Pos3 up = {0, 0, 2};
    VertexList *moved = keep(kvx_vtx_list_translate(square, &up, NULL));
    const std::vector<Pos3> expected = {{0, 0, 2}, {1, 0, 2}, {1, 1, 2}, {0, 1, 2}};
    EXPECT_EQ(positions_of(moved), expected);
    EXPECT_EQ(positions_of(square), (std::vector<Pos3>{{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}}));
    EXPECT_TRUE(shares_no_vertex(square, moved));
    EXPECT_EQ(kvx_vtx_list_translate(NULL, &up, NULL), nullptr);
}

TEST_F(VtxList, TranslateRoundsEachSum)
{
    const Pos3 tiny = {1e-8f, -0.1f, 0};
    VertexList *moved = keep(kvx_vtx_list_translate(ring({{1, 1, 1}}), &tiny, NULL));
    // 1 + 1e-8 rounds back to 1; 1 - 0.1f = 0.8999999985 rounds to 0.9f.
    EXPECT_EQ(positions_of(moved)[0], (Pos3{1.0f, 0.9f, 1.0f}));
}

TEST_F(VtxList, CopyKeepsEveryBitInNewVertices)
{
    // Scaling by 1 about a centre would turn -0 into +0 and round 0x1p-140f
    // away; a copy keeps both.
    VertexList *line = ring({{-0.0f, 0x1p-140f, 3}, {1e30f, -1, 0}});
    VertexList *copy = keep(kvx_vtx_list_copy(line, NULL));
    EXPECT_EQ(positions_of(copy), positions_of(line));
    EXPECT_TRUE(shares_no_vertex(line, copy));
    EXPECT_EQ(kvx_vtx_list_copy(NULL, NULL), nullptr);
}

TEST_F(VtxList, AddToObjectAppendsCopiesInOrder)
{
    Object *object = new_object(ZIRKA_OBJECT_NORMAL);
    const Pos3 first = {9, 9, 9};
    object_add_new_vertex(object, &first);
    VertexList *line = ring({{1, 2, 3}, {4, 5, 6}});
    kvx_vtx_list_add_to_object(object, line, NULL);
    kvx_vtx_list_add_to_object(object, NULL, NULL);
    ASSERT_EQ(zirka_object_vertex_count(object), 3);
    EXPECT_EQ(*zirka_head_vertex_pos(zirka_object_get_vertex_at_index(object, 1)), (Pos3{1, 2, 3}));
    EXPECT_EQ(*zirka_head_vertex_pos(zirka_object_get_vertex_at_index(object, 2)), (Pos3{4, 5, 6}));
    EXPECT_NE(zirka_object_get_vertex_at_index(object, 1), vertices_of(line)[0]); // a copy
}

TEST_F(VtxList, TracesOnlyWhenDebugIsOn)
{
    VertexList *square = ring({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}});
    Pos3 c, n;
    RunRecord off = capture_output([&] {
        kvx_vtx_list_get_centre(square, &c);
        kvx_vtx_list_get_normal(square, &c, &n);
    });
    EXPECT_EQ(off.err, "");

    kvx_debug = 1;
    RunRecord on = capture_output([&] {
        kvx_vtx_list_get_centre(square, &c);
        kvx_vtx_list_get_normal(square, &c, &n);
        keep(kvx_vtx_list_translate(square, &c, NULL));
        keep(kvx_vtx_list_copy(square, NULL));
    });
    kvx_debug = 0;
    EXPECT_EQ(on.err, "kvx_vtx_list_get_centre(): (0.500000,0.500000,0.000000)\n"
                      "kvx_vtx_list_get_normal(): (0.000000,0.000000,1.000000)\n");
}

} // namespace
