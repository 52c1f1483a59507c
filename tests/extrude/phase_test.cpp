// The phases of the command one at a time, on the work record they share:
// each run on tiny shapes against literal expectations.

#include "capture.h"
#include "extrude_work.h"
#include "pos3.h"
#include "shapes.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

class PhaseTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        zirka_reset();
        std::memset(&w, 0, sizeof w);
        nodes_ = zirka_plugin_list_nodes();
    }

    void TearDown() override
    {
        extrude_work_release(&w);
        EXPECT_EQ(zirka_plugin_list_nodes(), nodes_) << "a phase made a list that the record does not hold";
    }

    // Puts the template and the path in the world, selects them, and runs
    // validation on them with the amount: the record as the later phases
    // find it.
    void validated(const std::vector<Pos3> &tmpl, bool tmpl_closed, const std::vector<Pos3> &path,
                   bool path_closed, const char *amount)
    {
        Object *t = line_object(tmpl, line_type(tmpl_closed)), *p = line_object(path, line_type(path_closed));
        zirka_world_add_objects("shapes", {t, p});
        ASSERT_TRUE(zirka_select({zirka_object_id(t), zirka_object_id(p)}));
        const char *argv[] = {"kvx_extrude_along_path_scale", amount};
        int rc = -1;
        RunRecord c = capture_output([&] { rc = extrude_validate(&w, 2, argv); });
        ASSERT_EQ(rc, 0) << c.err;
        ASSERT_EQ(c.err, "\n\n");
    }

    // Alignment and the scale profile as well.
    void profiled(const std::vector<Pos3> &tmpl, bool tmpl_closed, const std::vector<Pos3> &path, bool path_closed,
                  const char *amount)
    {
        validated(tmpl, tmpl_closed, path, path_closed, amount);
        ASSERT_EQ(extrude_align_template(&w), 0);
        ASSERT_EQ(extrude_scale_profile(&w), 0);
    }

    std::vector<double> scale_table() const
    {
        return std::vector<double>(w.scale, w.scale + list_count(w.path_points));
    }

    static std::vector<Pos3> positions(const VertexList *list)
    {
        std::vector<Pos3> out;
        for (; list; list = list->next)
            out.push_back(*zirka_head_vertex_pos((Vertex *)list->item));
        return out;
    }

    static std::vector<Pos3> result_vertices(Object *object)
    {
        std::vector<Pos3> out;
        for (int i = 0; i < zirka_object_vertex_count(object); i++)
            out.push_back(*zirka_head_vertex_pos(zirka_object_get_vertex_at_index(object, i)));
        return out;
    }

    ExtrudeWork w;

private:
    long nodes_ = 0;
};

// ---- validation ---------------------------------------------------------------

TEST_F(PhaseTest, ValidationStartsTheCornerWalkAtTheFirstCorner)
{
    validated(kSquare, true, {{0, 0, 0}, {2, 0, 0}, {2, 0, 0}, {2, 3, 0}, {2, 3, -1}}, false, "70%");
    EXPECT_EQ(w.scale_amount, 70.0f);
    EXPECT_EQ(w.scale_fraction, 0x1.6666666666667p-1); // 70 * 0.01, a hair above 0.7
    EXPECT_TRUE(w.template_closed);
    EXPECT_FALSE(w.path_closed);
    // The repeated (2, 0, 0) is kept once: four points, two corners.
    EXPECT_EQ(list_count(w.path_points), 4);
    EXPECT_EQ(w.corner.incoming, (Pos3{2, 0, 0}));
    EXPECT_EQ(w.corner.outgoing, (Pos3{0, 3, 0}));
    EXPECT_EQ(w.corner.left, 1);
    ASSERT_EQ(extrude_corners_next(&w.corner), 1);
    EXPECT_EQ(w.corner.incoming, (Pos3{0, 3, 0}));
    EXPECT_EQ(w.corner.outgoing, (Pos3{0, 0, -1}));
    EXPECT_EQ(extrude_corners_next(&w.corner), 0);
    EXPECT_EQ(w.corner.outgoing, (Pos3{0, 0, -1})) << "the last corner stays put";
}

TEST_F(PhaseTest, ClosedPathWalkWrapsRoundToTheStart)
{
    validated(kSquare, true, {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}}, true, "100");
    // Corners at P1, P2 and P0: the last two wrap round.
    const Pos3 expected[][2] = {{{1, 0, 0}, {0, 1, 0}}, {{0, 1, 0}, {-1, -1, 0}}, {{-1, -1, 0}, {1, 0, 0}}};
    ExtrudeCorners walk = w.corner;
    int k = 0;
    do {
        ASSERT_LT(k, 3);
        EXPECT_EQ(walk.incoming, expected[k][0]) << "corner " << k;
        EXPECT_EQ(walk.outgoing, expected[k][1]) << "corner " << k;
        k++;
    } while (extrude_corners_next(&walk));
    EXPECT_EQ(k, 3);
}

