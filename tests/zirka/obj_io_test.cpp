// obj_io_test.cpp -- host::load and host::save: each OBJ element kind,
// index forms, malformed files, and the bit-exact round trip.
#include "zirka_fixture.h"

#include <cmath>
#include <cstring>
#include <limits>
#include <sstream>

namespace {

class ObjFiles : public ZirkaTest {};

TEST_F(ObjFiles, EachElementKindBecomesItsSurfaceType)
{
    std::string obj = write_file("kinds.obj",
                                 "# one of each\n"
                                 "\n"
                                 "o kinds\n"
                                 "v 0 0 0\n"
                                 "v 1 0 0\n"
                                 "v 1 1 0\n"
                                 "v 0 1 0\n"
                                 "f 1 2 3 4\n"   // polygon
                                 "l 1 2 3\n"     // open line
                                 "l 1 2 3 1\n"   // closed line, repeat dropped
                                 "l 2 2\n"       // closed line of one vertex
                                 "l 4\n");       // open line of one vertex
    EXPECT_EQ(eval("set ids [host::load " + obj + "]; llength $ids"), "1");
    EXPECT_EQ(eval("dict get [host::info [lindex $ids 0]] name"), "kinds");
    EXPECT_EQ(eval("dict get [host::info [lindex $ids 0]] vertices"), "4");
    EXPECT_EQ(eval("set out {}; foreach s [host::surfaces [lindex $ids 0]] {"
                   " lappend out [list [dict get $s type] [dict get $s vertices]] }; set out"),
              "{0 {0 1 2 3}} {2 {0 1 2}} {1 {0 1 2}} {1 1} {2 3}");
    EXPECT_EQ(eval("dict get [lindex [host::surfaces [lindex $ids 0]] 0] uv"),
              "{0.0 0.0} {0.0 0.0} {0.0 0.0} {0.0 0.0}");
}

TEST_F(ObjFiles, SlashedAndNegativeIndices)
{
    std::string obj = write_file("slashes.obj",
                                 "v 0 0 0\nv 1 0 0\nv 1 1 0\n"
                                 "vt 0 0\nvn 0 0 1\n"
                                 "f 1/1 2/1/1 3//1\n"
                                 "f -3 -2 -1\n"
                                 "l -1 -3\n");
    std::string id = eval("set id [host::load " + obj + "]");
    EXPECT_EQ(eval("host::objects"), id);
    EXPECT_EQ(eval("set out {}; foreach s [host::surfaces $id] { lappend out [dict get $s vertices] }; set out"),
              "{0 1 2} {0 1 2} {2 0}");
}

TEST_F(ObjFiles, WholeFileIsOneObjectNamedAfterTheFile)
{
    std::string obj = write_file("sub/Tri Angle.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n");
    EXPECT_EQ(eval("dict get [host::info [host::load {" + obj + "}]] name"), "Tri Angle");
}

TEST_F(ObjFiles, ObjectsHoldTheVerticesDeclaredAfterTheirName)
{
    std::string obj = write_file("two.obj",
                                 "o template\nv 0 0 0\nv 1 0 0\nv 1 1 0\nl 1 2 3 1\n"
                                 "o path\nv 0 0 5\nv 0 0 6\nl 4 5\n");
    EXPECT_EQ(eval("set ids [host::load " + obj + "]; llength $ids"), "2");
    EXPECT_EQ(eval("host::objects"), eval("set ids"));
    EXPECT_EQ(eval("dict get [host::info [lindex $ids 1]] name"), "path");
    EXPECT_EQ(eval("host::vertices [lindex $ids 1]"), "{0.0 0.0 5.0} {0.0 0.0 6.0}");
    EXPECT_EQ(eval("dict get [lindex [host::surfaces [lindex $ids 1]] 0] vertices"), "0 1");
    // One file, one undo step.
    EXPECT_EQ(eval("host::history"), "{Load two.obj}");
    eval("host::undo");
    EXPECT_EQ(eval("host::objects"), "");
}

TEST_F(ObjFiles, EmptyFileIsOneEmptyObject)
{
    std::string obj = write_file("empty.obj", "# nothing\n");
    EXPECT_EQ(eval("dict get [host::info [host::load " + obj + "]] vertices"), "0");
}

TEST_F(ObjFiles, CrLfLinesAndIgnoredStatements)
{
    std::string obj = write_file("dos.obj",
                                 "mtllib a.mtl\r\no a b\r\ng group\r\ns off\r\nusemtl m\r\n"
                                 "v 1 2 3\r\nvp 0.5\r\nl 1\r\n");
    EXPECT_EQ(eval("set id [host::load " + obj + "]; dict get [host::info $id] name"), "a b");
    EXPECT_EQ(eval("host::vertices $id"), "{1.0 2.0 3.0}");
}

// Each malformed file names itself and its line, and adds nothing.
TEST_F(ObjFiles, MalformedFilesNameFileAndLineAndAddNothing)
{
    struct Case {
        const char *text;
        const char *message;
    } cases[] = {
        {"v 0 0 0\nv 1 x 0\n", ":2: bad number \"x\""},
        {"v 0 0\n", ":1: expected 3 coordinates but got 2"},
        {"v 1e39 0 0\n", ":1: number \"1e39\" out of range for a float"},
        {"v 0 0 0\nf 1 2\n", ":2: index 2 out of range"},
        {"v 0 0 0\nl -2\n", ":2: index -2 out of range"},
        {"v 0 0 0\nf 0\n", ":2: bad index \"0\""},
        {"v 0 0 0\nf 1.5\n", ":2: bad index \"1.5\""},
        {"v 0 0 0\nf\n", ":2: element without vertices"},
        {"v 0 0 0\n\n\ncurv 0 1 1\n", ":4: unknown statement \"curv\""},
        {"o\n", ":1: object without a name"},
        {"o a\nv 0 0 0\no b\nv 1 1 1\nl 1 2\n", ":5: vertex 1 is not in object \"b\""},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.text);
        std::string obj = write_file("bad.obj", c.text);
        EXPECT_EQ(eval_error("host::load " + obj), obj + c.message);
        EXPECT_EQ(eval("host::objects"), "");
        EXPECT_EQ(eval("host::history"), "");
    }
    EXPECT_EQ(eval("lindex $errorCode 0"), "ZIRKA");
}

