// Every refusal of the command, produced by real selections and real
// arguments: its exact text in its channel, and nothing changed.

#include "extrude_test.h"
#include "extrude_work.h"

#include <cmath>
#include <cstdlib>
#include <limits>

namespace {

const std::vector<P3> kSquare = {{0, -1, -1}, {0, 1, -1}, {0, 1, 1}, {0, -1, 1}};
const std::vector<P3> kPath = {{0, 0, 0}, {1, 0, 0}, {2, 0, 0}};

const char kTwoObjects[] = "extrude_along_path(): can only operate on exactly two objects!\n";
const char kOneSurface[] = "extrude_along_path(): must have exactly one surface and no children!\n";
const char kNormalType[] = "extrude_along_path(): object must be of type OBJECT_NORMAL!\n";
const char kThreeVertices[] = "extrude_along_path(): path must have at least 3 vertices!\n";
const char kEmptyTemplate[] = "extrude_along_path(): template must have at least 1 vertex!\n";
const char kFinite[] = "extrude_along_path(): coordinates must be finite!\n";
const char kDistinct[] = "extrude_along_path(): path must have at least 3 distinct points!\n";
const char kTurnsBack[] = "extrude_along_path(): path turns back on itself!\n";
const char kZeroScale[] = "extrude_along_path(): scale reaches 0 before the end of the path!\n";
const char kNoMemory[] = "extrude_along_path(): out of memory!\n";

class ValidationTest : public ExtrudeTest {
protected:
    // Runs the command on the current selection and expects a refusal with
    // exactly this text on stderr, no dialog, and nothing changed.
    void expect_refused(const std::string &amount, const std::string &err)
    {
        std::vector<std::vector<P3>> before;
        for (int id : world_ids())
            before.push_back(vertices(id));
        std::vector<int> ids = world_ids();
        Outcome o = run(amount);
        EXPECT_EQ(o.code, TCL_OK);
        EXPECT_EQ(o.err, err);
        EXPECT_TRUE(o.messages.empty());
        EXPECT_TRUE(o.made.empty());
        EXPECT_EQ(o.list_nodes, 0);
        EXPECT_EQ(world_ids(), ids);
        for (size_t k = 0; k < ids.size(); k++)
            EXPECT_EQ(vertices(ids[k]), before[k]) << "object " << ids[k] << " changed";
    }

    // Loads a template and a path, selects them and expects the refusal.
    void expect_case_refused(const std::string &obj, const std::string &amount, const std::string &err)
    {
        select(load(obj));
        expect_refused(amount, err);
    }

