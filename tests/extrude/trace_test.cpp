// The trace lines of the command, with the trace switch on. The plug-in is
// built with it off, so these tests run the command's copy linked into the
// test on the same host.

#include "extrude_test.h"
#include "extrude_work.h"

namespace {

class TraceTest : public ExtrudeTest {
protected:
    std::string traced(const std::vector<Pos3> &tmpl, bool tmpl_closed, const std::vector<Pos3> &path,
                       bool path_closed, const char *amount)
    {
        select(place(tmpl, tmpl_closed, path, path_closed));
        const char *argv[] = {"kvx_extrude_along_path_scale", amount};
        kvx_debug = 1;
        RunRecord c = zirka_capture([&] { extrude_along_path(2, argv); });
        kvx_debug = 0;
        return c.err;
    }
};

TEST_F(TraceTest, WholeTraceOfARightAngle)
{
    std::string err = traced(kSquare, true, {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}}, false, "100");
    EXPECT_EQ(err,
              "extrude_along_path(): selection contains 2 objects\n"
              "kvx_vtx_list_from_surface1(): #000 : (0.000000,-1.000000,-1.000000)\n"
              "kvx_vtx_list_from_surface1(): #001 : (0.000000,1.000000,-1.000000)\n"
              "kvx_vtx_list_from_surface1(): #002 : (0.000000,1.000000,1.000000)\n"
              "kvx_vtx_list_from_surface1(): #003 : (0.000000,-1.000000,1.000000)\n"
              "\n"
              "kvx_vtx_list_from_surface1(): #000 : (0.000000,0.000000,0.000000)\n"
              "kvx_vtx_list_from_surface1(): #001 : (1.000000,0.000000,0.000000)\n"
              "kvx_vtx_list_from_surface1(): #002 : (1.000000,1.000000,0.000000)\n"
              "\n"
              "extrude_along_path(): tmpl is closed\n"
              "extrude_along_path(): path is open\n"
              // alignment
              "kvx_vtx_list_from_surface1(): #000 : (0.000000,-1.000000,-1.000000)\n"
              "kvx_vtx_list_from_surface1(): #001 : (0.000000,1.000000,-1.000000)\n"
              "kvx_vtx_list_from_surface1(): #002 : (0.000000,1.000000,1.000000)\n"
              "kvx_vtx_list_from_surface1(): #003 : (0.000000,-1.000000,1.000000)\n"
              "kvx_vtx_list_get_centre(): (0.000000,0.000000,0.000000)\n"
              "kvx_vtx_list_get_normal(): (1.000000,0.000000,0.000000)\n"
              "extrude_along_path(): template and first segment of path are aligned.\n"
              "extrude_along_path(): store the tmpl.\n"
              // the turn at (1, 0, 0)
              "extrude_along_path(): PP is (1.000000,0.000000,0.000000).\n"
              "extrude_along_path(): rotate around (0.000000,0.000000,1.000000).\n"
              "extrude_along_path(): rotating with center (1.000000,0.000000,0.000000) with S=0.000000e+00\n"
              "extrude_along_path(): intersect, store and advance.\n");
}

TEST_F(TraceTest, StraightStretchIsStoredWithoutATurn)
{
    std::string err = traced(kSquare, true, kPath, false, "50");
    EXPECT_NE(err.find("extrude_along_path(): PP is (1.000000,0.000000,0.000000).\n"
                       "extrude_along_path(): store vl3 and advance.\n"),
              std::string::npos)
        << err;
    EXPECT_EQ(err.find("rotate around"), std::string::npos);
}

TEST_F(TraceTest, ClosedPathStoresNoTemplateRingAndTurnsAtEveryCorner)
{
    std::string err = traced(kSquare, true, {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}}, true, "50");
    EXPECT_NE(err.find("extrude_along_path(): path is closed\n"), std::string::npos);
    EXPECT_EQ(err.find("store the tmpl."), std::string::npos);
    size_t turns = 0;
    for (size_t at = 0; (at = err.find("intersect, store and advance.", at)) != std::string::npos; at++)
        turns++;
    EXPECT_EQ(turns, 4u);
}

TEST_F(TraceTest, TemplateTurnedToTheFirstSegment)
{
    // Normal +x, first segment +y: a quarter turn about +z. The angle is
    // printed with a factor slightly below 180/pi.
    std::string err = traced(kSquare, true, {{0, 0, 0}, {0, 1, 0}, {0, 2, 0}}, false, "100");
    EXPECT_NE(err.find("extrude_along_path(): rotating with center (0.000000,0.000000,0.000000) with S=0.000000e+00\n"
                       "extrude_along_path(): aligning template with first segment of path axis  "
                       "(0.000000,0.000000,1.000000) angle 89.999997.\n"),
              std::string::npos)
        << err;
}

TEST_F(TraceTest, DiagonalStraightStretchIsTracedAsATurn)
{
    std::string err = traced(kSquare, true, {{0, 0, 0}, {1, 1, 0}, {2, 2, 0}}, false, "100");
    EXPECT_NE(err.find("extrude_along_path(): rotate around (0.000000,0.000000,0.000000).\n"), std::string::npos)
        << err;
}

TEST_F(TraceTest, SwitchOffWritesOnlyTheBareNewlines)
{
    select(place(kSquare, true, {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}}, false));
    const char *argv[] = {"kvx_extrude_along_path_scale", "100"};
    RunRecord c = zirka_capture([&] { extrude_along_path(2, argv); });
    EXPECT_EQ(c.err, "\n\n");
}

} // namespace
