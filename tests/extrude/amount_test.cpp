// What the command accepts: amounts read as "%g" reads them, and paths that
// look odd but have a direction at every corner.

#include "extrude_test.h"

namespace {

using AcceptTest = ExtrudeTest;

TEST_F(AcceptTest, AmountIsReadLikeANumberWithTrailingText)
{
    // Leading blanks and anything after the number are ignored; 0, negative
    // and large amounts are accepted.
    const char *accepted[] = {"50", "{  50}", "50%", "50abc", "0", "-20", "1e3", "3.5e1"};
    for (const char *amount : accepted) {
        SCOPED_TRACE(amount);
        zirka_reset();
        select(place(kSquare, true, kPath, false));
        Outcome o = run(amount);
        EXPECT_TRUE(o.messages.empty());
        EXPECT_EQ(o.made.size(), 1u);
        EXPECT_EQ(o.err, "\n\n");
    }
}

TEST_F(AcceptTest, ScalePassingZeroBetweenPointsIsAccepted)
{
    // Sizes 1, 1/3, -1/3, -1 pass through 0 between points.
    select(place(kSquare, true, {{0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {3, 0, 0}}, false));
    EXPECT_EQ(run("-100").made.size(), 1u);
}

TEST_F(AcceptTest, ScaleReachingZeroAtTheEndIsAccepted)
{
    // The last ring collapses onto its centre.
    int id = extrude(kSquare, true, kPath, false, "0");
    std::vector<Pos3> v = vertices(id);
    ASSERT_EQ(v.size(), 12u);
    for (int i = 8; i < 12; i++)
        EXPECT_EQ(v[i], (Pos3{2, 0, 0}));
}

TEST_F(AcceptTest, CoincidentPathPointsCountOnce)
{
    const std::vector<Pos3> clean = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {1, 1, 1}};
    const std::vector<Pos3> doubled = {{0, 0, 0}, {0, 0, 0}, {1, 0, 0}, {1, 0, 0}, {1, 0, 0},
                                       {1, 1, 0}, {1, 1, 1}, {1, 1, 1}};
    int a = extrude(kSquare, true, clean, false, "50");
    int b = extrude(kSquare, true, doubled, false, "50");
    EXPECT_EQ(vertices(a), vertices(b));
    EXPECT_EQ(surfaces(a), surfaces(b));
}

TEST_F(AcceptTest, ClosedPathRepeatingItsStartAtTheEndCountsItOnce)
{
    const std::vector<Pos3> loop = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}};
    std::vector<Pos3> repeated = loop;
    repeated.push_back(loop[0]);
    int c = extrude(kSquare, true, loop, true, "50");
    int d = extrude(kSquare, true, repeated, true, "50");
    EXPECT_EQ(vertices(c), vertices(d));
    EXPECT_EQ(vertices(c).size(), 16u);
}

TEST_F(AcceptTest, DiagonalStraightStretchIsNotAReversal)
{
    // The cosine of two equal diagonal segments comes out just below 1: the
    // middle point is handled as a turn about a vanishing axis, which gives
    // the straight ring up to rounding.
    int id = extrude(kSquare, true, {{0, 0, 0}, {1, 1, 0}, {2, 2, 0}}, false, "100");
    std::vector<Pos3> v = vertices(id);
    ASSERT_EQ(v.size(), 12u);
    for (int i = 0; i < 4; i++) {
        EXPECT_NEAR(v[8 + i].x - v[i].x, 2, 1e-5);
        EXPECT_NEAR(v[8 + i].y - v[i].y, 2, 1e-5);
        EXPECT_NEAR(v[8 + i].z - v[i].z, 0, 1e-5);
    }
}

} // namespace
