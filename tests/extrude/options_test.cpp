// kvx_extrude_along_path and its options: the arguments it takes and
// refuses, the same result as kvx_extrude_along_path_scale without options,
// the closed result of -caps, the faces of -outward and the texture
// coordinates of -uv; and the check of the selection for the dialog.

#include "extrude_test.h"

#include <cmath>
#include <map>
#include <utility>

namespace {


// kSquare the other way round: clockwise seen from +x.
const std::vector<Pos3> kSquareBack = {{0, -1, -1}, {0, -1, 1}, {0, 1, 1}, {0, 1, -1}};

// A unit square in the plane x = 0, counter-clockwise seen from +x:
//
//   z  3 --- 2
//      |     |
//      0 --- 1  y
const std::vector<Pos3> kUnitSquare = {{0, 0, 0}, {0, 1, 0}, {0, 1, 1}, {0, 0, 1}};

// A five-pointed star about the origin in the plane x = 0.
std::vector<Pos3> star()
{
    std::vector<Pos3> points;
    for (int k = 0; k < 10; k++) {
        const double a = k * M_PI / 5, r = k % 2 ? 0.4 : 1.0;
        points.push_back({0, (float)(r * std::cos(a)), (float)(r * std::sin(a))});
    }
    return points;
}

// n points round a circle of radius r about the origin in the plane x = 0.
std::vector<Pos3> circle(int n, double r)
{
    std::vector<Pos3> points;
    for (int k = 0; k < n; k++)
        points.push_back({0, (float)(r * std::cos(2 * M_PI * k / n)), (float)(r * std::sin(2 * M_PI * k / n))});
    return points;
}

// A long walk starting along +x that turns gently, 40 segments.
std::vector<Pos3> long_walk()
{
    std::vector<Pos3> points = {{0, 0, 0}};
    double x = 0, y = 0, z = 0, heading = 0, climb = 0;
    for (int k = 0; k < 40; k++) {
        x += 5 * std::cos(heading) * std::cos(climb);
        y += 5 * std::sin(heading) * std::cos(climb);
        z += 5 * std::sin(climb);
        points.push_back({(float)x, (float)y, (float)z});
        heading += 0.15 * std::sin(k * 0.7);
        climb = 0.3 * std::sin(k * 0.3);
    }
    return points;
}

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

    // Directed edges of the object's surfaces that do not pair with an edge
    // the other way: "a>b" for each missing or repeated one. Empty when every
    // edge lies in exactly two faces, once in each direction.
    static std::vector<std::string> unpaired_edges(int id)
    {
        std::map<std::pair<int, int>, int> count;
        for (const std::vector<int> &s : surfaces(id))
            for (size_t k = 0; k < s.size(); k++)
                count[{s[k], s[(k + 1) % s.size()]}]++;
        std::vector<std::string> bad;
        for (const auto &[edge, n] : count) {
            auto back = count.find({edge.second, edge.first});
            if (n != 1 || back == count.end() || back->second != 1)
                bad.push_back(std::to_string(edge.first) + ">" + std::to_string(edge.second));
        }
        return bad;
    }

    // The signed volume the object's surfaces enclose (each surface a fan
    // from its first entry): positive when they face out.
    static long double signed_volume(int id)
    {
        const std::vector<Pos3> v = vertices(id);
        long double volume = 0;
        for (const std::vector<int> &s : surfaces(id))
            for (size_t k = 1; k + 1 < s.size(); k++)
                volume += dot(real3(v[s[0]]), cross(real3(v[s[k]]), real3(v[s[k + 1]]))) / 6;
        return volume;
    }
};

TEST_F(OptionsTest, WrongArgumentsShowTheirMessageAndMakeNothing)
{
    struct {
        const char *arguments;
        std::string message;
    } cases[] = {
        {"", "No scale amount: usage: kvx_extrude_along_path ?-caps? ?-outward? ?-uv? ?--? AMOUNT"},
        {"-caps", "No scale amount: usage: kvx_extrude_along_path ?-caps? ?-outward? ?-uv? ?--? AMOUNT"},
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
        // An amount after -- that is no number is the amount's own message.
        {"-- -caps", "Error parsing scale amount (-caps)"},
        {"abc", "Error parsing scale amount (abc)"},
    };
    for (const auto &c : cases) {
        Outcome o = on(kSquare, true, kPath, false, std::string("kvx_extrude_along_path ") + c.arguments);
        EXPECT_EQ(o.messages, std::vector<std::string>{c.message}) << c.arguments;
        EXPECT_TRUE(o.made.empty()) << c.arguments;
        EXPECT_EQ(o.err, "") << c.arguments;
        EXPECT_EQ(o.list_nodes, 0) << c.arguments;
    }
}

