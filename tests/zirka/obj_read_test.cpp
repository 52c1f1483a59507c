// obj_read_test.cpp -- host::load: each OBJ element kind, index forms,
// numbers, line ends, long lines and malformed files.
#include "zirka_fixture.h"

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

TEST_F(ObjFiles, EveryIndexFormNamesItsVertex)
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

// Nothing to load: no object, no undo step, no id used up, and a message.
TEST_F(ObjFiles, FileWithoutVerticesIsNothingToLoad)
{
    std::string probe = write_file("probe.obj", "v 0 0 0\n");
    const int next = std::stoi(eval("host::load " + probe)) + 1;
    eval("host::reset");
    for (const std::string &text : {std::string(), std::string("# nothing\n"), std::string("o a\no b\nvt 0 0\n\r\n")}) {
        SCOPED_TRACE(text);
        std::string obj = write_file("empty.obj", text);
        RunRecord run = zirka_capture_eval("host::load " + obj);
        EXPECT_EQ(run.code, TCL_OK) << run.result;
        EXPECT_EQ(run.result, "");
        EXPECT_EQ(run.out, obj + ": nothing to load, the file holds no vertices\n");
        EXPECT_EQ(eval("list [host::objects] [host::history]"), "{} {}");
        EXPECT_EQ(eval("host::messages"), "{" + obj + ": nothing to load, the file holds no vertices}");
        eval("host::messages clear");
    }
    EXPECT_EQ(eval("host::load " + probe), std::to_string(next));
}

// Every "o x" line alone costs nothing: an object without vertices is not made.
TEST_F(ObjFiles, ObjectsWithoutVerticesAreNotMade)
{
    std::string text;
    for (int i = 0; i < 1000; i++)
        text += "o x\n";
    text += "o kept\nv 1 2 3\no x\no y\n";
    std::string obj = write_file("names.obj", text);
    std::string id = eval("host::load " + obj);
    EXPECT_EQ(eval("llength [host::objects]"), "1");
    EXPECT_EQ(eval("dict get [host::info " + id + "] name"), "kept");
    // The leading object, named after the file, is not made either when it is empty.
    obj = write_file("lead.obj", "# header\no first\nv 0 0 0\n");
    EXPECT_EQ(eval("dict get [host::info [host::load " + obj + "]] name"), "first");
}

TEST_F(ObjFiles, IgnoredStatementsAreReadPast)
{
    std::string obj = write_file("dos.obj",
                                 "mtllib a.mtl\r\no a b\r\ng group\r\ns off\r\nusemtl m\r\n"
                                 "v 1 2 3\r\nvp 0.5\r\nl 1\r\n");
    EXPECT_EQ(eval("set id [host::load " + obj + "]; dict get [host::info $id] name"), "a b");
    EXPECT_EQ(eval("host::vertices $id"), "{1.0 2.0 3.0}");
}

// "\n", "\r\n" and a lone "\r" each end one line, however they mix.
TEST_F(ObjFiles, EveryKindOfLineEndEndsOneLine)
{
    std::string obj = write_file("mac.obj", "o classic\rv 1 2 3\rv 4 5 6\r\rl 1 2\r");
    EXPECT_EQ(eval("set id [host::load " + obj + "]; dict get [host::info $id] name"), "classic");
    EXPECT_EQ(eval("host::vertices $id"), "{1.0 2.0 3.0} {4.0 5.0 6.0}");
    // The line numbers of errors count each line end once.
    obj = write_file("mixed.obj", "v 0 0 0\r\nv 1 0 0\rv 2 0 0\n\r\n\rv x 0 0\n");
    EXPECT_EQ(eval_error("host::load " + obj), obj + ":6: bad number \"x\"");
}

// A "#" that begins a word comments out the rest of the line, after any
// statement; inside a word it is an ordinary character.
TEST_F(ObjFiles, CommentsEndAnyLine)
{
    std::string obj = write_file("comments.obj", "o part#2 # the second part\n"
                                                 "v 1 2 3 # top\n"
                                                 "v 4 5 6#not\n");
    EXPECT_EQ(eval_error("host::load " + obj), obj + ":3: bad number \"6#not\"");
    obj = write_file("comments.obj", "o part#2 # the second part\n"
                                     "v 1 2 3 # top\n"
                                     "v 4 5 6\t#\n"
                                     "l 1 -1 #  l 1 2 3\n");
    EXPECT_EQ(eval("set id [host::load " + obj + "]; dict get [host::info $id] name"), "part#2");
    EXPECT_EQ(eval("host::vertices $id"), "{1.0 2.0 3.0} {4.0 5.0 6.0}");
    EXPECT_EQ(eval("dict get [lindex [host::surfaces $id] 0] vertices"), "0 1");
}