// ---- alignment ------------------------------------------------------------------

TEST_F(PhaseTest, AlignedTemplateIsItsOwnFirstRing)
{
    validated(kSquare, true, kCorner, false, "100");
    ASSERT_EQ(extrude_align_template(&w), 0);
    EXPECT_EQ(w.centre, (Pos3{0, 0, 0}));
    EXPECT_EQ(w.template_normal, (Pos3{1, 0, 0}));
    EXPECT_EQ(w.cosine, 1.0);
    // A clone of the template's list: the template's own vertices, which the
    // sweep must never reuse.
    EXPECT_TRUE(w.previous_is_template);
    EXPECT_EQ(w.previous_ring->item, w.template_list->item);
    EXPECT_EQ(positions(w.previous_ring), kSquare);
    EXPECT_EQ(result_vertices(w.result), kSquare);
    EXPECT_EQ(w.ring_count, 1);
}

TEST_F(PhaseTest, TemplateTurnsOntoTheFirstSegment)
{
    // Normal +x, first segment +y: a quarter turn about +z takes the offset
    // (0, a, b) to (-a, 0, b).
    validated(kSquare, true, {{0, 0, 0}, {0, 1, 0}, {0, 2, 0}}, false, "100");
    ASSERT_EQ(extrude_align_template(&w), 0);
    EXPECT_EQ(w.cosine, 0.0);
    EXPECT_EQ(w.axis, (Pos3{0, 0, 1}));
    EXPECT_FALSE(w.previous_is_template);
    const std::vector<Pos3> turned = {{1, 0, -1}, {-1, 0, -1}, {-1, 0, 1}, {1, 0, 1}};
    EXPECT_EQ(positions(w.previous_ring), turned);
    EXPECT_EQ(result_vertices(w.result), turned);
}

TEST_F(PhaseTest, ClosedPathGoesOnceRoundAndPastTheStart)
{
    const std::vector<Pos3> loop = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}};
    validated(kSquare, true, loop, true, "100");
    ASSERT_EQ(extrude_align_template(&w), 0);
    std::vector<Pos3> points;
    for (const List *node = w.path_points; node; node = node->next)
        points.push_back(*extrude_path_point(node));
    EXPECT_EQ(points, (std::vector<Pos3>{{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {0, 0, 0}, {1, 0, 0}}));
    EXPECT_EQ(w.ring_count, 0) << "a closed path stores no template ring";
    EXPECT_EQ(zirka_object_vertex_count(w.result), 0);
}

// ---- scale profile ----------------------------------------------------------------

TEST_F(PhaseTest, ProfileOfTwoEqualSteps)
{
    // Sizes 1, 0.75, 0.5; stored as ratios to the size before.
    profiled(kSquare, true, kPath, false, "50");
    EXPECT_EQ(scale_table(), (std::vector<double>{1, 0.75, 0x1.5555555555555p-1}));
}

TEST_F(PhaseTest, ProfileOfThreeEqualSteps)
{
    // Sizes 1, 5/6, 2/3, 1/2: ratios 5/6, 4/5 and 3/4, each up to rounding
    // (the last one unit in the last place below 3/4).
    profiled(kSquare, true, {{0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {3, 0, 0}}, false, "50");
    EXPECT_EQ(scale_table(),
              (std::vector<double>{1, 0x1.aaaaaaaaaaaabp-1, 0x1.999999999999ap-1, 0x1.7ffffffffffffp-1}));
}

TEST_F(PhaseTest, ProfileOfAClosedSquareRunsPastTheStart)
{
    // Six entries P0 .. P3, P0, P1: sizes 1, 0.9, 0.8, 0.7, 0.6, 0.5, so the
    // amount is reached only at the appended P1, where no ring is made.
    profiled(kSquare, true, {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}}, true, "50");
    EXPECT_EQ(scale_table(), (std::vector<double>{1, 0x1.ccccccccccccdp-1, 0x1.c71c71c71c71dp-1,
                                                  0x1.bffffffffffffp-1, 0x1.b6db6db6db6dcp-1, 0x1.aaaaaaaaaaaabp-1}));
}

