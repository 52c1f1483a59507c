// render_test.cpp -- host::render without any display: a unit cube seen from
// the named views, front and back faces, sizes, fitting, and its errors.
#include "tcl_values.h"
#include "zirka_fixture.h"
#include "zirka_tcl.h"

#include <png.h>

#include <cstdio>
#include <cstdlib>
#include <unistd.h>

// The pictures must come without an X server: forget any there is.
static const bool no_display = (unsetenv("DISPLAY"), unsetenv("WAYLAND_DISPLAY"), true);

namespace {
struct Picture {
    int width = 0, height = 0;
    std::vector<uint8_t> rgba;
    // The pixel at column x, row y (0, 0 the top left corner) as "r g b".
    std::string at(int x, int y) const
    {
        if (x < 0 || y < 0 || x >= width || y >= height)
            return "outside";
        const uint8_t *p = &rgba[(size_t(y) * width + x) * 4];
        return std::to_string(p[0]) + " " + std::to_string(p[1]) + " " + std::to_string(p[2]);
    }
};

Picture read_png(const std::string &path)
{
    Picture picture;
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) {
        ADD_FAILURE() << path << ": " << image.message;
        return picture;
    }
    image.format = PNG_FORMAT_RGBA;
    picture.width = static_cast<int>(image.width);
    picture.height = static_cast<int>(image.height);
    picture.rgba.resize(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, picture.rgba.data(), 0, nullptr))
        ADD_FAILURE() << path << ": " << image.message;
    return picture;
}

// Whether "r g b" is within tolerance of want in each channel: the
// rasteriser may round a shade by a unit or two.
::testing::AssertionResult near_colour(const std::string &got, int r, int g, int b)
{
    int c[3];
    if (std::sscanf(got.c_str(), "%d %d %d", &c[0], &c[1], &c[2]) == 3 && std::abs(c[0] - r) <= 2 &&
        std::abs(c[1] - g) <= 2 && std::abs(c[2] - b) <= 2)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "got {" << got << "}, want about {" << r << " " << g << " " << b << "}";
}

/*
 * The unit cube, corners 0 and 1, every face counter-clockwise seen from
 * outside (reversed: clockwise, facing inward).
 *
 *        8-------7
 *       /|      /|      y
 *      4-------3 |      |
 *      | 5-----|-6      +-- x
 *      |/      |/      /
 *      1-------2      z
 */
// first: the OBJ index of the cube's vertex 1 (OBJ counts across objects).
std::string cube(const std::string &name, float dz, bool reversed, int first = 1)
{
    std::string obj = "o " + name + "\n";
    const char *corners[8] = {"0 0 0", "1 0 0", "1 1 0", "0 1 0", "0 0 1", "1 0 1", "1 1 1", "0 1 1"};
    for (const char *c : corners) {
        float x, y, z;
        std::sscanf(c, "%f %f %f", &x, &y, &z);
        obj += "v " + std::to_string(x) + " " + std::to_string(y) + " " + std::to_string(z + dz) + "\n";
    }
    const char *faces[6] = {"5 6 7 8", "1 4 3 2", "1 5 8 4", "2 3 7 6", "1 2 6 5", "4 8 7 3"};
    const char *reversed_faces[6] = {"8 7 6 5", "2 3 4 1", "4 8 5 1", "6 7 3 2", "5 6 2 1", "3 7 8 4"};
    for (int i = 0; i < 6; i++) {
        int a, b, c, d;
        std::sscanf(reversed ? reversed_faces[i] : faces[i], "%d %d %d %d", &a, &b, &c, &d);
        obj += "f";
        for (int k : {a, b, c, d})
            obj += " " + std::to_string(k + first - 1);
        obj += "\n";
    }
    return obj;
}

// Colours as drawn: the background, and the faces facing the eye squarely
// (lit at 0.25 + 0.75 * 0.8422, the light being 32.6 degrees off the eye).
const int background[3] = {236, 239, 243};
const int front_face[3] = {124, 153, 191};
const int back_face[3] = {193, 76, 61};
} // namespace

class RenderTest : public ZirkaTest {
protected:
    // Loads obj, renders it with options; returns the picture.
    Picture render(const std::string &obj, const std::string &options)
    {
        eval("host::load " + write_file("scene.obj", obj));
        std::string png = temp_dir() + "/picture.png";
        eval("host::render " + png + " " + options);
        return read_png(png);
    }
};