// The grammar of strtof, rounded correctly; what strtof reads as infinite
// or not a number is refused.
TEST_F(ObjFiles, NumbersReadAsStrtofReadsThem)
{
    std::string obj = write_file("numbers.obj", "v +1.5 -.25 3.\n"
                                                "v 1E3 2e+2 -5e-1\n"
                                                "v 0x1.8p1 -0X10 0x.8P-2\n"
                                                "v 1e-45 1e-50 -1e-50\n"
                                                "v 0x1p-200 3.4028235e38 00012\n");
    std::string id = eval("host::load " + obj);
    EXPECT_EQ(eval("host::vertices " + id),
              "{1.5 -0.25 3.0} {1000.0 200.0 -0.5} {3.0 -16.0 0.125} "
              "{1.401298464324817e-45 0.0 -0.0} {0.0 3.4028234663852886e+38 12.0}");
    eval("host::reset");
    struct Case {
        const char *number, *message;
    } refused[] = {
        {"+-1", "bad number \"+-1\""},
        {"1e", "bad number \"1e\""},
        {"1,5", "bad number \"1,5\""},
        {"0x", "bad number \"0x\""},
        {"--1", "bad number \"--1\""},
        {"1e39", "number \"1e39\" out of range for a float"},
        {"-0x1p128", "number \"-0x1p128\" out of range for a float"},
        {"inf", "number \"inf\" is not finite"},
        {"-Infinity", "number \"-Infinity\" is not finite"},
        {"NaN", "number \"NaN\" is not finite"},
        {"nan(123)", "number \"nan(123)\" is not finite"},
        {"info", "bad number \"info\""},
    };
    for (const Case &c : refused) {
        SCOPED_TRACE(c.number);
        obj = write_file("refused.obj", std::string("v 0 0 0\nv 1 ") + c.number + " 2\n");
        EXPECT_EQ(eval_error("host::load " + obj), obj + ":2: " + c.message);
    }
    // A w or an r g b colour after x y z is read past, but checked too.
    obj = write_file("colour.obj", "v 1 2 3 1\nv 4 5 6 0.1 0.2 0.3\n");
    EXPECT_EQ(eval("host::vertices [host::load " + obj + "]"), "{1.0 2.0 3.0} {4.0 5.0 6.0}");
    eval("host::reset");
    obj = write_file("colour.obj", "v 1 2 3 0.5 nan 1\n");
    EXPECT_EQ(eval_error("host::load " + obj), obj + ":1: number \"nan\" is not finite");
    EXPECT_EQ(eval("host::objects"), "");
}

// i, i/t, i//n and i/t/n, each part a whole number other than 0.
TEST_F(ObjFiles, IndexReferencesAreWholeNumbers)
{
    std::string vertices = "v 0 0 0\nv 1 0 0\nv 1 1 0\n";
    std::string obj = write_file("refs.obj", vertices + "f +1/+1/-1 2//7 -1/3\n");
    EXPECT_EQ(eval("dict get [lindex [host::surfaces [host::load " + obj + "]] 0] vertices"), "0 1 2");
    eval("host::reset");
    for (const char *ref : {"1/x", "1/", "1//", "1/2/3/4", "x/1", "1/0", "1//0", "/1", "1.0", "1e0", "+-1"}) {
        SCOPED_TRACE(ref);
        obj = write_file("bad_ref.obj", vertices + "f 1 2 " + ref + "\n");
        EXPECT_EQ(eval_error("host::load " + obj), obj + ":4: bad index \"" + ref + "\"");
    }
    obj = write_file("huge.obj", vertices + "l 1 99999999999999999999999\n");
    EXPECT_EQ(eval_error("host::load " + obj), obj + ":4: index 99999999999999999999999 out of range");
    EXPECT_EQ(eval("host::objects"), "");
}

// A line of more than 4 MiB is refused with its number, whatever it holds;
// so is a file without line ends, after its first 4 MiB.
TEST_F(ObjFiles, LinesLongerThanTheLimitAreRefused)
{
    const size_t limit = size_t(4) << 20;
    std::string text = "v 0 0 0\n# " + std::string(limit - 2, '-') + "\r\n";
    text += "#" + std::string(limit, '=') + "\n";
    std::string obj = write_file("long.obj", text);
    EXPECT_EQ(eval_error("host::load " + obj), obj + ":3: line longer than 4194304 bytes");
    EXPECT_EQ(eval_error("host::load /dev/zero"), "/dev/zero:0: cannot open: not a regular file (a device, a FIFO or a socket)");
    EXPECT_EQ(eval("list [host::objects] [host::history]"), "{} {}");
}

