// The small solver and the mitre point of two tracks.
#include "geom_test_util.h"

#include <cmath>
#include <cstring>

namespace {

// Solves the system in place and expects exactly the matrix it leaves.
void expect_solved(double m[12], const double (&expected)[12])
{
    EXPECT_EQ(kvx_solve3(m), 1);
    for (int i = 0; i < 12; ++i)
        EXPECT_EQ(m[i], expected[i]) << "row " << i / 4 << " column " << i % 4;
}

TEST(Solve3, FullSystemEndsWithMinusPlusMinusDiagonal)
{
    // x0 = 1, x1 = 2, x2 = 3. The smallest candidates (row 1 for x0, then
    // row 2 for x1, then row 0 for x2) make the pivot rows a cycle that the
    // final reordering has to undo. Every eliminated entry is cleared
    // exactly; x2 comes out one unit in the last place above 3.
    double m[12] = {4, 1, 1, 9, 1, 2, 0, 5, 2, 1, 2, 10};
    expect_solved(m, {-1, 0, 0, -1, 0, 1, 0, 2, 0, 0, -1, -0x1.8000000000001p+1});
}

TEST(Solve3, SmallestPivotAndLowestRowOnTies)
{
    // Column 0 holds 2, -2 and 4: rows 0 and 1 tie for the smallest and row
    // 0 wins, giving x0 = 6 / 2 = 3. Row 1 would give -4, the largest
    // candidate (row 2) 2.5. Columns 1 and 2 are empty and skipped.
    //   row 0 * (-1/2)           -> [-1, 0, 0,  -3]
    //   row 1: -1 * row 1 + 2 * row 0 -> [ 0, 0, 0, -14]
    //   row 2: -1 * row 2 - 4 * row 0 -> [ 0, 0, 0,   2]
    double m[12] = {2, 0, 0, 6, -2, 0, 0, 8, 4, 0, 0, 10};
    expect_solved(m, {-1, 0, 0, -3, 0, 0, 0, -14, 0, 0, 0, 2});
}

TEST(Solve3, SkippedColumnLeavesItsRowOver)
{
    // x1 appears nowhere. x0 pivots on row 0 (tie with row 2), x2 on row 1
    // (tie with row 2); the update for x2 flips row 0 back to +1, and the
    // row that eliminated nothing ends at index 1.
    double m[12] = {1, 0, 0, 2, 0, 0, 1, 3, 1, 0, 1, 4};
    expect_solved(m, {1, 0, 0, 2, 0, 0, 0, -1, 0, 0, -1, -3});
}

TEST(Solve3, NoCandidatesMeansNoChangeAtAll)
{
    // Zeros and not-a-number never serve as pivots, so nothing is divided.
    double m[12] = {std::nan(""), 0, 0, 1, 0, 0, 0, 2, 0, 0, 0, 3};
    double before[12];
    std::memcpy(before, m, sizeof m);
    EXPECT_EQ(kvx_solve3(m), 1);
    EXPECT_EQ(std::memcmp(m, before, sizeof m), 0);
}

using Mitre = GeomTest;

Pos3 mitre(Pos3 p1, Pos3 p2, Pos3 p3, Pos3 p4)
{
    return *zirka_head_vertex_pos(kvx_line_intersect(p1, p2, p3, p4, NULL));
}

TEST_F(Mitre, CrossingSkewParallelAndOpposite)
{
    struct Case {
        const char *what;
        Pos3 p1, p2, p3, p4, expected;
    } cases[] = {
        {"crossing at (1,0,0)", {0, 0, 0}, {2, 0, 0}, {1, -1, 0}, {1, 1, 0}, {1, 0, 0}},
        // B runs along y at x = 2, z = 3: the nearest point of A is (2,0,0),
        // not the middle (2,0,1.5) of the common perpendicular.
        {"skew", {0, 0, 0}, {1, 0, 0}, {2, -1, 3}, {2, 1, 3}, {2, 0, 0}},
        {"parallel, distinct lines", {0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {3, 1, 0}, {1, 0, 0}},
        {"parallel, same line", {0, 0, 0}, {1, 0, 0}, {4, 0, 0}, {6, 0, 0}, {1, 0, 0}},
        // Opposite directions go through the solver: x0 pivots on row 0
        // (t - (-2)s = 5, s left unsolved) and gives t = 5, not P2.
        {"opposite, same line", {0, 0, 0}, {1, 0, 0}, {5, 0, 0}, {3, 0, 0}, {5, 0, 0}},
        // cos = 1e4 / sqrt(1e8 + 1), 5e-9 below 1: solved, not taken as
        // parallel. B reaches y = 0 at x = -1e4.
        {"nearly parallel", {0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1e4f, 2, 0}, {-1e4f, 0, 0}},
        {"P1 == P2", {1, 2, 3}, {1, 2, 3}, {0, 0, 0}, {1, 1, 5}, {1, 2, 3}},
        // d1 = (4,-2,2): y and z tie for the smallest component and y wins,
        // so the result is the point of A with y = P3.y = 1 (t = -1/2).
        // Pivoting on z would give (14,-7,7), on x (10,-5,5).
        {"P3 == P4", {0, 0, 0}, {4, -2, 2}, {10, 1, 7}, {10, 1, 7}, {-2, 1, -1}},
    };
    for (const Case &c : cases)
        EXPECT_EQ(mitre(c.p1, c.p2, c.p3, c.p4), c.expected) << c.what;
}

TEST_F(Mitre, PerpendicularStaysInDouble)
{
    // For these tracks rounding n = d1 x d2 to floats before the solve would
    // give z = 0x1.78c896p-2f.
    const Pos3 p1 = {-8.99054146f, -2.48557138f, -0.0202741623f}, p2 = {-7.80673695f, -8.56736279f, -7.42597771f};
    const Pos3 p3 = {-7.10346794f, 8.74310875f, -7.41691113f}, p4 = {3.77064228f, 4.47918129f, -8.11261272f};
    EXPECT_EQ(mitre(p1, p2, p3, p4), (Pos3{-0x1.21aee6p+3f, -0x1.1557fcp+1f, 0x1.78c898p-2f}));
}

TEST_F(Mitre, RingsWalkInStepUpToTheShortest)
{
    // Track k runs along x at height k, then turns to run along y.
    VertexList *l1 = ring({{0, 0, 0}, {0, 0, 1}, {0, 0, 2}});
    VertexList *l2 = ring({{1, 0, 0}, {1, 0, 1}});
    VertexList *l3 = ring({{5, 1, 0}, {5, 1, 1}, {5, 1, 2}, {5, 1, 3}});
    VertexList *l4 = ring({{5, 2, 0}, {5, 2, 1}, {5, 2, 2}});
    VertexList *corners = keep(kvx_vtx_list_intersect(l1, l2, l3, l4, NULL));
    EXPECT_EQ(positions_of(corners), (std::vector<Pos3>{{5, 0, 0}, {5, 0, 1}}));
    for (VertexList *input : {l1, l2, l3, l4})
        EXPECT_TRUE(shares_no_vertex(input, corners));
    EXPECT_EQ(positions_of(l2), (std::vector<Pos3>{{1, 0, 0}, {1, 0, 1}}));
    EXPECT_EQ(kvx_vtx_list_intersect(l1, l2, NULL, l4, NULL), nullptr);
}

TEST_F(Mitre, NewVertexEvenForParallelTracks)
{
    VertexList *a = ring({{0, 0, 0}}), *b = ring({{1, 0, 0}}), *c = ring({{2, 0, 0}}), *d = ring({{3, 0, 0}});
    VertexList *result = keep(kvx_vtx_list_intersect(a, b, c, d, NULL));
    ASSERT_EQ(positions_of(result), one({1, 0, 0}));
    EXPECT_TRUE(shares_no_vertex(b, result)); // at P2's place, but not P2's vertex
}

} // namespace