TEST_F(RenderTest, FrontViewOfACubeShowsItsFrontFaceOnTheBackground)
{
    Picture p = render(cube("cube", 0, false), "-view front -size 64x48");
    ASSERT_EQ(p.width, 64);
    ASSERT_EQ(p.height, 48);
    for (auto [x, y] : {std::pair{0, 0}, {63, 0}, {0, 47}, {63, 47}})
        EXPECT_TRUE(near_colour(p.at(x, y), background[0], background[1], background[2])) << x << "," << y;
    EXPECT_TRUE(near_colour(p.at(32, 24), front_face[0], front_face[1], front_face[2]));
    // Fitted: 90 % of the height, so rows 2 and 45 are cube, rows 1 and 46 not.
    EXPECT_TRUE(near_colour(p.at(32, 3), front_face[0], front_face[1], front_face[2]));
    EXPECT_TRUE(near_colour(p.at(32, 44), front_face[0], front_face[1], front_face[2]));
    EXPECT_TRUE(near_colour(p.at(32, 1), background[0], background[1], background[2]));
    EXPECT_TRUE(near_colour(p.at(32, 46), background[0], background[1], background[2]));
}

// The offscreen context goes with the command: a new host::render makes its own.
TEST_F(RenderTest, RenderCommandMadeAgainDraws)
{
    eval("rename ::host::render {}");
    ASSERT_EQ(zirka_tcl_render_command(interp()), TCL_OK);
    ASSERT_EQ(zirka_tcl_guard_command(interp(), "::host::render"), TCL_OK);
    Picture p = render(cube("cube", 0, false), "-view front -size 64x48");
    EXPECT_TRUE(near_colour(p.at(32, 24), 124, 153, 191));
}

TEST_F(RenderTest, FacesTurnedInwardShowTheBackColour)
{
    Picture p = render(cube("inward", 0, true), "-view front -size 40");
    ASSERT_EQ(p.width, 40);
    ASSERT_EQ(p.height, 40);
    EXPECT_TRUE(near_colour(p.at(20, 20), back_face[0], back_face[1], back_face[2]));
    EXPECT_TRUE(near_colour(p.at(0, 0), background[0], background[1], background[2]));
}

// Whether the pixel is a front face (blue over red) rather than a back face.
bool bluish(const std::string &rgb)
{
    int r = 0, g = 0, b = 0;
    std::sscanf(rgb.c_str(), "%d %d %d", &r, &g, &b);
    return b > r;
}

// A second cube, 2 units towards +z and turned inside out so that it shows
// red: the named views see each cube where they should.
TEST_F(RenderTest, ViewsLookFromTheirSide)
{
    std::string scene = cube("first", 0, false) + cube("second", 2, true, 9);
    struct {
        const char *view;
        int first_x, first_y;   // a pixel on the cube at z 0 .. 1
        int second_x, second_y; // a pixel on the cube at z 2 .. 3
    } const views[] = {
        {"top", 50, 20, 50, 80},  // +z at the bottom
        {"side", 80, 50, 20, 50}, // +z on the left
    };
    for (const auto &v : views) {
        zirka_reset();
        Picture p = render(scene, std::string("-size 100 -style shaded -view ") + v.view);
        EXPECT_TRUE(bluish(p.at(v.first_x, v.first_y))) << v.view << ": " << p.at(v.first_x, v.first_y);
        EXPECT_FALSE(bluish(p.at(v.second_x, v.second_y))) << v.view << ": " << p.at(v.second_x, v.second_y);
        EXPECT_TRUE(near_colour(p.at(50, 50), background[0], background[1], background[2])) << v.view;
    }
    // From the front (+z) the second cube hides the first.
    zirka_reset();
    Picture front = render(scene, "-size 100 -view front");
    EXPECT_TRUE(near_colour(front.at(50, 50), back_face[0], back_face[1], back_face[2]));
}

TEST_F(RenderTest, GivenObjectsAreTheOnesFitted)
{
    std::string scene = cube("first", 0, false) + cube("second", 2, false, 9);
    // The world from the side: the gap between the cubes is in the middle.
    Picture world = render(scene, "-view side -size 60");
    EXPECT_TRUE(near_colour(world.at(30, 30), background[0], background[1], background[2]));
    zirka_reset();
    std::string ids = eval("host::load " + write_file("two.obj", scene));
    std::string png = temp_dir() + "/one.png";
    eval("host::render " + png + " -view side -size 60 -objects " + ids.substr(0, ids.find(' ')));
    Picture one = read_png(png);
    EXPECT_FALSE(near_colour(one.at(30, 30), background[0], background[1], background[2]));
}