    void expect_dialog(const std::string &args, const std::string &message)
    {
        select(load(obj_case(kSquare, true, kPath, false)));
        Outcome o = run(args);
        EXPECT_EQ(o.messages, std::vector<std::string>{message});
        EXPECT_EQ(o.err, "");
        EXPECT_NE(o.out.find(message), std::string::npos) << "the host shows the message on stdout";
        EXPECT_TRUE(o.made.empty());
        EXPECT_EQ(o.list_nodes, 0);
    }
};

TEST_F(ValidationTest, MissingAmountShowsInsufficientParameters)
{
    expect_dialog("", "Insufficient parameters passed to extrude/scale plugin");
}

TEST_F(ValidationTest, UnreadableAmountShowsParseMessage)
{
    // Not numbers, and numbers that would fill the world with vertices that
    // are not numbers (1e40 overflows single precision).
    const char *cases[] = {"abc", "{}", "x50", "inf", "-inf", "nan", "1e40", "-1e39", "infinity"};
    for (const char *amount : cases) {
        SCOPED_TRACE(amount);
        zirka_reset();
        std::string shown = std::string(amount) == "{}" ? "" : amount;
        expect_dialog(amount, "Error parsing scale amount (" + shown + ")");
    }
}

TEST_F(ValidationTest, AmountIsReadLikeANumberWithTrailingText)
{
    // Leading blanks and anything after the number are ignored; 0, negative
    // and large amounts are accepted.
    const char *accepted[] = {"50", "{  50}", "50%", "50abc", "0", "-20", "1e3", "3.5e1"};
    for (const char *amount : accepted) {
        SCOPED_TRACE(amount);
        zirka_reset();
        select(load(obj_case(kSquare, true, kPath, false)));
        Outcome o = run(amount);
        EXPECT_TRUE(o.messages.empty());
        EXPECT_EQ(o.made.size(), 1u);
        EXPECT_EQ(o.err, "\n\n");
    }
}

TEST_F(ValidationTest, SelectionOfOtherThanTwoObjects)
{
    std::vector<int> ids = load(obj_case(kSquare, true, kPath, false) + obj_line("third", kPath, false, 8));
    for (std::vector<int> selection : {std::vector<int>{}, {ids[0]}, ids}) {
        SCOPED_TRACE(selection.size());
        select(selection);
        expect_refused("50", kTwoObjects);
    }
}

TEST_F(ValidationTest, ObjectsNeedExactlyOneSurface)
{
    // Two surfaces in the first object: one newline, then the refusal.
    std::string two = "o two\nv 0 0 0\nv 0 1 0\nv 0 1 1\nl 1 2 3 1\nl 1 2\n";
    expect_case_refused(two + obj_line("path", kPath, false, 4), "50", std::string("\n") + kOneSurface);

    // No surface in the second object: the first passes, so two newlines.
    zirka_reset();
    std::string bare = "o bare\nv 5 5 5\n";
    expect_case_refused(obj_line("template", kSquare, true, 1) + bare, "50", std::string("\n\n") + kOneSurface);
}

TEST_F(ValidationTest, ObjectsMustBeOrdinary)
{
    // Objects of another type can only be made by a host's own code.
    Object *odd = new_object(3);
    Surface *s = new_surface();
    object_add_surface(odd, s);
    for (const P3 &p : kPath)
        surface_add_vertex(s, object_add_new_vertex(odd, reinterpret_cast<const Pos3 *>(&p)), 0, 0);
    zirka_surface_set_type(s, ZIRKA_SURFACE_LINE);
    zirka_world_add_objects("odd", {odd});
    std::vector<int> ids = load(obj_line("template", kSquare, true, 1));
    select({ids[0], zirka_object_id(odd)});
    expect_refused("50", std::string("\n\n") + kNormalType);
}

TEST_F(ValidationTest, PathNeedsThreeVertices)
{
    expect_case_refused(obj_case(kSquare, true, {{0, 0, 0}, {1, 0, 0}}, false), "50",
                        std::string("\n\n") + kThreeVertices);
}

TEST_F(ValidationTest, ValidSelectionWritesTwoBareNewlines)
{
    select(load(obj_case(kSquare, true, kPath, false)));
    Outcome o = run("50");
    EXPECT_EQ(o.err, "\n\n");
    EXPECT_EQ(o.made.size(), 1u);
}

TEST_F(ValidationTest, TemplateWithoutVerticesIsRefused)
{
    Object *empty = new_object(ZIRKA_OBJECT_NORMAL);
    object_add_surface(empty, new_surface());
    zirka_world_add_objects("empty", {empty});
    std::vector<int> ids = load(obj_line("path", kPath, false, 1));
    select({zirka_object_id(empty), ids[0]});
    expect_refused("50", std::string("\n\n") + kEmptyTemplate);
}

TEST_F(ValidationTest, CoordinatesThatAreNotFiniteAreRefused)
{
    const float inf = std::numeric_limits<float>::infinity(), nan = std::nanf("");
    std::vector<P3> bad_square = kSquare;
    bad_square[2].y = nan;
    expect_case_refused(obj_case(bad_square, true, kPath, false), "50", std::string("\n\n") + kFinite);

    zirka_reset();
    expect_case_refused(obj_case(kSquare, true, {{0, 0, 0}, {inf, 0, 0}, {2, 0, 0}}, false), "50",
                        std::string("\n\n") + kFinite);

    // Finite points whose difference overflows.
    zirka_reset();
    expect_case_refused(obj_case(kSquare, true, {{-3e38f, 0, 0}, {3e38f, 0, 0}, {3e38f, 1, 0}}, false), "50",
                        std::string("\n\n") + kFinite);
}

TEST_F(ValidationTest, CoincidentPathPointsCountOnce)
{
    const std::vector<P3> clean = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {1, 1, 1}};
    const std::vector<P3> doubled = {{0, 0, 0}, {0, 0, 0}, {1, 0, 0}, {1, 0, 0}, {1, 0, 0},
                                     {1, 1, 0}, {1, 1, 1}, {1, 1, 1}};
    int a = extrude(obj_case(kSquare, true, clean, false), "50");
    int b = extrude(obj_case(kSquare, true, doubled, false), "50");
    EXPECT_EQ(vertices(a), vertices(b));
    EXPECT_EQ(surfaces(a), surfaces(b));