TEST_F(PhaseTest, ProfileDependsOnLengthsNotOnTurns)
{
    profiled(kSquare, true, {{0, 0, 0}, {0, 0, 1}, {0, 1, 1}, {1, 1, 1}}, false, "50");
    EXPECT_EQ(scale_table(),
              (std::vector<double>{1, 0x1.aaaaaaaaaaaabp-1, 0x1.999999999999ap-1, 0x1.7ffffffffffffp-1}));
}

TEST_F(PhaseTest, ProfileAtHundredIsAllOnes)
{
    profiled(kSquare, true, {{0, 0, 0}, {3, 0, 0}, {3, 0.5f, 7}}, false, "100");
    EXPECT_EQ(scale_table(), (std::vector<double>{1, 1, 1}));
}

TEST_F(PhaseTest, ProfileThatReachesZeroEarlyRefuses)
{
    validated(kSquare, true, kPath, false, "-100");
    ASSERT_EQ(extrude_align_template(&w), 0);
    int rc = 0;
    RunRecord c = capture_output([&] { rc = extrude_scale_profile(&w); });
    EXPECT_EQ(rc, 1);
    EXPECT_EQ(c.err, "extrude_along_path(): scale reaches 0 before the end of the path!\n");
    EXPECT_NE(w.scale, nullptr) << "the table is left for the handler to release";
}

// ---- sweep ------------------------------------------------------------------------

TEST_F(PhaseTest, SweepOfAStraightStretchScalesEachRing)
{
    profiled(kSquare, true, kPath, false, "50");
    ASSERT_EQ(extrude_sweep(&w), 0);
    EXPECT_EQ(w.ring_count, 3);
    EXPECT_EQ(w.centre, (Pos3{2, 0, 0}));
    EXPECT_EQ(result_vertices(w.result),
              (std::vector<Pos3>{{0, -1, -1}, {0, 1, -1}, {0, 1, 1}, {0, -1, 1},
                                 {1, -0.75f, -0.75f}, {1, 0.75f, -0.75f}, {1, 0.75f, 0.75f}, {1, -0.75f, 0.75f},
                                 {2, -0.5f, -0.5f}, {2, 0.5f, -0.5f}, {2, 0.5f, 0.5f}, {2, -0.5f, 0.5f}}));
}

TEST_F(PhaseTest, SweepOfARightAngleStoresTheMitreRing)
{
    // A vertex at offset (0, a, b) from the corner (1, 0, 0) meets its
    // outgoing track at (-a, a, b), and ends at (-a, 0, b) from (1, 1, 0).
    profiled(kSquare, true, kCorner, false, "100");
    ASSERT_EQ(extrude_sweep(&w), 0);
    EXPECT_EQ(w.axis, (Pos3{0, 0, 1}));
    EXPECT_EQ(result_vertices(w.result),
              (std::vector<Pos3>{{0, -1, -1}, {0, 1, -1}, {0, 1, 1}, {0, -1, 1},
                                 {2, -1, -1}, {0, 1, -1}, {0, 1, 1}, {2, -1, 1},
                                 {2, 1, -1}, {0, 1, -1}, {0, 1, 1}, {2, 1, 1}}));
}

TEST_F(PhaseTest, SweepOfAClosedSquareStoresFourMitreRings)
{
    // Rings at P1, P2, P3 and last at P0, each scaled and stretched along the
    // bisector of its corner.
    const std::vector<Pos3> small = {{0, -0.25f, -0.25f}, {0, 0.25f, -0.25f}, {0, 0.25f, 0.25f}, {0, -0.25f, 0.25f}};
    profiled(small, true, {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}}, true, "50");
    ASSERT_EQ(extrude_sweep(&w), 0);
    EXPECT_EQ(w.ring_count, 4);
    EXPECT_EQ(result_vertices(w.result),
              (std::vector<Pos3>{
                  {0x1.399064p+0f, -0x1.c14984p-3f, -0x1.c14984p-3f},
                  {0x1.8cdf38p-1f, 0x1.d85014p-3f, -0x1.d85014p-3f},
                  {0x1.8cdf38p-1f, 0x1.d85014p-3f, 0x1.d85014p-3f},
                  {0x1.399064p+0f, -0x1.c14984p-3f, 0x1.c14984p-3f},
                  {0x1.31ebbap+0f, 0x1.332b04p+0f, -0x1.8f5dcap-3f},
                  {0x1.970aa4p-1f, 0x1.99a9f8p-1f, -0x1.a3d566p-3f},
                  {0x1.970aa4p-1f, 0x1.99a9f8p-1f, 0x1.a3d566p-3f},
                  {0x1.31ebbap+0f, 0x1.332b04p+0f, 0x1.8f5dcap-3f},
                  {-0x1.662d22p-3f, 0x1.2bae44p+0f, -0x1.5d721p-3f},
                  {0x1.662d22p-3f, 0x1.a4295p-1f, -0x1.6f5ab8p-3f},
                  {0x1.662d22p-3f, 0x1.a4295p-1f, 0x1.6f5ab8p-3f},
                  {-0x1.662d22p-3f, 0x1.2bae44p+0f, 0x1.5d721p-3f},
                  {-0x1.2b8662p-3f, -0x1.33022p-3f, -0x1.2b8658p-3f},
                  {0x1.3ae016p-3f, 0x1.33022p-3f, -0x1.3ae00cp-3f},
                  {0x1.3ae016p-3f, 0x1.33022p-3f, 0x1.3ae00cp-3f},
                  {-0x1.2b8662p-3f, -0x1.33022p-3f, 0x1.2b8658p-3f},
              }));
}