// A square swept along a straight path: a box whose vertex normals lie
// halfway between two sides. Each side is shaded flat all across.
TEST_F(RenderTest, SidesOfASweptBoxAreFlat)
{
    std::string obj = "o square\nv -1 -1 0\nv 1 -1 0\nv 1 1 0\nv -1 1 0\nf 1 2 3 4\n"
                      "o path\nv 0 0 0\nv 0 0 -2\nv 0 0 -4\nl 5 6 7\n";
    eval("host::select [host::load " + write_file("box.obj", obj) + "]");
    std::string png = temp_dir() + "/box.png";
    eval("host::render " + png + " -objects [kvx_extrude_along_path_scale 100] -size 100 -style shaded");
    Picture p = read_png(png);
    EXPECT_TRUE(near_colour(p.at(40, 40), 191, 76, 60));
    EXPECT_TRUE(near_colour(p.at(70, 35), 191, 76, 60));
}

// Pictures large enough carry the key to the face colours, lower right.
TEST_F(RenderTest, KeyShowsTheFaceColours)
{
    Picture p = render(cube("cube", 0, false), "-size 400x300");
    EXPECT_TRUE(near_colour(p.at(292, 288), front_face[0], front_face[1], front_face[2]));
    EXPECT_TRUE(near_colour(p.at(348, 288), back_face[0], back_face[1], back_face[2]));
}

TEST_F(RenderTest, IsoViewShowsThreeFacesInThreeShades)
{
    Picture p = render(cube("cube", 0, false), "-size 90 -style shaded");
    // Top face above the middle, the +x face to the right, the +z face to the left.
    std::string top = p.at(45, 25), right = p.at(60, 55), left = p.at(30, 55);
    EXPECT_NE(top, right);
    EXPECT_NE(top, left);
    EXPECT_NE(left, right);
    for (const std::string &c : {top, right, left})
        EXPECT_FALSE(near_colour(c, background[0], background[1], background[2]));
}

// A U of 8 corners, 3 x 3, facing +z: its notch (x 1 .. 2, y 1 .. 3) stays
// empty, where a fan from its first corner would cover it.
TEST_F(RenderTest, ConcaveFaceLeavesItsNotchOpen)
{
    Picture p = render("v 0 0 0\nv 3 0 0\nv 3 3 0\nv 2 3 0\nv 2 1 0\nv 1 1 0\nv 1 3 0\nv 0 3 0\nf 1 2 3 4 5 6 7 8\n",
                       "-view front -size 64 -style shaded");
    EXPECT_TRUE(near_colour(p.at(37, 11), background[0], background[1], background[2]));
    EXPECT_TRUE(near_colour(p.at(48, 11), front_face[0], front_face[1], front_face[2]));
    EXPECT_TRUE(near_colour(p.at(32, 48), front_face[0], front_face[1], front_face[2]));
}

// A square with texture coordinates 0 .. 1: 8 x 8 squares, every other one darker.
TEST_F(RenderTest, CheckerTextureDarkensEveryOtherSquare)
{
    Picture p = render("v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nvt 0 0\nvt 1 0\nvt 1 1\nvt 0 1\nf 1/1 2/2 3/3 4/4\n",
                       "-view front -size 64 -style shaded -texture checker");
    // Squares 7.2 pixels wide from x 3.2, y 60.8 up.
    EXPECT_TRUE(near_colour(p.at(6, 57), front_face[0], front_face[1], front_face[2]));
    EXPECT_TRUE(near_colour(p.at(14, 57), 56, 69, 86));
    EXPECT_TRUE(near_colour(p.at(14, 50), front_face[0], front_face[1], front_face[2]));
}

TEST_F(RenderTest, TextureNoneLeavesFacesPlain)
{
    Picture p = render("v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nvt 0 0\nvt 1 0\nvt 1 1\nvt 0 1\nf 1/1 2/2 3/3 4/4\n",
                       "-view front -size 64 -style shaded -texture none");
    EXPECT_TRUE(near_colour(p.at(14, 57), front_face[0], front_face[1], front_face[2]));
}