    // A closed path that repeats its first point at the end.
    const std::vector<P3> loop = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}};
    std::vector<P3> repeated = loop;
    repeated.push_back(loop[0]);
    int c = extrude(obj_case(kSquare, true, loop, true), "50");
    int d = extrude(obj_case(kSquare, true, repeated, true), "50");
    EXPECT_EQ(vertices(c), vertices(d));
    EXPECT_EQ(vertices(c).size(), 16u);
}

TEST_F(ValidationTest, PathOfFewerThanThreeDistinctPointsIsRefused)
{
    expect_case_refused(obj_case(kSquare, true, {{0, 0, 0}, {0, 0, 0}, {1, 0, 0}}, false), "50",
                        std::string("\n\n") + kDistinct);
    zirka_reset();
    expect_case_refused(obj_case(kSquare, true, {{1, 2, 3}, {1, 2, 3}, {1, 2, 3}, {1, 2, 3}}, false), "50",
                        std::string("\n\n") + kDistinct);
    zirka_reset();
    expect_case_refused(obj_case(kSquare, true, {{0, 0, 0}, {1, 0, 0}, {0, 0, 0}}, true), "50",
                        std::string("\n\n") + kDistinct);
}

TEST_F(ValidationTest, PathTurningBackOnItselfIsRefused)
{
    expect_case_refused(obj_case(kSquare, true, {{0, 0, 0}, {1, 0, 0}, {0.5f, 0, 0}}, false), "50",
                        std::string("\n\n") + kTurnsBack);
    // At the closing corner of a closed path: ... (0, 2, 0) -> (0, 0, 0) -> (0, 1, 0).
    zirka_reset();
    expect_case_refused(obj_case(kSquare, true, {{0, 0, 0}, {0, 1, 0}, {1, 1, 0}, {0, 2, 0}}, true), "50",
                        std::string("\n\n") + kTurnsBack);
}

TEST_F(ValidationTest, DiagonalStraightStretchIsNotAReversal)
{
    // The cosine of two equal diagonal segments comes out just below 1: the
    // middle point is handled as a turn about a vanishing axis, which gives
    // the straight ring up to rounding.
    int id = extrude(obj_case(kSquare, true, {{0, 0, 0}, {1, 1, 0}, {2, 2, 0}}, false), "100");
    std::vector<P3> v = vertices(id);
    ASSERT_EQ(v.size(), 12u);
    for (int i = 0; i < 4; i++) {
        EXPECT_NEAR(v[8 + i].x - v[i].x, 2, 1e-5);
        EXPECT_NEAR(v[8 + i].y - v[i].y, 2, 1e-5);
        EXPECT_NEAR(v[8 + i].z - v[i].z, 0, 1e-5);
    }
}

TEST_F(ValidationTest, ScaleReachingZeroBeforeTheEndIsRefused)
{
    // Sizes 1, 0, -1: the ratio after the middle point would divide by 0.
    expect_case_refused(obj_case(kSquare, true, kPath, false), "-100", std::string("\n\n") + kZeroScale);

    // Sizes 1, 1/3, -1/3, -1 pass through 0 between points: accepted.
    zirka_reset();
    select(load(obj_case(kSquare, true, {{0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {3, 0, 0}}, false)));
    EXPECT_EQ(run("-100").made.size(), 1u);

    // Reaching 0 at the very end collapses the last ring: accepted.
    zirka_reset();
    select(load(obj_case(kSquare, true, kPath, false)));
    EXPECT_EQ(run("0").made.size(), 1u);
}

void *no_memory(size_t)
{
    return nullptr;
}

TEST_F(ValidationTest, AllocationFailureIsRefused)
{
    // The plug-in's own copy of the command cannot be made to fail; this one,
    // linked into the test, can.
    std::vector<int> ids = load(obj_case(kSquare, true, kPath, false));
    select(ids);
    std::vector<P3> tmpl = vertices(ids[0]);
    long nodes = zirka_plugin_list_nodes();
    const char *argv[] = {"kvx_extrude_along_path_scale", "50"};
    extrude_table_alloc = no_memory;
    ZirkaCaptured c = zirka_capture([&] { extrude_along_path(2, argv); });
    extrude_table_alloc = malloc;
    EXPECT_EQ(c.err, std::string("\n\n") + kNoMemory);
    EXPECT_EQ(world_ids(), ids);
    EXPECT_EQ(vertices(ids[0]), tmpl);
    EXPECT_EQ(zirka_plugin_list_nodes(), nodes);
}

} // namespace