TEST_F(ObjFiles, MissingFileIsAnError)
{
    std::string missing = temp_dir() + "/missing.obj";
    EXPECT_EQ(eval_error("host::load " + missing), missing + ":0: cannot open: No such file or directory");
}

TEST_F(ObjFiles, SurfaceOfMoreThan65535VerticesIsRefused)
{
    std::ostringstream text;
    text << "v 0 0 0\n";
    for (int n : {65535, 65536}) {
        text << (n == 65535 ? "f" : "\nf");
        for (int i = 0; i < n; i++)
            text << " 1";
    }
    text << "\n";
    std::string obj = write_file("big.obj", text.str());
    EXPECT_EQ(eval_error("host::load " + obj), obj + ":3: element of 65536 vertices, but a surface holds at most 65535");
    // 65535 is the largest surface that fits.
    std::string fits = write_file("fits.obj", text.str().substr(0, text.str().find("\nf", 10) + 1));
    EXPECT_EQ(eval("dict get [host::info [host::load " + fits + "]] surfaces"), "1");
    EXPECT_EQ(eval("llength [dict get [lindex [host::surfaces [host::objects]] 0] vertices]"), "65535");
}

TEST_F(ObjFiles, SaveWritesEachSurfaceKind)
{
    std::string obj = write_file("in.obj", "o shape\nv 0 0 0\nv 1 0 0\nv 1 1 0\n"
                                           "f 3 2 1\nl 1 2\nl 1 2 3 1\nl 2 2\n"
                                           "o dot\nv 0.5 0.25 -1\nl 4\n");
    eval("host::load " + obj);
    std::string out = temp_dir() + "/out.obj";
    EXPECT_EQ(eval("host::save " + out), "");
    EXPECT_EQ(read_file(out), "o shape\nv 0 0 0\nv 1 0 0\nv 1 1 0\n"
                              "f 3 2 1\nl 1 2\nl 1 2 3 1\nl 2 2\n"
                              "o dot\nv 0.5 0.25 -1\nl 4\n");
    // Only the objects asked for; indices start at 1 again.
    EXPECT_EQ(eval("host::save " + out + " [lindex [host::objects] 1]"), "");
    EXPECT_EQ(read_file(out), "o dot\nv 0.5 0.25 -1\nl 1\n");
    EXPECT_EQ(eval_error("host::save " + out + " 99999"), "no object with id 99999");
}

