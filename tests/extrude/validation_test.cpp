// Every refusal of the command, produced by real selections and real
// arguments: its exact text in its channel, and nothing changed.

#include "extrude_test.h"
#include "extrude_work.h"

#include <cmath>
#include <cstdlib>
#include <limits>

namespace {

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
const char kNotFinite[] = "extrude_along_path(): result would have coordinates that are not finite!\n";
const char kTooMany[] = "extrude_along_path(): result would have too many vertices!\n";

// Two bare newlines, one per object checked, come before a refusal of the
// path; a refusal of the first object comes after one.
std::string after_both(const char *line) { return std::string("\n\n") + line; }

class ValidationTest : public ExtrudeTest {
protected:
    // Runs the command on the current selection and expects a refusal with
    // exactly this text on stderr, no dialog, and nothing changed.
    void expect_refused(const std::string &amount, const std::string &err)
    {
        std::vector<std::vector<Pos3>> before;
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

    // Places a template and a path, selects them and expects the refusal.
    void expect_path_refused(const std::vector<Pos3> &path, bool closed, const std::string &amount,
                             const std::string &err)
    {
        select(place(kSquare, true, path, closed));
        expect_refused(amount, err);
    }

    void expect_dialog(const std::string &args, const std::string &message)
    {
        select(place(kSquare, true, kPath, false));
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

TEST_F(ValidationTest, SelectionOfOtherThanTwoObjects)
{
    std::vector<int> ids = place(kSquare, true, kPath, false);
    ids.push_back(add({line_object(kPath, ZIRKA_SURFACE_LINE)})[0]);
    for (std::vector<int> selection : {std::vector<int>{}, {ids[0]}, ids}) {
        SCOPED_TRACE(selection.size());
        select(selection);
        expect_refused("50", kTwoObjects);
    }
}

TEST_F(ValidationTest, FirstObjectWithTwoSurfacesIsRefusedAfterOneNewline)
{
    Object *two = line_object(kSquare, ZIRKA_SURFACE_CLOSED_LINE);
    Surface *second = new_surface();
    surface_add_vertex(second, zirka_object_get_vertex_at_index(two, 0), 0, 0);
    object_add_surface(two, second);
    select(add({two, line_object(kPath, ZIRKA_SURFACE_LINE)}));
    expect_refused("50", std::string("\n") + kOneSurface);
}

TEST_F(ValidationTest, SecondObjectWithoutSurfaceIsRefusedAfterTwoNewlines)
{
    Object *bare = new_object(ZIRKA_OBJECT_NORMAL);
    const Pos3 p = {5, 5, 5};
    object_add_new_vertex(bare, &p);
    select(add({line_object(kSquare, ZIRKA_SURFACE_CLOSED_LINE), bare}));
    expect_refused("50", after_both(kOneSurface));
}

TEST_F(ValidationTest, ObjectsMustBeOrdinary)
{
    // Objects of another type can only be made by a host's own code.
    Object *odd = new_object(3);
    Surface *s = new_surface();
    object_add_surface(odd, s);
    for (const Pos3 &p : kPath)
        surface_add_vertex(s, object_add_new_vertex(odd, &p), 0, 0);
    zirka_surface_set_type(s, ZIRKA_SURFACE_LINE);
    select(add({line_object(kSquare, ZIRKA_SURFACE_CLOSED_LINE), odd}));
    expect_refused("50", after_both(kNormalType));
}

TEST_F(ValidationTest, PathNeedsThreeVertices)
{
    expect_path_refused({{0, 0, 0}, {1, 0, 0}}, false, "50", after_both(kThreeVertices));
}

TEST_F(ValidationTest, TemplateWithoutVerticesIsRefused)
{
    Object *empty = new_object(ZIRKA_OBJECT_NORMAL);
    object_add_surface(empty, new_surface());
    select(add({empty, line_object(kPath, ZIRKA_SURFACE_LINE)}));
    expect_refused("50", after_both(kEmptyTemplate));
}

TEST_F(ValidationTest, TemplateCoordinateThatIsNotFiniteIsRefused)
{
    std::vector<Pos3> bad_square = kSquare;
    bad_square[2].y = std::nanf("");
    select(place(bad_square, true, kPath, false));
    expect_refused("50", after_both(kFinite));
}

TEST_F(ValidationTest, PathCoordinateThatIsNotFiniteIsRefused)
{
    const float inf = std::numeric_limits<float>::infinity();
    expect_path_refused({{0, 0, 0}, {inf, 0, 0}, {2, 0, 0}}, false, "50", after_both(kFinite));
}

TEST_F(ValidationTest, FinitePointsWhoseDifferenceOverflowsAreRefused)
{
    expect_path_refused({{-3e38f, 0, 0}, {3e38f, 0, 0}, {3e38f, 1, 0}}, false, "50", after_both(kFinite));
}

TEST_F(ValidationTest, PathOfFewerThanThreeDistinctPointsIsRefused)
{
    struct {
        std::vector<Pos3> path;
        bool closed;
    } cases[] = {
        {{{0, 0, 0}, {0, 0, 0}, {1, 0, 0}}, false},
        {{{1, 2, 3}, {1, 2, 3}, {1, 2, 3}, {1, 2, 3}}, false},
        {{{0, 0, 0}, {1, 0, 0}, {0, 0, 0}}, true}, // the last point repeats the first
    };
    for (const auto &c : cases) {
        zirka_reset();
        expect_path_refused(c.path, c.closed, "50", after_both(kDistinct));
    }
}

TEST_F(ValidationTest, PathTurningBackOnItselfIsRefused)
{
    expect_path_refused({{0, 0, 0}, {1, 0, 0}, {0.5f, 0, 0}}, false, "50", after_both(kTurnsBack));
}

TEST_F(ValidationTest, ClosedPathTurningBackAtItsStartIsRefused)
{
    // At the closing corner: ... (0, 2, 0) -> (0, 0, 0) -> (0, 1, 0).
    expect_path_refused({{0, 0, 0}, {0, 1, 0}, {1, 1, 0}, {0, 2, 0}}, true, "50", after_both(kTurnsBack));
}

TEST_F(ValidationTest, ScaleReachingZeroBeforeTheEndIsRefused)
{
    // Sizes 1, 0, -1: the ratio after the middle point would divide by 0.
    expect_path_refused(kPath, false, "-100", after_both(kZeroScale));
}

TEST_F(ValidationTest, PathSoLargeThatTheTurnOverflowsIsRefused)
{
    // Each coordinate is finite, but the turn axis's products are not.
    expect_path_refused({{0, 0, 0}, {2e19f, 0, 0}, {2e19f, 2e19f, 0}}, false, "50", after_both(kNotFinite));
}

TEST_F(ValidationTest, TemplateWhoseCentreOverflowsIsRefused)
{
    // The centroid's running sum passes the largest float.
    select(place({{0, 3e38f, 0}, {0, 3e38f, 1}, {0, 3.1e38f, 1}}, true, kPath, false));
    expect_refused("50", after_both(kNotFinite));
}

TEST_F(ValidationTest, AmountSoLargeThatTheRingsOverflowIsRefused)
{
    // The end ring is 3e36 times the template's size: far past the largest
    // float for a template of side 2000.
    select(place({{0, -1000, -1000}, {0, 1000, -1000}, {0, 1000, 1000}, {0, -1000, 1000}}, true, kPath, false));
    expect_refused("3e38", after_both(kNotFinite));
}

TEST_F(ValidationTest, ClosedPathThatOverflowsIsRefusedToo)
{
    expect_path_refused({{0, 0, 0}, {2e19f, 0, 0}, {2e19f, 2e19f, 0}, {0, 2e19f, 0}}, true, "100",
                        after_both(kNotFinite));
}

TEST_F(ValidationTest, ResultThatTheHostCannotNumberIsRefused)
{
    // 65535 vertices in each of 32769 rings would number past the largest
    // int; the refusal comes before anything is built.
    std::vector<Pos3> outline, path;
    for (int i = 0; i < 65535; i++)
        outline.push_back({0, float(i % 256), float(i / 256)});
    for (int k = 0; k < 32769; k++)
        path.push_back({float(k), float(k % 2), 0});
    select(place(outline, false, path, false));
    long before = zirka_free_vertex_count();
    expect_refused("50", after_both(kTooMany));
    EXPECT_EQ(zirka_free_vertex_count(), before);

    // One ring fewer fits.
    zirka_reset();
    path.pop_back();
    select(place({{0, 0, 0}, {0, 1, 0}}, false, path, false));
    EXPECT_EQ(run("50").made.size(), 1u);
}

void *no_memory(size_t)
{
    return nullptr;
}

TEST_F(ValidationTest, AllocationFailureIsRefused)
{
    // The plug-in's own copy of the command cannot be made to fail; this one,
    // linked into the test, can.
    std::vector<int> ids = place(kSquare, true, kPath, false);
    select(ids);
    std::vector<Pos3> tmpl = vertices(ids[0]);
    long nodes = zirka_plugin_list_nodes();
    const char *argv[] = {"kvx_extrude_along_path_scale", "50"};
    extrude_table_alloc = no_memory;
    RunRecord c = zirka_capture([&] { extrude_along_path(2, argv); });
    extrude_table_alloc = malloc;
    EXPECT_EQ(c.err, after_both(kNoMemory));
    EXPECT_EQ(world_ids(), ids);
    EXPECT_EQ(vertices(ids[0]), tmpl);
    EXPECT_EQ(zirka_plugin_list_nodes(), nodes);
}

} // namespace
