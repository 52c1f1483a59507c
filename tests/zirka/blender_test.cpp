// A file as Blender's OBJ export writes it, one "l" element per edge, loaded
// and extruded with the real plug-in.
#include "zirka_fixture.h"

namespace {

using BlenderFiles = ZirkaTest;

TEST_F(BlenderFiles, PolylinesWrittenEdgeByEdgeExtrude)
{
    // A square outline and a path of three edges, each written edge by edge.
    std::string obj = write_file("blender.obj", "# Blender 3.6 OBJ File\n"
                                                "o Outline\n"
                                                "v 0 -1 -1\nv 0 1 -1\nv 0 1 1\nv 0 -1 1\n"
                                                "l 1 2\nl 2 3\nl 3 4\nl 4 1\n"
                                                "o Path\n"
                                                "v 0 0 0\nv 2 0 0\nv 2 2 0\nv 4 2 0\n"
                                                "l 5 6\nl 6 7\nl 7 8\n");
    eval("lassign [host::load " + obj + "] t p; host::select $t $p");
    std::string made = eval("kvx_extrude_along_path_scale 100");
    ASSERT_NE(made, "");
    EXPECT_EQ(eval("dict get [host::info " + made + "] vertices"), "16");
    EXPECT_EQ(eval("dict get [host::info " + made + "] surfaces"), "12");
    std::string out = temp_dir() + "/joined.obj";
    eval("host::save " + out + " $t $p");
    EXPECT_EQ(read_file(out), "o Outline\nv 0 -1 -1\nv 0 1 -1\nv 0 1 1\nv 0 -1 1\nl 1 2 3 4 1\n"
                              "o Path\nv 0 0 0\nv 2 0 0\nv 2 2 0\nv 4 2 0\nl 5 6 7 8\n");
}

} // namespace