static uint32_t bits(float f)
{
    uint32_t u;
    std::memcpy(&u, &f, sizeof u);
    return u;
}

TEST_F(ObjFiles, SaveAndLoadRoundTripBitExactly)
{
    // Values whose decimal text is not exact, extremes, denormals, -0.0.
    const float values[] = {0.1f,
                            1e-30f,
                            -0.0f,
                            1.0f / 3.0f,
                            std::numeric_limits<float>::denorm_min(),
                            1e-40f,
                            std::numeric_limits<float>::min(),
                            std::numeric_limits<float>::max(),
                            -std::numeric_limits<float>::max(),
                            16777217.0f,
                            std::numeric_limits<float>::infinity(),
                            -std::numeric_limits<float>::infinity(),
                            123456.789f};
    const int n = sizeof values / sizeof values[0];
    Object *object = new_object(ZIRKA_OBJECT_NORMAL);
    zirka_object_set_name(object, "exact");
    for (int i = 0; i < n; i++) {
        Pos3 p{values[i], values[(i + 1) % n], values[(i + 5) % n]};
        object_add_new_vertex(object, &p);
    }
    Pos3 nan{std::nanf(""), 1.0f, 2.0f};
    object_add_new_vertex(object, &nan);
    Surface *surface = new_surface();
    for (int i = n; i >= 0; i--)
        surface_add_vertex(surface, zirka_object_get_vertex_at_index(object, i), 0, 0);
    object_add_surface(object, surface);
    add_undoable_world_add_object("exact", object);

    std::string path = temp_dir() + "/exact.obj";
    eval("host::save " + path);
    std::string first = read_file(path);
    EXPECT_EQ(first.substr(0, 30), "o exact\nv 0.1 1e-30 1e-40\nv 1e") << first;
    eval("host::reset; host::load " + path);
    Object *back = zirka_world_objects().at(0);
    ASSERT_EQ(zirka_object_vertex_count(back), n + 1);
    for (int i = 0; i <= n; i++) {
        const Pos3 *a = zirka_head_vertex_pos(zirka_object_get_vertex_at_index(back, i));
        SCOPED_TRACE(i);
        if (i == n) {
            EXPECT_TRUE(std::isnan(a->x));
            EXPECT_EQ(a->y, 1.0f);
            continue;
        }
        EXPECT_EQ(bits(a->x), bits(values[i]));
        EXPECT_EQ(bits(a->y), bits(values[(i + 1) % n]));
        EXPECT_EQ(bits(a->z), bits(values[(i + 5) % n]));
    }
    EXPECT_EQ(zirka_surface_vertex_indices(back, zirka_object_surfaces(back).at(0)).front(), n);
    // Writing what was read gives the same text.
    eval("host::save " + path);
    EXPECT_EQ(read_file(path), first);
}

TEST_F(ObjFiles, SaveWritesTheShortestTextOfEachFloat)
{
    std::string obj = write_file("tricky.obj", "o tricky\n"
                                               "v 0.1 -0 1e-45\n"
                                               "v 3.4028235e+38 0.33333334 16777217\n"
                                               "v 1e-40 123456.789 1e21\n"
                                               "v 100000000 -1.17549435e-38 2.5e-8\n"
                                               "f 1 2 3 4\n");
    eval("host::load " + obj);
    std::string out = temp_dir() + "/tricky_out.obj";
    eval("host::save " + out);
    EXPECT_EQ(read_file(out), "o tricky\n"
                              "v 0.1 -0 1e-45\n"
                              "v 3.4028235e+38 0.33333334 16777216\n"
                              "v 1e-40 123456.79 1e+21\n"
                              "v 1e+08 -1.1754944e-38 2.5e-08\n"
                              "f 1 2 3 4\n");
}

