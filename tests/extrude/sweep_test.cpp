// The operation end to end through the stand-in host and Tcl: place the
// template and the path, select them, run kvx_extrude_along_path_scale and
// look at the new object. The exact rings of small cases are checked phase
// by phase in phase_test.cpp; these check what the whole command does.

#include "extrude_test.h"

#include <cmath>

namespace {

std::vector<Pos3> moved(const std::vector<Pos3> &points, Pos3 by)
{
    std::vector<Pos3> out;
    for (const Pos3 &p : points)
        out.push_back({p.x + by.x, p.y + by.y, p.z + by.z});
    return out;
}

std::vector<Pos3> ring(const std::vector<Pos3> &v, int j, int m)
{
    return std::vector<Pos3>(v.begin() + j * m, v.begin() + (j + 1) * m);
}

Pos3 centroid(const std::vector<Pos3> &r)
{
    double x = 0, y = 0, z = 0;
    for (const Pos3 &p : r)
        x += p.x, y += p.y, z += p.z;
    return {float(x / r.size()), float(y / r.size()), float(z / r.size())};
}

double dist(Pos3 a, Pos3 b)
{
    return std::sqrt(double(a.x - b.x) * (a.x - b.x) + double(a.y - b.y) * (a.y - b.y) +
                     double(a.z - b.z) * (a.z - b.z));
}

// Expects ring j to be the square scaled by size about centre, unturned.
void expect_square_ring(const std::vector<Pos3> &v, int j, Pos3 centre, double size)
{
    for (int i = 0; i < 4; i++) {
        Pos3 got = v[j * 4 + i];
        SCOPED_TRACE("ring " + std::to_string(j) + " vertex " + std::to_string(i));
        EXPECT_NEAR(got.x, centre.x + size * kSquare[i].x, 1e-6);
        EXPECT_NEAR(got.y, centre.y + size * kSquare[i].y, 1e-6);
        EXPECT_NEAR(got.z, centre.z + size * kSquare[i].z, 1e-6);
    }
}

using SweepTest = ExtrudeTest;

TEST_F(SweepTest, ClosedSquarePathMakesAClosedTubeOfMitreRings)
{
    std::vector<Pos3> small = {{0, -0.25f, -0.25f}, {0, 0.25f, -0.25f}, {0, 0.25f, 0.25f}, {0, -0.25f, 0.25f}};
    int id = extrude(small, true, {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}}, true, "100");
    std::vector<Pos3> v = vertices(id);
    ASSERT_EQ(v.size(), 16u);
    // Rings at P1, P2, Pos3 and, last, P0: every one a mitre ring.
    const Pos3 centres[] = {{1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {0, 0, 0}};
    for (int j = 0; j < 4; j++) {
        Pos3 c = centroid(ring(v, j, 4));
        EXPECT_NEAR(c.x, centres[j].x, 1e-6) << "ring " << j;
        EXPECT_NEAR(c.y, centres[j].y, 1e-6) << "ring " << j;
        EXPECT_NEAR(c.z, centres[j].z, 1e-6) << "ring " << j;
        // A mitre ring at a right angle is stretched along the bisector.
        for (int i = 0; i < 4; i++)
            EXPECT_NEAR(dist(v[j * 4 + i], centres[j]), 0.25 * std::sqrt(3.0), 1e-6);
    }
    // Four strips of four quads; the last joins the ring at P0 to the first.
    std::vector<std::vector<int>> s = surfaces(id);
    ASSERT_EQ(s.size(), 16u);
    EXPECT_EQ(s[12], (std::vector<int>{12, 13, 1, 0}));
    EXPECT_EQ(s[13], (std::vector<int>{13, 14, 2, 1}));
    EXPECT_EQ(s[14], (std::vector<int>{14, 15, 3, 2}));
    EXPECT_EQ(s[15], (std::vector<int>{15, 12, 0, 3}));
}

TEST_F(SweepTest, ClosedTemplateGetsClosingQuadsInEveryStrip)
{
    int id = extrude(kSquare, true, {{0, 0, 0}, {1, 0, 0}, {2, 0, 0}}, false, "100");
    EXPECT_EQ(vertices(id).size(), 12u);
    std::vector<std::vector<int>> expected = {{0, 1, 5, 4}, {1, 2, 6, 5}, {2, 3, 7, 6}, {3, 0, 4, 7},
                                              {4, 5, 9, 8}, {5, 6, 10, 9}, {6, 7, 11, 10}, {7, 4, 8, 11}};
    EXPECT_EQ(surfaces(id), expected);
    Object *o = zirka_object_by_id(id);
    for (Surface *s : zirka_object_surfaces(o))
        for (auto uv : zirka_surface_uvs(s))
            EXPECT_TRUE(uv.first == 0 && uv.second == 0);
}

TEST_F(SweepTest, OpenTemplateLineGetsNoClosingQuads)
{
    std::vector<Pos3> line = {{0, 0, 0}, {0, 1, 0}, {0, 1, 1}};
    int id = extrude(line, false, {{0, 0, 0}, {1, 0, 0}, {2, 0, 0}}, false, "100");
    EXPECT_EQ(vertices(id).size(), 9u);
    std::vector<std::vector<int>> expected = {{0, 1, 4, 3}, {1, 2, 5, 4}, {3, 4, 7, 6}, {4, 5, 8, 7}};
    EXPECT_EQ(surfaces(id), expected);
}

TEST_F(SweepTest, OneVertexClosedTemplateGetsItsClosingQuadOnly)
{
    int id = extrude({{0, 2, 0}}, true, {{0, 0, 0}, {1, 0, 0}, {2, 0, 0}}, false, "50");
    EXPECT_EQ(vertices(id), (std::vector<Pos3>{{0, 2, 0}, {1, 2, 0}, {2, 2, 0}}));
    EXPECT_EQ(surfaces(id), (std::vector<std::vector<int>>{{0, 0, 1, 1}, {1, 1, 2, 2}}));
}

TEST_F(SweepTest, AmountsFromHundredToNegative)
{
    const std::vector<Pos3> path = {{0, 0, 0}, {1, 0, 0}, {2, 0, 0}};
    struct {
        const char *amount;
        double middle, end; // sizes at the middle and the end point
    } cases[] = {{"100", 1, 1}, {"0", 0.5, 0}, {"-20", 0.4, -0.2}, {"250", 1.75, 2.5}, {"50%", 0.75, 0.5}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.amount);
        zirka_reset();
        std::vector<Pos3> v = vertices(extrude(kSquare, true, path, false, c.amount));
        ASSERT_EQ(v.size(), 12u);
        expect_square_ring(v, 0, {0, 0, 0}, 1);
        expect_square_ring(v, 1, {1, 0, 0}, c.middle);
        // A negative size mirrors the ring through its centre.
        expect_square_ring(v, 2, {2, 0, 0}, c.end);
    }
}

