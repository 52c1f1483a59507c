/*
 * render.h -- pictures of the world with OpenGL: a flat mesh gathered from
 * the host's objects, a camera, and drawing into an offscreen picture (EGL
 * without a display), a PNG file, or a window (EGL on an X window).
 *
 * The renderer knows no Tcl. It reads the world only in render_mesh_build
 * (render_mesh.cpp), the one place that walks the core's objects.
 *
 *   RenderMesh mesh;
 *   render_mesh_build(zirka_world_objects(), &mesh);
 *   RenderCamera camera = render_camera_preset(RENDER_VIEW_ISO);
 *   render_camera_fit(&camera, mesh, 640.0 / 480.0);
 *   RenderOptions options;                      // shaded with edges, 640 x 480
 *   RenderImage image;
 *   std::string error;
 *   RenderOffscreen *offscreen = render_offscreen_new();
 *   if (!render_offscreen(offscreen, mesh, camera, options, &image, &error) ||
 *       !render_png_write("out.png", image, &error))
 *       ... error says why ...
 *   render_offscreen_free(offscreen);
 *
 * Colours: front faces a steel blue, back faces (whose corners run clockwise
 * as seen) a brick red, polygon edges dark, lines (an object's line and
 * polyline surfaces) near black; the selection's first object orange, the
 * others magenta, their lines drawn over whatever hides them. The light is fixed to the camera, above and to the left of
 * the eye; faces are lit on both sides with the host's vertex normals, or,
 * where those are zero (never computed), with the face's own normal.
 *
 * The renderer keeps nothing between calls: each offscreen context, window
 * and set of GL buffers belongs to whoever made it, who frees it too.
 * Nothing here is thread-safe; GL contexts are the caller's thread's.
 */
#ifndef ZIRKA_RENDER_H
#define ZIRKA_RENDER_H

#include "zirka_heads.h"

#include <cstdint>
#include <string>
#include <vector>

/* ---- the mesh ---------------------------------------------------------------- */

// One object's share of a RenderMesh: ranges into its arrays.
struct RenderObject {
    int id;                    // the host's object id
    int selection;             // 1 = first selected (template), 2 = second, ...; 0 = not selected
    uint32_t first_vertex;     // into positions / normals (in vertices)
    uint32_t vertex_count;
    uint32_t first_triangle;   // into triangles (in indices, 3 per triangle)
    uint32_t triangle_indices;
    uint32_t first_edge;       // into edges (in indices, 2 per polygon edge)
    uint32_t edge_indices;
    uint32_t first_line;       // into lines (in indices, 2 per segment of a line surface)
    uint32_t line_indices;
};

// Every object's vertices and elements in flat arrays, indices counted from
// the start of positions (not from the object's first vertex).
struct RenderMesh {
    std::vector<float> positions; // x y z per vertex
    std::vector<float> normals;   // x y z per vertex; 0 0 0 where the host has none
    std::vector<uint32_t> triangles; // polygons as fans
    std::vector<uint32_t> edges;     // polygon sides, as segments
    std::vector<uint32_t> lines;     // open and closed line surfaces, as segments
    std::vector<RenderObject> objects;
    float lo[3], hi[3]; // bounds of the finite positions; lo > hi when there are none
};

// Gathers objects (in that order) into *mesh, replacing what it held, with
// each object's rank in the host's current selection. Polygons become
// triangle fans and edge segments, line surfaces segments (a closed line
// back to its first vertex; a single point a segment to itself). Surface
// entries whose vertex is not the object's are left out. Non-finite
// positions stay in the arrays but out of the bounds.
// mesh: changed; its old contents are dropped.
void render_mesh_build(const std::vector<Object *> &objects, RenderMesh *mesh);

/* ---- the camera ---------------------------------------------------------------- */

enum RenderView { RENDER_VIEW_ISO, RENDER_VIEW_FRONT, RENDER_VIEW_TOP, RENDER_VIEW_SIDE };

// An orthographic camera turning about a centre: the eye looks at centre
// from the direction (sin yaw cos pitch, sin pitch, cos yaw cos pitch), y up
// on the screen unless looking straight down or up.
struct RenderCamera {
    double yaw, pitch;   // radians; pitch within [-pi/2, pi/2]
    double centre[3];    // the point at the middle of the picture
    double half_height;  // half the picture's height, in world units
};

// Returns the camera of a named view: iso looks from (1, 1, 1), front from
// +z, top from +y (with +z at the bottom), side from +x (with +z on the
// left). Centre at the origin, half_height 1.
RenderCamera render_camera_preset(RenderView view);
// Parses "iso", "front", "top" or "side". Returns false for anything else.
bool render_view_from_name(const std::string &name, RenderView *view);

// Moves the centre and sets half_height so that the mesh's finite vertices
// fill a picture of that aspect (width / height) seen from the camera's
// direction, with a margin of 5 % on each side. A mesh without finite
// vertices leaves the camera as it is.
// camera: changed in place.
void render_camera_fit(RenderCamera *camera, const RenderMesh &mesh, double aspect);