// The selection's first object is drawn 45 % of the way to orange
// (-selection 1 only); wireframe leaves the faces out; the axes stand in
// the lower left corner.
TEST_F(RenderTest, OptionsChangeWhatIsDrawn)
{
    std::string id = eval("host::load " + write_file("cube.obj", cube("cube", 0, false)));
    eval("host::select " + id);
    std::string png = temp_dir() + "/options.png";
    eval("host::render " + png + " -view front -size 60");
    EXPECT_TRUE(near_colour(read_png(png).at(30, 30), front_face[0], front_face[1], front_face[2]));
    eval("host::render " + png + " -view front -size 60 -selection 1");
    EXPECT_TRUE(near_colour(read_png(png).at(30, 30), 154, 144, 141));
    eval("host::render " + png + " -view front -size 60 -style wireframe");
    Picture wire = read_png(png);
    EXPECT_TRUE(near_colour(wire.at(30, 30), background[0], background[1], background[2]));
    EXPECT_FALSE(near_colour(wire.at(30, 3), background[0], background[1], background[2])); // the top edge
    // The axes' square: 20 pixels, 4 from the corner; the x axis runs right
    // from its middle (14, 86), in red, over the cube.
    eval("host::render " + png + " -view front -size 100 -axes 1");
    Picture axes = read_png(png);
    int r = 0, g = 0, b = 0;
    std::sscanf(axes.at(19, 86).c_str(), "%d %d %d", &r, &g, &b);
    EXPECT_GT(r, g + 60) << axes.at(19, 86);
    EXPECT_GT(r, b + 60) << axes.at(19, 86);
}

TEST_F(RenderTest, RefusesBadOptionsWithTheirMessage)
{
    std::string png = temp_dir() + "/bad.png";
    EXPECT_EQ(eval_error("host::render " + png + " -view back"), "expected iso, front, top or side but got \"back\"");
    EXPECT_EQ(eval_error("host::render " + png + " -size 0x10"),
              "expected a size W or WxH within 1 .. 16384 but got \"0x10\"");
    EXPECT_EQ(eval_error("host::render " + png + " -size 10y10"),
              "expected a size W or WxH within 1 .. 16384 but got \"10y10\"");
    EXPECT_EQ(eval_error("host::render " + png + " -style glossy"),
              "bad style \"glossy\": must be shaded, wireframe, or both");
    EXPECT_EQ(eval_error("host::render " + png + " -objects 999"), "no object with id 999");
    EXPECT_EQ(eval_error("host::render " + png + " -view"), "wrong # args: should be \"host::render file ?-option value ...?\"");
    EXPECT_EQ(eval_error("host::render /no/such/folder/x.png"),
              "cannot write \"/no/such/folder/x.png\": cannot make a file beside it: No such file or directory");
}

// The gallery's pictures beside the examples are what scripts/gallery.tcl
// draws now: the same size, and the same pixels but for a few on the edges
// of lines, where another processor's rasteriser may round differently.
TEST(Gallery, RedrawnPicturesMatchTheCommittedOnes)
{
    std::string source = PIRREL_SOURCE_DIR;
    std::string out = testing::TempDir() + "gallery-" + std::to_string(getpid());
    std::string command = std::string("\"") + ZIRKA_EXE + "\" \"" + source + "/scripts/gallery.tcl\" \"" + source +
                          "/examples\" \"" + out + "\" > /dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    int pictures = 0;
    for (const char *name : {"star_along_path", "closed_path", "scale_to_zero", "negative_amount", "sharp_turn",
                             "ribbon", "away_from_path", "star_checker", "option_caps", "option_outward"}) {
        Picture want = read_png(source + "/examples/" + name + ".png");
        Picture got = read_png(out + "/" + name + ".png");
        ASSERT_EQ(got.width, want.width) << name;
        ASSERT_EQ(got.height, want.height) << name;
        ASSERT_EQ(got.width, 480) << name;
        long off = 0;
        for (size_t i = 0; i < got.rgba.size(); i += 4)
            for (int k = 0; k < 3; k++)
                if (std::abs(got.rgba[i + k] - want.rgba[i + k]) > 24) {
                    off++;
                    break;
                }
        // At most 1 pixel in 500.
        EXPECT_LE(off, 480 * 360 / 500) << name << ": " << off << " pixels differ";
        pictures++;
        std::remove((out + "/" + name + ".png").c_str());
    }
    std::remove(out.c_str());
    EXPECT_EQ(pictures, 10);
}