TEST_F(SweepTest, TemplateIsSweptFromWhereItStands)
{
    const Pos3 at = {10, 20, 30};
    int id = extrude(moved(kSquare, at), true, {{0, 0, 0}, {1, 0, 0}, {2, 0, 0}}, false, "50");
    std::vector<Pos3> v = vertices(id);
    expect_square_ring(v, 0, at, 1);
    expect_square_ring(v, 1, {at.x + 1, at.y, at.z}, 0.75);
    expect_square_ring(v, 2, {at.x + 2, at.y, at.z}, 0.5);
}

TEST_F(SweepTest, MovingThePathChangesNothing)
{
    const std::vector<Pos3> path = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {1, 1, 2}, {3, 2, 2}};
    int here = extrude(kSquare, true, path, false, "40");
    int there = extrude(kSquare, true, moved(path, {64, -32, 8}), false, "40");
    EXPECT_EQ(vertices(here), vertices(there));
    EXPECT_EQ(surfaces(here), surfaces(there));
}

TEST_F(SweepTest, TemplateWithoutNormalIsNotTurned)
{
    // A two-vertex line has no fan normal; it is swept as it stands.
    std::vector<Pos3> line = {{0, 0, 0}, {1, 0, 0}};
    int id = extrude(line, false, {{0, 0, 0}, {0, 0, 1}, {0, 0, 2}}, false, "100");
    EXPECT_EQ(vertices(id), (std::vector<Pos3>{{0, 0, 0}, {1, 0, 0}, {0, 0, 1}, {1, 0, 1}, {0, 0, 2}, {1, 0, 2}}));
}