// Turns the camera by (dyaw, dpitch) radians, pitch kept within +-pi/2.
void render_camera_turn(RenderCamera *camera, double dyaw, double dpitch);
// Moves the centre by (dx, dy) in screen units of a picture height_px
// pixels high: the picture follows the pointer.
void render_camera_pan(RenderCamera *camera, double dx, double dy, int height_px);

// The camera's matrices for OpenGL (column-major 4x4): world to clip space
// for a picture of that aspect, with depth covering the mesh's bounds; and
// world to eye space (rotation only).
void render_camera_matrices(const RenderCamera &camera, const RenderMesh &mesh, double aspect, float clip[16],
                            float eye[16]);

// Returns in xy the pixel (0, 0 the top left corner) at which point is seen
// in a picture of width x height pixels.
void render_camera_project(const RenderCamera &camera, const RenderMesh &mesh, int width, int height,
                           const double point[3], double xy[2]);

/* ---- drawing ---------------------------------------------------------------------- */

enum RenderStyle { RENDER_SHADED, RENDER_WIREFRAME, RENDER_SHADED_EDGES };

// Polygon edges are left out, whatever the style, where a mesh has more
// edge segments than a quarter of the picture's pixels: they would only
// paint it dark (and slow it down).
struct RenderOptions {
    int width = 640, height = 480; // pixels
    RenderStyle style = RENDER_SHADED_EDGES;
    bool axes = false; // a small x (red), y (green), z (blue) triad in the lower left corner
    int scale = 1;     // framebuffer pixels per picture pixel across: line widths and the axes grow with it
};

// A picture: width x height pixels, 4 bytes each (RGBA), top row first.
struct RenderImage {
    int width = 0, height = 0;
    std::vector<uint8_t> rgba;
};

// The GL objects of one mesh in one context: programs, buffers, counts.
// Made by render_gl_upload in the context that is current, used and
// released only while that context is current.
struct RenderGl;

// Makes the GL program and buffers for mesh in the current context.
// Returns NULL, with the reason in *error, when the context cannot run them.
RenderGl *render_gl_upload(const RenderMesh &mesh, std::string *error);
// Releases what render_gl_upload made (NULL does nothing).
void render_gl_release(RenderGl *gl);
// Draws the mesh into the bound framebuffer's viewport (width x height).
void render_gl_draw(RenderGl *gl, const RenderMesh &mesh, const RenderCamera &camera, const RenderOptions &options);
// Returns the id of the object drawn nearest to the eye at pixel (x, y)
// (0, 0 the top left corner) or within radius pixels of it, the nearest
// such pixel winning; 0 when there is none. Draws into an offscreen buffer
// of its own; the bound framebuffer is left as it was.
int render_gl_pick(RenderGl *gl, const RenderMesh &mesh, const RenderCamera &camera, const RenderOptions &options,
                   int x, int y, int radius);
// Reads the bound framebuffer's width x height pixels into *image.
void render_gl_read(int width, int height, RenderImage *image);

/* ---- offscreen pictures and files ---------------------------------------------------- */

// An offscreen GL context for pictures without a display: EGL on Mesa's
// surfaceless platform (a GPU's render node where there is one, llvmpipe
// otherwise). render_offscreen_new makes none yet; the first picture makes
// it, and the next ones use it again. Its owner frees it (host::render's
// is freed with the command).
struct RenderOffscreen;
RenderOffscreen *render_offscreen_new(void);
// Releases the context (NULL does nothing). EGL itself stays up until exit.
void render_offscreen_free(RenderOffscreen *offscreen);

// Draws the mesh into an offscreen picture of options.width x .height with
// offscreen's context, smoothed by drawing it twice as wide and high and
// averaging each 2 x 2 pixels (where the GL takes that size; llvmpipe draws
// a dense mesh so much faster than with 4 samples per pixel).
// Returns false, with the reason in *error, when no context can be had or
// the size is not within 1 .. 16384.
bool render_offscreen(RenderOffscreen *offscreen, const RenderMesh &mesh, const RenderCamera &camera,
                      const RenderOptions &options, RenderImage *image, std::string *error);

// Writes image as an 8-bit RGBA PNG file. Returns false with a message.
bool render_png_write(const std::string &path, const RenderImage &image, std::string *error);

/* ---- a window ----------------------------------------------------------------------- */

// A GL context drawing into an X window (EGL on the X11 platform).
struct RenderWindow;

// Makes a context for the window (an X Window id) of the X display (an Xlib
// Display *), with a config of the window's visual. Returns NULL, with the
// reason in *error, when EGL cannot draw there.
RenderWindow *render_window_open(void *x_display, unsigned long x_window, std::string *error);
// Makes the window's context current. Returns false when it cannot.
bool render_window_use(RenderWindow *window);
// Shows what was drawn (swaps the buffers).
void render_window_show(RenderWindow *window);
// Releases the context and the window's surface (NULL does nothing). Call
// it while the X display is open. EGL itself stays up until exit.
void render_window_close(RenderWindow *window);

#endif /* ZIRKA_RENDER_H */