// A directory, a file that cannot be opened and one that cannot be read are
// each an error with the file and the cause, not an empty file.
TEST_F(ObjFiles, FilesThatCannotBeReadAreErrors)
{
    write_file("folder.obj/inside.txt", "");
    std::string folder = temp_dir() + "/folder.obj";
    EXPECT_EQ(eval_error("host::load " + folder), folder + ":0: cannot open: Is a directory");
    EXPECT_EQ(eval_error("host::load /proc/self/mem"), "/proc/self/mem:1: cannot read: Input/output error");
    EXPECT_EQ(eval("list [host::objects] [host::history]"), "{} {}");
}

// Each malformed file names itself and its line, and adds nothing.
TEST_F(ObjFiles, MalformedFilesAreRefusedAtTheirLine)
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

// Blender writes a polyline as one "l a b" per edge, in any order.
TEST_F(ObjFiles, TwoPointLinesOfOneChainBecomeOnePolyline)
{
    const std::string points = "v 0 0 0\nv 1 0 0\nv 2 0 0\nv 3 1 0\n";
    struct Case {
        const char *lines, *type_and_vertices;
    } cases[] = {
        {"l 2 3\nl 1 2\nl 3 4\n", "2 {0 1 2 3}"},       // open, in the direction of its first edge
        {"l 3 2\nl 1 2\nl 4 3\n", "2 {3 2 1 0}"},
        {"l 1 2\nl 2 3\nl 3 4\nl 4 1\n", "1 {0 1 2 3}"}, // closed
        {"l 2 1\nl 3 4\nl 1 4\nl 2 3\n", "1 {1 0 3 2}"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.lines);
        eval("host::reset");
        std::string id = eval("host::load " + write_file("edges.obj", "o path\n" + points + c.lines));
        EXPECT_EQ(eval("set out {}; foreach s [host::surfaces " + id +
                       "] { lappend out [dict get $s type] [dict get $s vertices] }; set out"),
                  c.type_and_vertices);
    }
}

// Two-point lines that make no one polyline are refused, saying what they
// make and what the operation needs.
TEST_F(ObjFiles, TwoPointLinesThatMakeNoOnePolylineAreRefused)
{
    const std::string points = "o star\nv 0 0 0\nv 1 0 0\nv 2 0 0\nv 3 1 0\n";
    struct Case {
        const char *lines, *message;
    } cases[] = {
        {"l 1 2\nl 2 3\nl 2 4\n",
         ":8: object \"star\": its 3 two-point lines branch at vertex 2; "
         "extruding along a path needs one line or polyline per object"},
        {"l 1 2\nl 3 4\n",
         ":7: object \"star\": its 2 two-point lines make 2 separate polylines; "
         "extruding along a path needs one line or polyline per object"},
        {"l 1 2\nl 2 3\nf 1 2 3\n",
         ":8: object \"star\": its 2 two-point lines lie beside 1 other element; "
         "extruding along a path needs one line or polyline per object"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.lines);
        std::string obj = write_file("edges.obj", points + c.lines);
        EXPECT_EQ(eval_error("host::load " + obj), obj + c.message);
        EXPECT_EQ(eval("host::objects"), "");
    }
}

// The reader takes the file in pieces of 1 MiB.
static const size_t piece = size_t(1) << 20;

TEST_F(ObjFiles, LinesSpanningTheReadersPiecesAreRead)
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

TEST_F(ObjFiles, LastLineWithoutLineEndIsRead)
{
    std::string obj = write_file("blanks.obj", "v\t1\v2\f3 \r\nv 4 5 6\r\rl 1 2 x");
    EXPECT_EQ(eval_error("host::load " + obj), obj + ":4: bad index \"x\"");
    obj = write_file("blanks2.obj", "v\t1\v2\f3 \r\nv 4 5 6\nl 1 2");
    EXPECT_EQ(eval("dict get [lindex [host::surfaces [host::load " + obj + "]] 0] vertices"), "0 1");
}

TEST_F(ObjFiles, BlanksOfEveryKindSeparateWords)
{
    std::string obj = write_file("blanks2.obj", "v\t1\v2\f3 \r\nv 4 5 6\nl 1 2");
    EXPECT_EQ(eval("host::vertices [host::load " + obj + "]"), "{1.0 2.0 3.0} {4.0 5.0 6.0}");
}

TEST_F(ObjFiles, VerticesAreConvertedExactly)
{
    std::string obj = write_file("tenth.obj", "v 0.1 -0 1e-45\n");
    // 0.1f is 0.100000001490116119384765625 exactly; Tcl shows the double.
    EXPECT_EQ(eval("host::vertices [host::load " + obj + "]"), "{0.10000000149011612 -0.0 1.401298464324817e-45}");
}

} // namespace