TEST_F(ObjFiles, SaveOfManyVerticesGoesThroughTheBufferWhole)
{
    // Far more text than the writer buffers at once; every line checked.
    std::string text = "o many\n";
    for (int i = 0; i < 40000; i++)
        text += "v " + std::to_string(i) + " -" + std::to_string(i) + ".5 0.25\n";
    for (int i = 1; i + 3 <= 40000; i += 3)
        text += "f " + std::to_string(i) + " " + std::to_string(i + 1) + " " + std::to_string(i + 2) + "\n";
    std::string obj = write_file("many.obj", text);
    eval("host::load " + obj);
    std::string out = temp_dir() + "/many_out.obj";
    eval("host::save " + out);
    EXPECT_TRUE(read_file(out) == text) << "the saved text differs from what was read";
}

// The reader takes the file in pieces of 1 MiB.
static const size_t piece = size_t(1) << 20;

TEST_F(ObjFiles, LinesAcrossAndLongerThanTheReadersPieces)
{
    std::string text = "o cut\n";
    // A comment that ends so that "v 1 2 3" straddles the first boundary.
    text += "#" + std::string(piece - text.size() - 1 - 4, '-') + "\n";
    text += "v 1 2 3\n";
    // A CRLF line whose \r ends the second piece and whose \n begins the third.
    text += "#" + std::string(2 * piece - text.size() - 10, '=') + "\n";
    text += "v 4 5 6\r\n";
    ASSERT_EQ(text[2 * piece - 1], '\r');
    // A line three pieces long.
    text += "# " + std::string(3 * piece, 'x') + "\n";
    text += "v 7 8 9\nl 1 2 3\n";
    std::string obj = write_file("cut.obj", text);
    EXPECT_EQ(eval("host::vertices [host::load " + obj + "]"), "{1.0 2.0 3.0} {4.0 5.0 6.0} {7.0 8.0 9.0}");
}

TEST_F(ObjFiles, ErrorsAfterLongLinesNameTheRightLine)
{
    std::string text = "o long name " + std::string(piece + 10, 'n') + "\n";
    for (int i = 0; i < 100000; i++)
        text += "v 0 0 " + std::to_string(i) + "\n";
    text += "v 1 2 three\n";
    std::string obj = write_file("long.obj", text);
    EXPECT_EQ(eval_error("host::load " + obj), obj + ":100002: bad number \"three\"");
    // The name is the rest of its line, however long.
    std::string named = write_file("named.obj", "o  spaced  name " + std::string(piece, 'n') + " \t\nv 0 0 0\n");
    EXPECT_EQ(eval("string length [dict get [host::info [host::load " + named + "]] name]"),
              std::to_string(std::string("spaced  name ").size() + piece));
}

TEST_F(ObjFiles, LastLineWithoutNewlineAndBlanksOfEveryKind)
{
    std::string obj = write_file("blanks.obj", "v\t1\v2\f3 \r\nv 4 5 6\r\rl 1 2");
    EXPECT_EQ(eval_error("host::load " + obj), obj + ":2: bad number \"l\"");
    obj = write_file("blanks2.obj", "v\t1\v2\f3 \r\nv 4 5 6\nl 1 2");
    std::string id = eval("host::load " + obj);
    EXPECT_EQ(eval("host::vertices " + id), "{1.0 2.0 3.0} {4.0 5.0 6.0}");
    EXPECT_EQ(eval("dict get [lindex [host::surfaces " + id + "] 0] vertices"), "0 1");
}

TEST_F(ObjFiles, VerticesAreConvertedExactly)
{
    std::string obj = write_file("tenth.obj", "v 0.1 -0 1e-45\n");
    // 0.1f is 0.100000001490116119384765625 exactly; Tcl shows the double.
    EXPECT_EQ(eval("host::vertices [host::load " + obj + "]"), "{0.10000000149011612 -0.0 1.401298464324817e-45}");
}

} // namespace
