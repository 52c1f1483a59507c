// The warnings of the command: a turn sharper than a right angle, walls
// that fold through each other at a tight corner, and faces that point into
// the tube. The command still makes
// its object; the warnings come before it enters the world.

#include "extrude_test.h"

#include <filesystem>

namespace {

const char kSharp[] = "extrude_along_path(): warning: path turns by more than a right angle at point %d (%d point%s "
                      "in all); the outline turns by a right angle only!\n";
const char kFold[] = "extrude_along_path(): warning: walls fold through each other at point %d (%d point%s in "
                     "all); the outline is too large for the turn!\n";

const char kInward[] = "extrude_along_path(): warning: faces point into the tube; reverse the order of the outline's "
                       "points, or give -outward, to turn them out!\n";

std::string line(const char *format, int point, int count)
{
    char text[256];
    std::snprintf(text, sizeof text, format, point, count, count == 1 ? "" : "s");
    return text;
}

// kSquare three times as large: side 6.
const std::vector<Pos3> kBigSquare = {{0, -3, -3}, {0, 3, -3}, {0, 3, 3}, {0, -3, 3}};

class WarningTest : public ExtrudeTest {
protected:
    // Runs the command and returns what it wrote to stderr after the two
    // bare newlines; expects the object to be made all the same.
    std::string warnings(const std::vector<Pos3> &tmpl, const std::vector<Pos3> &path, bool path_closed,
                         const char *amount = "100")
    {
        select(place(tmpl, true, path, path_closed));
        Outcome o = run(amount);
        EXPECT_EQ(o.made.size(), 1u) << o.err;
        EXPECT_EQ(o.err.substr(0, 2), "\n\n");
        return o.err.size() >= 2 ? o.err.substr(2) : o.err;
    }
};

TEST_F(WarningTest, TurnOf120DegreesWarnsOfTheQuarterTurnLimit)
{
    EXPECT_EQ(warnings(kSquare, {{0, 0, 0}, {10, 0, 0}, {5, 8.660254f, 0}}, false), line(kSharp, 2, 1));
}

TEST_F(WarningTest, TurnOf179DegreesAlsoFoldsTheWalls)
{
    const std::vector<Pos3> triangle = {{0, 1, 0}, {-0.866f, -0.5f, 0}, {0.866f, -0.5f, 0}};
    EXPECT_EQ(warnings(triangle, {{0, 0, 0}, {0, 0, 5}, {0.087262f, 0, 0.000381f}}, false),
              line(kSharp, 2, 1) + line(kFold, 2, 1));
}

TEST_F(WarningTest, LargeOutlineAtARightAngleFolds)
{
    // After a unit step, the inner corner of a square of side 6 lies 2
    // behind the ring before it.
    EXPECT_EQ(warnings(kBigSquare, kCorner, false), line(kFold, 2, 1));
}

TEST_F(WarningTest, FoldsAreCountedOncePerPoint)
{
    // A square path of side 4 under a square of side 6: every corner folds,
    // the one at the start (point 1) through the closing wall.
    EXPECT_EQ(warnings(kBigSquare, {{0, 0, 0}, {4, 0, 0}, {4, 4, 0}, {0, 4, 0}}, true), line(kFold, 2, 4));
}

TEST_F(WarningTest, PointsAreNumberedAsThePathIsDrawn)
{
    // The repeated first point counts in the numbering, not in the sweep:
    // the first sharp turn is at the third point drawn, the other at the
    // fourth; the first of them, nearly a reversal, also folds.
    std::vector<Pos3> path = {{0, 0, 0}, {0, 0, 0}, {10, 0, 0}, {0, 1, 0}, {10, 2, 0}};
    EXPECT_EQ(warnings(kSquare, path, false), line(kSharp, 3, 2) + line(kFold, 3, 1));
}

TEST_F(WarningTest, InwardFacesAreSaidOnceAfterTheOtherWarnings)
{
    struct {
        const char *what;
        std::vector<Pos3> tmpl, path;
        bool tmpl_closed;
        const char *command; // the amount 100 follows
        std::string expected;
    } cases[] = {
        {"counter-clockwise round +x", kSquare, kPath, true, "kvx_extrude_along_path_scale", ""},
        {"an open outline has no inside", kSquareBack, kPath, false, "kvx_extrude_along_path_scale", ""},
        {"clockwise round +x", kSquareBack, kPath, true, "kvx_extrude_along_path_scale", kInward},
        // The first segment runs along -x: the same outline now runs clockwise.
        {"counter-clockwise, path along -x", kSquare, {{0, 0, 0}, {-1, 0, 0}, {-2, 0, 0}}, true,
         "kvx_extrude_along_path_scale", kInward},
        {"after the sharp turn's warning", kSquareBack, {{0, 0, 0}, {10, 0, 0}, {5, 8.660254f, 0}}, true,
         "kvx_extrude_along_path_scale", line(kSharp, 2, 1) + kInward},
        {"the new command without options", kSquareBack, kPath, true, "kvx_extrude_along_path", kInward},
        {"turned out", kSquareBack, kPath, true, "kvx_extrude_along_path -outward", ""},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        zirka_reset();
        select(place(c.tmpl, c.tmpl_closed, c.path, false));
        Outcome o = run_script(std::string(c.command) + " 100");
        EXPECT_EQ(o.made.size(), 1u) << o.err;
        EXPECT_EQ(o.err, "\n\n" + c.expected);
    }
}

TEST_F(WarningTest, ShapesThatLookRightGiveNoWarning)
{
    struct {
        const char *what;
        std::vector<Pos3> tmpl, path;
        bool closed;
    } cases[] = {
        {"straight", kSquare, kPath, false},
        // The inner walls have length 0 here: a limit, not a fold.
        {"right angle", kSquare, kCorner, false},
        {"closed square", kSquare, {{0, 0, 0}, {4, 0, 0}, {4, 4, 0}, {0, 4, 0}}, true},
        {"stairs", kSquare, {{0, 0, 0}, {0, 0, 4}, {4, 0, 4}, {4, 0, 8}}, false},
        {"gentle turns", kBigSquare, {{0, 0, 0}, {20, 0, 0}, {40, 5, 0}, {60, 5, 5}}, false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        zirka_reset();
        // Growing the outline would make folds of some of them.
        for (const char *amount : {"100", "25", "0"})
            EXPECT_EQ(warnings(c.tmpl, c.path, c.closed, amount), "") << "amount " << amount;
    }
}

TEST_F(WarningTest, BundledExamplesWarnOnlyWhereTheyShowTrouble)
{
    // sharp_turn.obj shows what a turn sharper than a right angle does, and
    // fold.obj what a corner too tight for its outline does, and
    // inward_faces.obj an outline whose faces point into the tube; every
    // other example looks right and says nothing.
    int examples = 0;
    for (const auto &entry : std::filesystem::directory_iterator(PIRREL_SOURCE_DIR "/examples")) {
        if (entry.path().extension() != ".obj")
            continue;
        const std::string name = entry.path().filename().string();
        SCOPED_TRACE(name);
        examples++;
        std::string expected = "\n\n";
        if (name == "sharp_turn.obj")
            expected += line(kSharp, 2, 2);
        if (name == "fold.obj")
            expected += line(kFold, 2, 1);
        if (name == "inward_faces.obj")
            expected += kInward;
        for (const char *amount : {"25", "100"}) {
            zirka_reset();
            std::string ids = eval("host::load {" + entry.path().string() + "}");
            eval("host::select " + ids);
            Outcome o = run(amount);
            EXPECT_EQ(o.made.size(), 1u) << o.err;
            EXPECT_EQ(o.err, expected) << "amount " << amount;
        }
    }
    EXPECT_GE(examples, 9);
}

} // namespace
