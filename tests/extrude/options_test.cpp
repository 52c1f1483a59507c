// kvx_extrude_along_path and its options: the arguments it takes and
// refuses, the same result as kvx_extrude_along_path_scale without options,
// the closed result of -caps, the faces of -outward and the texture
// coordinates of -uv; and the check of the selection for the dialog.

#include "extrude_test.h"

#include <cmath>
#include <set>
#include <utility>

namespace {

using UVs = std::vector<std::vector<std::pair<float, float>>>;

// n points round the origin in the plane x = 0, at radius r0 and r1 in turn.
std::vector<Pos3> round_outline(int n, double r0, double r1)
{
    std::vector<Pos3> points;
    for (int k = 0; k < n; k++) {
        const double a = 2 * M_PI * k / n, r = k % 2 ? r1 : r0;
        points.push_back({0, (float)(r * std::cos(a)), (float)(r * std::sin(a))});
    }
    return points;
}

// A long walk starting along +x that turns and climbs gently, 40 steps of 5.
std::vector<Pos3> long_walk()
{
    std::vector<Pos3> points = {{0, 0, 0}};
    double x = 0, y = 0, z = 0, heading = 0, climb = 0;
    for (int k = 0; k < 40; k++) {
        x += 5 * std::cos(heading) * std::cos(climb), y += 5 * std::sin(heading) * std::cos(climb);
        z += 5 * std::sin(climb);
        points.push_back({(float)x, (float)y, (float)z});
        heading += 0.15 * std::sin(k * 0.7), climb = 0.3 * std::sin(k * 0.3);
    }
    return points;
}

const std::vector<Pos3> kLoop = {{0, 0, 0}, {4, 0, 0}, {4, 4, 0}, {0, 4, 0}};

class OptionsTest : public ExtrudeTest {
protected:
    // Places the template and the path, selects them and runs script.
    Outcome on(const std::vector<Pos3> &tmpl, bool tmpl_closed, const std::vector<Pos3> &path, bool path_closed,
               const std::string &script)
    {
        zirka_reset();
        select(place(tmpl, tmpl_closed, path, path_closed));
        return run_script(script);
    }

