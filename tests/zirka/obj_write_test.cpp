// obj_write_test.cpp -- host::save: each surface kind, the shortest text of
// each float, the bit-exact round trip through host::load, and a save that
// replaces its target whole.
#include "zirka_fixture.h"

#include <cstring>
#include <filesystem>
#include <limits>

namespace {

class ObjSaving : public ZirkaTest {};

// Texture coordinates are kept through a load and a save: a "vt" per entry
// and "f v/vt" for an object that has any other than 0, 0; an object whose
// entries all hold 0, 0 or -0 is written without them.
TEST_F(ObjSaving, TextureCoordinatesAreKept)
{
    struct Case {
        const char *name, *in, *uv, *out;
    } cases[] = {
        {"quad", "v 0 0 0\nv 1 0 0\nv 1 1 0\nvt 0.25 0.5\nvt 1 -0\nvt 0x1p-149\nf 1/1 2/2 3/3\n",
         "{0.25 0.5} {1.0 -0.0} {1.401298464324817e-45 0.0}",
         "o quad\nv 0 0 0\nv 1 0 0\nv 1 1 0\nvt 0.25 0.5\nvt 1 -0\nvt 1e-45 0\nf 1/1 2/2 3/3\n"},
        {"closed line", "v 0 0 0\nv 1 0 0\nv 1 1 0\nvt 0.5 0\nvt 1 1\nl 1/1 2/2 3/1 1/1\nl 1 2\n",
         "{0.5 0.0} {1.0 1.0} {0.5 0.0}",
         "o closed line\nv 0 0 0\nv 1 0 0\nv 1 1 0\nvt 0.5 0\nvt 1 1\nvt 0.5 0\nvt 0 0\nvt 0 0\n"
         "l 1/1 2/2 3/3 1/1\nl 1/4 2/5\n"},
        {"zeros", "v 0 0 0\nv 1 0 0\nv 1 1 0\nvt -0 0\nvt 0\nf 1/1 2/2 3/-1\n", "{-0.0 0.0} {0.0 0.0} {0.0 0.0}",
         "o zeros\nv 0 0 0\nv 1 0 0\nv 1 1 0\nf 1 2 3\n"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        eval("host::reset");
        std::string in = write_file(std::string(c.name) + ".obj", c.in), out = temp_dir() + "/out.obj";
        eval("set id [host::load {" + in + "}]");
        EXPECT_EQ(eval("dict get [lindex [host::surfaces $id] 0] uv"), c.uv);
        EXPECT_EQ(eval("host::save " + out), "");
        EXPECT_EQ(read_file(out), c.out);
    }
}

TEST_F(ObjSaving, SaveWritesEachSurfaceKind)
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

TEST_F(ObjSaving, SavedFloatsLoadBackBitExactly)
{
    // Values whose decimal text is not exact, extremes, denormals, -0.0.
    // (Infinities and not-a-numbers are written, but never read: see below.)
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
                            123456.789f};
    const int n = sizeof values / sizeof values[0];
    Object *object = new_object(ZIRKA_OBJECT_NORMAL);
    zirka_object_set_name(object, "exact");
    for (int i = 0; i < n; i++) {
        Pos3 p{values[i], values[(i + 1) % n], values[(i + 5) % n]};
        object_add_new_vertex(object, &p);
    }
    Pos3 last{-1e-45f, 1.0f, 2.0f};
    object_add_new_vertex(object, &last);
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
            EXPECT_EQ(bits(a->x), 0x80000001u);
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

TEST_F(ObjSaving, NonFiniteCoordinatesAreSavedButRefusedOnLoad)
{
    Object *object = new_object(ZIRKA_OBJECT_NORMAL);
    zirka_object_set_name(object, "odd");
    Pos3 p{1.0f, std::numeric_limits<float>::infinity(), 2.0f};
    object_add_new_vertex(object, &p);
    add_undoable_world_add_object("odd", object);
    std::string path = temp_dir() + "/odd.obj";
    eval("host::save " + path);
    EXPECT_EQ(read_file(path), "o odd\nv 1 inf 2\n");
    EXPECT_EQ(eval_error("host::load " + path), path + ":2: number \"inf\" is not finite");
}

// A save writes a file beside the target and renames it over the target
// once it is whole: the target keeps its permissions, a symbolic link stays
// one, and a save that cannot be done leaves no file behind.
TEST_F(ObjSaving, SaveReplacesTheTargetWhole)
{
    namespace fs = std::filesystem;
    eval("host::load " + write_file("in.obj", "o dot\nv 1 2 3\nl 1\n"));
    std::string target = write_file("out/kept.obj", "old\n");
    fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    fs::create_symlink("kept.obj", temp_dir() + "/out/link.obj");
    eval("host::save " + temp_dir() + "/out/link.obj");
    EXPECT_TRUE(fs::is_symlink(temp_dir() + "/out/link.obj"));
    EXPECT_EQ(read_file(target), "o dot\nv 1 2 3\nl 1\n");
    EXPECT_EQ(fs::status(target).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    int files = 0;
    for (const auto &entry : fs::directory_iterator(temp_dir() + "/out"))
        files += entry.path().filename().u8string()[0] == '.' ? 100 : 1;
    EXPECT_EQ(files, 2) << "the file and the link, and no temporary file";

    std::string nowhere = temp_dir() + "/missing/out.obj";
    EXPECT_EQ(eval_error("host::save " + nowhere),
              "cannot write \"" + nowhere + "\": cannot make a file beside it: No such file or directory");
    std::string folder = temp_dir() + "/out";
    EXPECT_EQ(eval_error("host::save " + folder), "cannot write \"" + folder + "\": Is a directory");
    EXPECT_EQ(std::distance(fs::directory_iterator(temp_dir() + "/out"), fs::directory_iterator()), 2);
}

TEST_F(ObjSaving, SaveWritesTheShortestTextOfEachFloat)
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

TEST_F(ObjSaving, SaveOfManyVerticesGoesThroughEveryPieceInOrder)
{
    // The writer formats pieces of about 1 MiB, on two cores from 8 MiB of
    // text on: 200,000 vertices, a polyline of 65,535 (a piece of its own,
    // longer than the rest) and a second object after them. Every line checked.
    std::string text = "o many\n";
    for (int i = 0; i < 200000; i++) // (not 100000: its shortest text is 1e+05)
        text += "v " + std::to_string(i) + ".5 -" + std::to_string(i) + ".25 0.25\n";
    for (int i = 1; i + 3 <= 100000; i += 3)
        text += "f " + std::to_string(i) + " " + std::to_string(i + 1) + " " + std::to_string(i + 2) + "\n";
    text += "l";
    for (int i = 1; i <= 65535; i++)
        text += " " + std::to_string(i + 100000);
    text += "\n";
    for (int i = 100001; i + 3 <= 200000; i += 3)
        text += "f " + std::to_string(i) + " " + std::to_string(i + 1) + " " + std::to_string(i + 2) + "\n";
    text += "o few\nv 1 2 3\nv 4 5 6\nv 7 8 9\nf 200001 200002 200003\n";
    ASSERT_GT(text.size(), size_t(6) << 20);
    std::string obj = write_file("many.obj", text);
    eval("host::load " + obj);
    std::string out = temp_dir() + "/many_out.obj";
    eval("host::save " + out);
    EXPECT_TRUE(read_file(out) == text) << "the saved text differs from what was read";
}

} // namespace