TEST_F(SweepTest, TemplateFacingBackwardsIsFlippedNotTurned)
{
    // The reversed square's normal is -x, against the path: flipped, it is
    // aligned, so the first ring is the template exactly.
    std::vector<Pos3> reversed(kSquare.rbegin(), kSquare.rend());
    int id = extrude(reversed, true, {{0, 0, 0}, {1, 0, 0}, {2, 0, 0}}, false, "100");
    std::vector<Pos3> v = vertices(id);
    for (int i = 0; i < 4; i++)
        EXPECT_EQ(v[i], reversed[i]);
}

TEST_F(SweepTest, UndoRemovesTheWholeObjectAndRedoRestoresIt)
{
    std::vector<int> ids = place(kSquare, true, {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}}, false);
    std::vector<Pos3> tmpl = vertices(ids[0]), path = vertices(ids[1]);
    select(ids);
    Outcome o = run("75");
    ASSERT_EQ(o.made.size(), 1u);
    EXPECT_EQ(zirka_undo_names().back(), "Extrude along path");
    EXPECT_EQ(vertices(ids[0]), tmpl);
    EXPECT_EQ(vertices(ids[1]), path);

    eval("host::undo");
    EXPECT_EQ(world_ids(), ids);
    eval("host::redo");
    EXPECT_EQ(world_ids(), (std::vector<int>{ids[0], ids[1], o.made[0]}));
    EXPECT_EQ(vertices(o.made[0]).size(), 12u);
}

TEST_F(SweepTest, TurningTheTemplateNeverWritesItsVertices)
{
    // Turning scales its input in place by 1.0 about the centroid, which
    // would turn -0 into +0 here; the template must keep its own bits.
    std::vector<Pos3> square = kSquare;
    square[0].x = -0.0f;
    std::vector<int> ids = place(square, true, {{0, 0, 0}, {0, 1, 0}, {0, 2, 0}}, false);
    select(ids);
    ASSERT_EQ(run("100").made.size(), 1u);
    EXPECT_TRUE(std::signbit(vertices(ids[0])[0].x));
    EXPECT_EQ(vertices(ids[0]), square);
}

TEST_F(SweepTest, ResultHasNormalsAndIsRedrawn)
{
    long redraws = zirka_redraw_count();
    int id = extrude(kSquare, true, {{0, 0, 0}, {1, 0, 0}, {2, 0, 0}}, false, "100");
    EXPECT_EQ(zirka_redraw_count(), redraws + 1);
    // The quad (0, 1, 5, 4) runs from y = -1 to y = 1 at z = -1: its face
    // normal is along z.
    Pos3 n = zirka_surface_normal(zirka_object_surfaces(zirka_object_by_id(id))[0]);
    EXPECT_NEAR(std::fabs(n.z), 1.0, 1e-6);
    EXPECT_NEAR(n.x, 0.0, 1e-6);
}

TEST_F(SweepTest, TheFirstSelectedObjectIsTheTemplate)
{
    // Path first: the three-point line becomes the outline, swept along the
    // square, which is closed: four rings of three.
    std::vector<int> ids = place(kSquare, true, {{0, 0, 0}, {1, 0, 0}, {2, 0, 0}}, false);
    select({ids[1], ids[0]});
    Outcome o = run("100");
    ASSERT_EQ(o.made.size(), 1u);
    EXPECT_EQ(vertices(o.made[0]).size(), 12u);
    EXPECT_EQ(surfaces(o.made[0]).size(), 8u); // four strips of two quads, the closing strip included
}

} // namespace