    // Whether every edge of the object's surfaces lies in exactly two of
    // them, once each way: no directed edge twice, each one's reverse there.
    static bool edges_pair_up(int id)
    {
        std::set<std::pair<int, int>> edges;
        size_t count = 0;
        for (const std::vector<int> &s : surfaces(id))
            for (size_t k = 0; k < s.size(); k++, count++)
                edges.insert({s[k], s[(k + 1) % s.size()]});
        for (const auto &[a, b] : edges)
            if (!edges.count({b, a}))
                return false;
        return edges.size() == count;
    }
};

TEST_F(OptionsTest, OptionsComeOnceEachBeforeTheAmount)
{
    // An empty message: made, with that many surfaces; -20 reads as a number,
    // so it is the amount: vertex 11 is kSquare at -0.2 of its size.
    struct {
        const char *arguments;
        std::string message;
        size_t surfaces = 0;
    } cases[] = {
        {"-caps -20", "", 10},
        {"-uv -outward -caps -20", "", 10},
        {"-- -20", "", 8},
        {"-caps -- -20", "", 10},
        {"", "No scale amount: usage: kvx_extrude_along_path ?-caps? ?-outward? ?-uv? ?--? AMOUNT"},
        {"-caps --", "No scale amount: usage: kvx_extrude_along_path ?-caps? ?-outward? ?-uv? ?--? AMOUNT"},
        {"-cap 50", "Unknown option \"-cap\": usage: kvx_extrude_along_path ?-caps? ?-outward? ?-uv? ?--? AMOUNT"},
        {"-uv -UV 50", "Unknown option \"-UV\": usage: kvx_extrude_along_path ?-caps? ?-outward? ?-uv? ?--? AMOUNT"},
        {"- 50", "Unknown option \"-\": usage: kvx_extrude_along_path ?-caps? ?-outward? ?-uv? ?--? AMOUNT"},
        {"-caps -uv -caps 50",
         "Option \"-caps\" given twice: usage: kvx_extrude_along_path ?-caps? ?-outward? ?-uv? ?--? AMOUNT"},
        {"50 60",
         "Unexpected \"60\" after the scale amount: usage: kvx_extrude_along_path ?-caps? ?-outward? ?-uv? ?--? AMOUNT"},
        {"-outward 50 -caps", "Unexpected \"-caps\" after the scale amount: usage: kvx_extrude_along_path ?-caps? "
                              "?-outward? ?-uv? ?--? AMOUNT"},
        {"-- -caps", "Error parsing scale amount (-caps)"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.arguments);
        Outcome o = on(kSquare, true, kPath, false, std::string("kvx_extrude_along_path ") + c.arguments);
        EXPECT_EQ(o.list_nodes, 0);
        if (!c.message.empty()) {
            EXPECT_EQ(o.messages, std::vector<std::string>{c.message});
            EXPECT_EQ(o.made.size(), 0u);
            EXPECT_EQ(o.err, "");
            continue;
        }
        ASSERT_EQ(o.made.size(), 1u) << o.err;
        EXPECT_EQ(surfaces(o.made[0]).size(), c.surfaces);
        EXPECT_EQ(vertices(o.made[0])[11], (Pos3{2, 0x1.99999ap-3f, -0x1.99999ap-3f}));
    }
}

TEST_F(OptionsTest, WithoutOptionsItIsTheScaleCommand)
{
    struct {
        const char *what;
        std::vector<Pos3> tmpl;
        bool tmpl_closed;
        std::vector<Pos3> path;
        bool path_closed;
        const char *amount;
    } cases[] = {
        {"straight", kSquare, true, kPath, false, "50"},
        {"corner", kSquare, true, kCorner, false, "250"},
        {"inward", kSquareBack, true, kPath, false, "100"},
        {"closed path", kSquare, true, kLoop, true, "-20"},
        {"open outline", {{0, 0, 0}, {0, 1, 0}, {0, 1, 1}}, false, kCorner, false, "0"},
        {"refused: one point path", kSquare, true, {{0, 0, 0}, {0, 0, 0}, {0, 0, 0}}, false, "50"},
        {"refused: amount", kSquare, true, kPath, false, "nan"},
        {"trailing text", kSquare, true, kPath, false, "70%"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        Outcome o[2];
        std::vector<Pos3> made[2];
        std::vector<std::vector<int>> faces[2];
        for (int k = 0; k < 2; k++) {
            o[k] = on(c.tmpl, c.tmpl_closed, c.path, c.path_closed,
                      (k ? "kvx_extrude_along_path " : "kvx_extrude_along_path_scale ") + std::string(c.amount));
            if (o[k].made.size() == 1)
                made[k] = vertices(o[k].made[0]), faces[k] = surfaces(o[k].made[0]);
        }
        EXPECT_EQ(o[1].err, o[0].err);
        EXPECT_EQ(o[1].messages, o[0].messages);
        EXPECT_EQ(o[1].made.size(), o[0].made.size());
        EXPECT_EQ(made[1], made[0]);
        EXPECT_EQ(faces[1], faces[0]);
    }
}

TEST_F(OptionsTest, CapsCloseTheResult)
{
    // The walls and two caps; where there is nothing to close, the walls
    // alone (round a closed path they close on themselves).
    struct {
        const char *what;
        std::vector<Pos3> tmpl;
        bool tmpl_closed;
        std::vector<Pos3> path;
        bool path_closed;
        const char *amount;
        size_t surfaces;
        bool closed;
    } cases[] = {
        {"star", round_outline(10, 1.0, 0.4), true, {{0, 0, 0}, {3, 0, 0}, {5, 2, 1}, {6, 5, 1}}, false, "25",
         3 * 10 + 2, true},
        {"square", kSquare, true, kPath, false, "100", 2 * 4 + 2, true},
        {"70-point circle along a long walk", round_outline(70, 1.5, 1.5), true, long_walk(), false, "60",
         40 * 70 + 2, true},
        {"square through turns", kSquare, true, {{0, 0, 0}, {4, 0, 0}, {4, 4, 0}, {4, 4, 4}, {0, 4, 4}, {0, 8, 4}},
         false, "50", 5 * 4 + 2, true},
        // The end ring is a point: its cap's four corners all lie there.
        {"amount 0", kSquare, true, kCorner, false, "0", 2 * 4 + 2, true},
        {"open outline", kSquare, false, kPath, false, "80", 2 * 3, false},
        {"two-point outline", {{0, -1, 0}, {0, 1, 0}}, true, kPath, false, "80", 2 * 2, false},
        {"closed path", kSquare, true, kLoop, true, "80", 4 * 4, true},
    };
    for (const auto &c : cases) {
        for (const char *options : {"-caps", "-caps -outward", "-caps -uv"}) {
            SCOPED_TRACE(std::string(c.what) + " " + options);
            Outcome o = on(c.tmpl, c.tmpl_closed, c.path, c.path_closed,
                           std::string("kvx_extrude_along_path ") + options + " " + c.amount);
            ASSERT_EQ(o.made.size(), 1u) << o.err;
            EXPECT_EQ(surfaces(o.made[0]).size(), c.surfaces);
            EXPECT_EQ(edges_pair_up(o.made[0]), c.closed);
            EXPECT_EQ(o.list_nodes, 0);
        }
    }
}

TEST_F(OptionsTest, OutwardFacesEncloseAPositiveVolume)
{
    struct {
        const char *what;
        std::vector<Pos3> tmpl, path;
    } cases[] = {
        {"counter-clockwise square", kSquare, kPath},
        {"clockwise square", kSquareBack, kPath},
        {"clockwise square, path along -x", kSquareBack, {{0, 0, 0}, {-1, 0, 0}, {-1, 0, 3}}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        Outcome o = on(c.tmpl, true, c.path, false, "kvx_extrude_along_path -caps -outward 100");
        ASSERT_EQ(o.made.size(), 1u) << o.err;
        const ZirkaCheck check = zirka_object_check(zirka_object_by_id(o.made[0]));
        EXPECT_TRUE(check.closed);
        EXPECT_EQ(check.same_way_edges, 0);
        EXPECT_GT(check.volume, 0.5);
        EXPECT_EQ(o.err, "\n\n");
    }
}

TEST_F(OptionsTest, TextureCoordinatesOfEachSurface)
{
    // The unit square (side 4 round): u 0, 1/4, 1/2, 3/4, 1 at the seam; v
    // the distance along the path over 4; the caps the square itself. An
    // open outline of length 2 round the loop: v = distance / 2, the rings
    // at 4, 8, 12, 16 and the closing strip back to the first at 20.
    const std::vector<Pos3> unit = {{0, 0, 0}, {0, 1, 0}, {0, 1, 1}, {0, 0, 1}};
    struct {
        const char *what;
        std::vector<Pos3> tmpl;
        bool tmpl_closed;
        std::vector<Pos3> path;
        bool path_closed;
        UVs expected;
    } cases[] = {
        {"unit square, straight path", unit, true, kPath, false,
         {{{0, 0}, {0.25f, 0}, {0.25f, 0.25f}, {0, 0.25f}},
          {{0.25f, 0}, {0.5f, 0}, {0.5f, 0.25f}, {0.25f, 0.25f}},
          {{0.5f, 0}, {0.75f, 0}, {0.75f, 0.25f}, {0.5f, 0.25f}},
          {{0.75f, 0}, {1, 0}, {1, 0.25f}, {0.75f, 0.25f}},
          {{0, 0.25f}, {0.25f, 0.25f}, {0.25f, 0.5f}, {0, 0.5f}},
          {{0.25f, 0.25f}, {0.5f, 0.25f}, {0.5f, 0.5f}, {0.25f, 0.5f}},
          {{0.5f, 0.25f}, {0.75f, 0.25f}, {0.75f, 0.5f}, {0.5f, 0.5f}},
          {{0.75f, 0.25f}, {1, 0.25f}, {1, 0.5f}, {0.75f, 0.5f}},
          {{0, 0}, {0, 1}, {1, 1}, {1, 0}},
          {{0, 0}, {1, 0}, {1, 1}, {0, 1}}}},
        {"open outline round a closed path", {{0, 0, -1}, {0, 0, 1}}, false, kLoop, true,
         {{{0, 2}, {1, 2}, {1, 4}, {0, 4}},
          {{0, 4}, {1, 4}, {1, 6}, {0, 6}},
          {{0, 6}, {1, 6}, {1, 8}, {0, 8}},
          {{0, 8}, {1, 8}, {1, 10}, {0, 10}}}},
    };
    for (const auto &c : cases) {
        Outcome o = on(c.tmpl, c.tmpl_closed, c.path, c.path_closed, "kvx_extrude_along_path -caps -uv 100");
        ASSERT_EQ(o.made.size(), 1u) << c.what;
        UVs got;
        for (Surface *s : zirka_object_surfaces(zirka_object_by_id(o.made[0])))
            got.push_back(zirka_surface_uvs(s));
        EXPECT_EQ(got, c.expected) << c.what;
    }
}

TEST_F(OptionsTest, CheckSetsTheVerdictOnly)
{
    const std::vector<Pos3> triangle = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
    struct {
        const char *what;
        std::vector<std::vector<Pos3>> objects; // the first a closed line
        std::vector<int> select;                // 1-based
        std::string verdict;
    } cases[] = {
        {"template and path", {kSquare, kPath}, {1, 2}, "ok 0"},
        {"nothing", {kSquare, kPath}, {}, "count 0"},
        {"one object", {kSquare, kPath}, {1}, "count 1"},
        {"three objects", {kSquare, kPath, triangle}, {1, 2, 3}, "count 3"},
        {"two-point path", {kSquare, {{0, 0, 0}, {1, 0, 0}}}, {1, 2}, "path_vertices 2"},
        {"repeated path points", {kSquare, {{0, 0, 0}, {1, 0, 0}, {1, 0, 0}}}, {1, 2}, "distinct_points 2"},
        {"path turning back", {kSquare, {{0, 0, 0}, {2, 0, 0}, {1, 0, 0}}}, {1, 2}, "turns_back 0"},
        {"infinite point", {kSquare, {{0, 0, 0}, {INFINITY, 0, 0}, {1, 1, 0}}}, {1, 2}, "not_finite 0"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        zirka_reset();
        std::vector<Object *> objects;
        for (size_t k = 0; k < c.objects.size(); k++)
            objects.push_back(line_object(c.objects[k], line_type(k == 0)));
        std::vector<int> ids = add(objects), chosen;
        for (int k : c.select)
            chosen.push_back(ids[(size_t)k - 1]);
        select(chosen);
        Outcome o = run_script("unset -nocomplain ::pirrel::verdict; kvx_extrude_along_path_check; "
                               "set ::pirrel::verdict");
        EXPECT_EQ(o.result, c.verdict);
        EXPECT_EQ(o.err, "");
        EXPECT_TRUE(o.made.empty());
        EXPECT_EQ(o.list_nodes, 0);
        // Not even the normals, which the command itself sets.
        EXPECT_EQ(zirka_surface_normal(zirka_object_surfaces(objects[0])[0]), (Pos3{0, 0, 0}));
    }
}

} // namespace
