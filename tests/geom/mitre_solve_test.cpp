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

Pos3 mitre(Pos3 p1, Pos3 p2, Pos3 p3, Pos3 p4) { return mitre_of(p1, p2, p3, p4); }

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
        // Opposite directions go through the solver (pivots 0 - -): x0
        // pivots on row 0 (t - (-2)s = 5, s unsolved): t = 5, not P2.
        {"opposite, same line", {0, 0, 0}, {1, 0, 0}, {5, 0, 0}, {3, 0, 0}, {5, 0, 0}},
        // cos = 1e4 / sqrt(1e8 + 1), 5e-9 below 1: solved, not taken as
        // parallel. B reaches y = 0 at x = -1e4.
        {"nearly parallel", {0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1e4f, 2, 0}, {-1e4f, 0, 0}},
        // P1 == P2: columns t and u hold no candidate (pivots - 0 -).
        {"P1 == P2", {1, 2, 3}, {1, 2, 3}, {0, 0, 0}, {1, 1, 5}, {1, 2, 3}},
        // Column s holds no candidate (pivots 1 - 2). d1 = (4,-2,2): y and z
        // tie for the smallest component and y wins, so the result is the
        // point of A with y = P3.y = 1 (t = -1/2); on z (14,-7,7), x (10,-5,5).
        {"P3 == P4", {0, 0, 0}, {4, -2, 2}, {10, 1, 7}, {10, 1, 7}, {-2, 1, -1}},
        // Crossing tracks in small whole numbers, one for each order of the
        // pivot rows of columns t, s, u: each lands on the crossing exactly.
        {"pivots 0 1 2", {-2, 0, -1}, {0, 4, 3}, {4, 8, -1}, {2, 6, 1}, {0, 4, 3}},
        {"pivots 0 2 1", {-2, 0, -1}, {0, -4, 1}, {6, 0, -1}, {4, -4, 1}, {2, -8, 3}},
        {"pivots 1 0 2", {3, 2, 2}, {5, 1, 6}, {7, -7, 2}, {6, -3, 4}, {5, 1, 6}},
        {"pivots 1 2 0", {-3, 1, 1}, {1, 0, 2}, {11, -4, 8}, {9, -2, 4}, {9, -2, 4}},
        {"pivots 2 0 1", {3, -2, -1}, {6, -6, -3}, {-4, 4, 3}, {0, 2, 1}, {0, 2, 1}},
        {"pivots 2 1 0", {3, -1, 0}, {7, 3, -1}, {3, -4, 2}, {-1, -5, 1}, {-1, -5, 1}},
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

// Track k of a ring: even k runs along x at (., k, k/4) and turns onto y at
// x = k + 1/2; odd k runs along z at (k, -k, .) and turns onto x at z = 1/4.
// Each pair of lines meets at a point whose coordinates are small binary
// fractions, so the answer is exact. Returns the four rings and the meeting
// points.
struct Tracks {
    std::vector<Pos3> p1, p2, p3, p4, meet;
};

Tracks tracks(int n)
{
    Tracks t;
    for (int k = 0; k < n; k++) {
        const float f = (float)k;
        if (k % 2 == 0) {
            t.p1.push_back({0, f, f / 4});
            t.p2.push_back({1, f, f / 4});
            t.p3.push_back({f + 0.5f, f + 2, f / 4});
            t.p4.push_back({f + 0.5f, f + 3, f / 4});
            t.meet.push_back({f + 0.5f, f, f / 4});
        } else {
            t.p1.push_back({f, -f, 0});
            t.p2.push_back({f, -f, 2});
            t.p3.push_back({f - 3, -f, 0.25f});
            t.p4.push_back({f - 1, -f, 0.25f});
            t.meet.push_back({f, -f, 0.25f});
        }
    }
    return t;
}

using MitreRing = GeomTest;

TEST_F(MitreRing, RingsGoIntoTheObjectInOrderUpToAFailedAllocation)
{
    // 33 and 65 points: one and two whole batches of 32, and one point more.
    // The host's object vertices come in chunks of 16, 32, 64...: the first
    // vertex takes the call's first two allocations, point 16 (inside the
    // first batch) the third, point 48 (inside the second) the fifth.
    struct Case {
        int n;
        long fail_at; // 0: none
        int kept;
        Pos3 last;
    } cases[] = {
        {33, 0, 33, {32.5f, 32, 8}},
        {65, 0, 65, {64.5f, 64, 16}},
        {33, 1, 0, {}},
        {33, 3, 16, {15, -15, 0.25f}},
        {65, 3, 16, {15, -15, 0.25f}},
        {65, 5, 48, {47, -47, 0.25f}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c.n << " points, allocation " << c.fail_at);
        Tracks t = tracks(c.n);
        List *l[4] = {NULL, NULL, NULL, NULL};
        const std::vector<Pos3> *points[4] = {&t.p1, &t.p2, &t.p3, &t.p4};
        for (int k = 0; k < 4; k++) {
            for (const Pos3 &p : *points[k])
                list_add_item(&l[k], new_vertex_set(p.x, p.y, p.z));
            keep(l[k]);
        }
        Object *object = new_object(ZIRKA_OBJECT_NORMAL);
        KvxScratch scratch = KVX_SCRATCH_INIT;
        zirka_memory_fail_at(c.fail_at, false);
        kvx_vtx_list_intersect_to_object(object, l[0], l[1], l[2], l[3], &scratch);
        zirka_memory_fail_at(0, false);
        EXPECT_EQ(scratch.failed, c.fail_at ? 1 : 0);
        ASSERT_EQ(zirka_object_vertex_count(object), c.kept);
        for (int k = 0; k < c.kept; k++)
            EXPECT_EQ(*zirka_head_vertex_pos(zirka_object_get_vertex_at_index(object, k)), t.meet[k]) << k;
        if (c.kept > 0) {
            EXPECT_EQ(*zirka_head_vertex_pos(zirka_object_get_vertex_at_index(object, c.kept - 1)), c.last);
        }
        EXPECT_EQ(positions_of(l[1])[1], (Pos3{1, -1, 2})); // the inputs are left as they were
    }
}

TEST_F(Mitre, RingsWalkInStepUpToTheShortest)
{
    // Track k runs along x at height k, then turns to run along y.
    VertexList *l1 = ring({{0, 0, 0}, {0, 0, 1}, {0, 0, 2}});
    VertexList *l2 = ring({{1, 0, 0}, {1, 0, 1}});
    VertexList *l3 = ring({{5, 1, 0}, {5, 1, 1}, {5, 1, 2}, {5, 1, 3}});
    VertexList *l4 = ring({{5, 2, 0}, {5, 2, 1}, {5, 2, 2}});
    Object *object = new_object(ZIRKA_OBJECT_NORMAL);
    kvx_vtx_list_intersect_to_object(object, l1, l2, l3, l4, NULL);
    ASSERT_EQ(zirka_object_vertex_count(object), 2);
    EXPECT_EQ(*zirka_head_vertex_pos(zirka_object_get_vertex_at_index(object, 0)), (Pos3{5, 0, 0}));
    EXPECT_EQ(*zirka_head_vertex_pos(zirka_object_get_vertex_at_index(object, 1)), (Pos3{5, 0, 1}));
    EXPECT_EQ(positions_of(l2), (std::vector<Pos3>{{1, 0, 0}, {1, 0, 1}}));
    kvx_vtx_list_intersect_to_object(object, l1, l2, NULL, l4, NULL);
    EXPECT_EQ(zirka_object_vertex_count(object), 2);
}

} // namespace