TEST_F(OptionsTest, OptionsEndAtTheFirstNumber)
{
    // -20 reads as a number, so it is the amount: the last ring is kSquare
    // at -0.2 of its size, turned round through its centre.
    struct {
        const char *arguments;
        int surfaces;
    } cases[] = {
        {"-20", 8},
        {"-caps -20", 10},
        {"-caps -- -20", 10},
        {"-uv -outward -caps -20", 10},
        {"-- -20", 8},
    };
    for (const auto &c : cases) {
        Outcome o = on(kSquare, true, kPath, false, std::string("kvx_extrude_along_path ") + c.arguments);
        ASSERT_EQ(o.made.size(), 1u) << c.arguments << ": " << o.err;
        EXPECT_EQ(surfaces(o.made[0]).size(), (size_t)c.surfaces) << c.arguments;
        EXPECT_EQ(vertices(o.made[0])[11], (Pos3{2, 0x1.99999ap-3f, -0x1.99999ap-3f})) << c.arguments;
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
        {"closed path", kSquare, true, {{0, 0, 0}, {4, 0, 0}, {4, 4, 0}, {0, 4, 0}}, true, "-20"},
        {"open outline", {{0, 0, 0}, {0, 1, 0}, {0, 1, 1}}, false, kCorner, false, "0"},
        {"refused: one point path", kSquare, true, {{0, 0, 0}, {0, 0, 0}, {0, 0, 0}}, false, "50"},
        {"refused: amount", kSquare, true, kPath, false, "nan"},
        {"trailing text", kSquare, true, kPath, false, "70%"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        Outcome a = on(c.tmpl, c.tmpl_closed, c.path, c.path_closed, std::string("kvx_extrude_along_path_scale ") + c.amount);
        std::vector<Pos3> va = a.made.empty() ? std::vector<Pos3>{} : vertices(a.made[0]);
        std::vector<std::vector<int>> sa = a.made.empty() ? std::vector<std::vector<int>>{} : surfaces(a.made[0]);
        Outcome b = on(c.tmpl, c.tmpl_closed, c.path, c.path_closed, std::string("kvx_extrude_along_path ") + c.amount);
        EXPECT_EQ(b.err, a.err);
        EXPECT_EQ(b.messages, a.messages);
        ASSERT_EQ(b.made.size(), a.made.size());
        if (!b.made.empty()) {
            EXPECT_EQ(vertices(b.made[0]), va);
            EXPECT_EQ(surfaces(b.made[0]), sa);
        }
    }
}

TEST_F(OptionsTest, CapsCloseTheResult)
{
    struct {
        const char *what;
        std::vector<Pos3> tmpl, path;
        const char *amount;
        size_t surfaces;
    } cases[] = {
        {"star", star(), {{0, 0, 0}, {3, 0, 0}, {5, 2, 1}, {6, 5, 1}}, "25", 3 * 10 + 2},
        {"square", kSquare, kPath, "100", 2 * 4 + 2},
        {"70-point circle along a long walk", circle(70, 1.5), long_walk(), "60", 40 * 70 + 2},
        {"square through turns", kSquare, {{0, 0, 0}, {4, 0, 0}, {4, 4, 0}, {4, 4, 4}, {0, 4, 4}, {0, 8, 4}}, "50",
         5 * 4 + 2},
        // The end ring is a point: its surface has four corners there, so
        // the edges still pair, round a surface of no area.
        {"amount 0", kSquare, kCorner, "0", 2 * 4 + 2},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        for (const char *options : {"-caps", "-caps -outward", "-caps -uv"}) {
            Outcome o = on(c.tmpl, true, c.path, false, std::string("kvx_extrude_along_path ") + options + " " + c.amount);
            ASSERT_EQ(o.made.size(), 1u) << o.err;
            EXPECT_EQ(surfaces(o.made[0]).size(), c.surfaces) << options;
            EXPECT_EQ(unpaired_edges(o.made[0]), std::vector<std::string>{}) << options;
            EXPECT_EQ(o.list_nodes, 0);
        }
    }
}

TEST_F(OptionsTest, CapsAddNothingWhereThereIsNothingToClose)
{
    struct {
        const char *what;
        std::vector<Pos3> tmpl;
        bool tmpl_closed;
        std::vector<Pos3> path;
        bool path_closed;
    } cases[] = {
        {"open outline", kSquare, false, kPath, false},
        {"two-point outline", {{0, -1, 0}, {0, 1, 0}}, true, kPath, false},
        {"closed path", kSquare, true, {{0, 0, 0}, {4, 0, 0}, {4, 4, 0}, {0, 4, 0}}, true},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        Outcome plain = on(c.tmpl, c.tmpl_closed, c.path, c.path_closed, "kvx_extrude_along_path 80");
        ASSERT_EQ(plain.made.size(), 1u);
        std::vector<std::vector<int>> expected = surfaces(plain.made[0]);
        Outcome capped = on(c.tmpl, c.tmpl_closed, c.path, c.path_closed, "kvx_extrude_along_path -caps 80");
        ASSERT_EQ(capped.made.size(), 1u);
        EXPECT_EQ(surfaces(capped.made[0]), expected);
    }
}

TEST_F(OptionsTest, CapsAreWoundLikeTheWalls)
{
    //   ring 0: 0 1 2 3, ring 2: 8 9 10 11 (kSquare along kPath): the first
    //   ring's surface runs back round the outline, the last one's forward.
    Outcome o = on(kSquare, true, kPath, false, "kvx_extrude_along_path -caps 100");
    ASSERT_EQ(o.made.size(), 1u);
    std::vector<std::vector<int>> s = surfaces(o.made[0]);
    ASSERT_EQ(s.size(), 10u);
    EXPECT_EQ(s[0], (std::vector<int>{0, 1, 5, 4}));
    EXPECT_EQ(s[8], (std::vector<int>{0, 3, 2, 1}));
    EXPECT_EQ(s[9], (std::vector<int>{8, 9, 10, 11}));
}

TEST_F(OptionsTest, OutwardFacesEncloseAPositiveVolume)
{
    struct {
        const char *what;
        std::vector<Pos3> tmpl;
        std::vector<Pos3> path;
    } cases[] = {
        {"counter-clockwise square", kSquare, kPath},
        {"clockwise square", kSquareBack, kPath},
        {"counter-clockwise square through a corner", kSquare, kCorner},
        {"clockwise square through a corner", kSquareBack, kCorner},
        {"clockwise square, path along -x", kSquareBack, {{0, 0, 0}, {-1, 0, 0}, {-1, 0, 3}}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        Outcome o = on(c.tmpl, true, c.path, false, "kvx_extrude_along_path -caps -outward 100");
        ASSERT_EQ(o.made.size(), 1u) << o.err;
        EXPECT_EQ(unpaired_edges(o.made[0]), std::vector<std::string>{});
        EXPECT_GT(signed_volume(o.made[0]), 0.5L);
        EXPECT_EQ(o.err, "\n\n");
    }
}

TEST_F(OptionsTest, OutwardReversesEverySurfaceOfAnInwardOutline)
{
    // a, b, c, d becomes a, d, c, b; an outline already outward is left alone.
    Outcome back = on(kSquareBack, true, kPath, false, "kvx_extrude_along_path -outward 100");
    ASSERT_EQ(back.made.size(), 1u);
    EXPECT_EQ(surfaces(back.made[0])[0], (std::vector<int>{0, 4, 5, 1}));
    Outcome ahead = on(kSquare, true, kPath, false, "kvx_extrude_along_path -outward 100");
    ASSERT_EQ(ahead.made.size(), 1u);
    EXPECT_EQ(surfaces(ahead.made[0])[0], (std::vector<int>{0, 1, 5, 4}));
}

TEST_F(OptionsTest, TextureCoordinatesOfAUnitSquareAlongAStraightPath)
{
    // u round the outline: 0, 1/4, 1/2, 3/4, and 1 at the seam; v the
    // distance along the path over the outline's length of 4: 0, 1/4, 1/2.
    // The caps: the square itself, its first edge along x.
    Outcome o = on(kUnitSquare, true, kPath, false, "kvx_extrude_along_path -caps -uv 100");
    ASSERT_EQ(o.made.size(), 1u);
    std::vector<std::vector<std::pair<float, float>>> expected = {
        {{0, 0}, {0.25f, 0}, {0.25f, 0.25f}, {0, 0.25f}},
        {{0.25f, 0}, {0.5f, 0}, {0.5f, 0.25f}, {0.25f, 0.25f}},
        {{0.5f, 0}, {0.75f, 0}, {0.75f, 0.25f}, {0.5f, 0.25f}},
        {{0.75f, 0}, {1, 0}, {1, 0.25f}, {0.75f, 0.25f}},
        {{0, 0.25f}, {0.25f, 0.25f}, {0.25f, 0.5f}, {0, 0.5f}},
        {{0.25f, 0.25f}, {0.5f, 0.25f}, {0.5f, 0.5f}, {0.25f, 0.5f}},
        {{0.5f, 0.25f}, {0.75f, 0.25f}, {0.75f, 0.5f}, {0.5f, 0.5f}},
        {{0.75f, 0.25f}, {1, 0.25f}, {1, 0.5f}, {0.75f, 0.5f}},
        {{0, 0}, {0, 1}, {1, 1}, {1, 0}},
        {{0, 0}, {1, 0}, {1, 1}, {0, 1}},
    };
    std::vector<std::vector<std::pair<float, float>>> got;
    for (Surface *s : zirka_object_surfaces(zirka_object_by_id(o.made[0])))
        got.push_back(zirka_surface_uvs(s));
    EXPECT_EQ(got, expected);
}

TEST_F(OptionsTest, TextureCoordinatesRunOnRoundAClosedPath)
{
    // An open outline of length 2 round a square path of side 4: the rings
    // stand at P1, P2, P3, P0 (4, 8, 12, 16 along the path), and the strip
    // that closes the loop comes back to P1 at 20; v = distance / 2.
    Outcome o = on({{0, 0, -1}, {0, 0, 1}}, false, {{0, 0, 0}, {4, 0, 0}, {4, 4, 0}, {0, 4, 0}}, true,
                   "kvx_extrude_along_path -uv 100");
    ASSERT_EQ(o.made.size(), 1u);
    std::vector<std::vector<std::pair<float, float>>> expected = {
        {{0, 2}, {1, 2}, {1, 4}, {0, 4}},
        {{0, 4}, {1, 4}, {1, 6}, {0, 6}},
        {{0, 6}, {1, 6}, {1, 8}, {0, 8}},
        {{0, 8}, {1, 8}, {1, 10}, {0, 10}},
    };
    std::vector<std::vector<std::pair<float, float>>> got;
    for (Surface *s : zirka_object_surfaces(zirka_object_by_id(o.made[0])))
        got.push_back(zirka_surface_uvs(s));
    EXPECT_EQ(got, expected);
}

TEST_F(OptionsTest, OutlineOfNoLengthHasTextureCoordinatesZero)
{
    Outcome o = on({{0, 0, 0}, {0, 0, 0}, {0, 0, 0}}, true, kPath, false, "kvx_extrude_along_path -uv 100");
    ASSERT_EQ(o.made.size(), 1u);
    for (Surface *s : zirka_object_surfaces(zirka_object_by_id(o.made[0])))
        for (const std::pair<float, float> &uv : zirka_surface_uvs(s))
            EXPECT_EQ(uv, (std::pair<float, float>{0, 0}));
}

using CheckTest = OptionsTest;

TEST_F(CheckTest, VerdictOfEachSelection)
{
    const std::vector<Pos3> triangle = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
    struct {
        const char *what;
        std::vector<std::vector<Pos3>> objects; // each a closed line
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
    }
}

TEST_F(CheckTest, ObjectsThatAreNoLineAreNamed)
{
    // The path with two surfaces: object 2.
    zirka_reset();
    Object *path = line_object(kPath, ZIRKA_SURFACE_LINE);
    Surface *second = new_surface();
    surface_add_vertex(second, zirka_object_get_vertex_at_index(path, 0), 0, 0);
    object_add_surface(path, second);
    std::vector<int> ids = add({line_object(kSquare, ZIRKA_SURFACE_CLOSED_LINE), path});
    select(ids);
    Outcome o = run_script("kvx_extrude_along_path_check; set ::pirrel::verdict");
    EXPECT_EQ(o.result, "surfaces 2");
}

TEST_F(CheckTest, CheckRecomputesNoNormals)
{
    std::vector<int> ids = place(kSquare, true, kPath, false);
    select(ids);
    Surface *s = zirka_object_surfaces(zirka_object_by_id(ids[0]))[0];
    run_script("kvx_extrude_along_path_check");
    EXPECT_EQ(zirka_surface_normal(s), (Pos3{0, 0, 0}));
    run_script("kvx_extrude_along_path 100");
    EXPECT_NE(zirka_surface_normal(s), (Pos3{0, 0, 0}));
}

} // namespace