TEST_F(PhaseTest, SweepOfADiagonalTurnsAboutAZeroAxis)
{
    // The cosine of two equal diagonal steps comes out just below 1: the
    // middle ring is the mitre of a turn about the zero axis, which draws the
    // turned ring toward its centre by that cosine, and lands a few units in
    // the last place off the straight ring.
    profiled(kSquare, true, {{0, 0, 0}, {1, 1, 0}, {2, 2, 0}}, false, "100");
    ASSERT_EQ(extrude_sweep(&w), 0);
    EXPECT_EQ(w.axis, (Pos3{0, 0, 0}));
    EXPECT_EQ(result_vertices(w.result),
              (std::vector<Pos3>{{0x1.6a09e6p-1f, -0x1.6a09e6p-1f, -1}, {-0x1.6a09e6p-1f, 0x1.6a09e6p-1f, -1},
                                 {-0x1.6a09e6p-1f, 0x1.6a09e6p-1f, 1}, {0x1.6a09e6p-1f, -0x1.6a09e6p-1f, 1},
                                 {0x1.b504f4p+0f, 0x1.2bec34p-2f, -1}, {0x1.2bec34p-2f, 0x1.b504f4p+0f, -1},
                                 {0x1.2bec34p-2f, 0x1.b504f4p+0f, 1}, {0x1.b504f4p+0f, 0x1.2bec34p-2f, 1},
                                 {0x1.5a827ap+1f, 0x1.4afb0cp+0f, -1}, {0x1.4afb0cp+0f, 0x1.5a827ap+1f, -1},
                                 {0x1.4afb0cp+0f, 0x1.5a827ap+1f, 1}, {0x1.5a827ap+1f, 0x1.4afb0cp+0f, 1}}));
}

TEST_F(PhaseTest, SweepNeverWritesTheTemplate)
{
    // The aligned template's own vertices stand in the first ring; the sweep
    // moves copies of them, and hands back only vertices it made.
    std::vector<Pos3> square = kSquare;
    square[0].x = -0.0f;
    profiled(square, true, {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {1, 1, 1}, {2, 1, 1}}, false, "30");
    ASSERT_TRUE(w.previous_is_template);
    ASSERT_EQ(extrude_sweep(&w), 0);
    EXPECT_EQ(positions(w.template_list), square);
    for (size_t k = 0; k < w.scratch.count; k++)
        for (const List *node = w.template_list; node; node = node->next)
            EXPECT_NE(w.scratch.free[k], node->item) << "a template vertex was handed back";
}

// ---- skin ---------------------------------------------------------------------------

TEST_F(PhaseTest, SkinOfAClosedPathJoinsTheLastRingToTheFirst)
{
    // A closed line of two vertices along a closed triangle: three rings,
    // three strips of two quads (one, and the closing quad).
    profiled({{0, 0, 1}, {0, 0, -1}}, true, {{0, 0, 0}, {4, 0, 0}, {4, 4, 0}}, true, "100");
    ASSERT_EQ(extrude_sweep(&w), 0);
    ASSERT_EQ(w.ring_count, 3);
    RunRecord c = capture_output([&] { EXPECT_EQ(extrude_skin_commit(&w), 0); });
    std::vector<std::vector<int>> quads;
    for (Surface *s : zirka_object_surfaces(w.result))
        quads.push_back(zirka_surface_vertex_indices(w.result, s));
    EXPECT_EQ(quads, (std::vector<std::vector<int>>{
                         {0, 1, 3, 2}, {1, 0, 2, 3}, {2, 3, 5, 4}, {3, 2, 4, 5}, {4, 5, 1, 0}, {5, 4, 0, 1}}));
    EXPECT_TRUE(zirka_object_in_world(w.result));
    EXPECT_EQ(zirka_undo_names().back(), "Extrude along path");
}

} // namespace
