/*
 * render.h -- pictures of the world with OpenGL: a flat mesh gathered from
 * the host's objects (the one place the renderer reads the world), a
 * camera, and drawing into an offscreen picture (EGL without a display), a
 * PNG file, or an X window. No Tcl.
 *
 * Front faces are steel blue, back faces (corners clockwise as seen) brick
 * red, both lit; the selection's first object orange, the others magenta,
 * their lines drawn over whatever hides them.
 *
 * Whoever makes an offscreen context, window or set of GL buffers frees it.
 * Nothing here is thread-safe; GL contexts are the caller's thread's.
 */
#ifndef ZIRKA_RENDER_H
#define ZIRKA_RENDER_H

#include "zirka_heads.h"

#include <cstdint>
#include <string>
#include <vector>

struct RenderRange { // [first, first + count)
    uint32_t first, count;
};

struct RenderObject { // one object's share of a RenderMesh
    int id;        // the host's object id
    int selection; // 1 = first selected (template), 2 = second, ...; 0 = not selected
    RenderRange vertices, triangles, edges, lines, coarse;
};

// Every object's vertices and elements in flat arrays, indices counted from
// the start of positions.
struct RenderMesh {
    std::vector<float> positions; // x y z per vertex
    std::vector<float> normals;   // x y z per vertex; 0 0 0 where the host has none
    std::vector<float> uvs;       // u v per vertex: its polygon corners' texture coordinates
    std::vector<uint32_t> triangles; // polygons as triangles
    std::vector<uint32_t> edges;     // polygon sides, as segments
    std::vector<uint32_t> lines;     // open and closed line surfaces, as segments
    std::vector<uint32_t> coarse;    // triangles of render_mesh_coarsen; empty without
    std::vector<RenderObject> objects;
    float lo[3], hi[3]; // bounds of the finite positions; lo > hi when there are none
};

// Gathers objects (in that order) into *mesh, replacing what it held, with
// each object's rank in the host's current selection. Polygons become
// triangles and edge segments, line surfaces segments (a closed line back
// to its first vertex; a single point a segment to itself); entries whose
// vertex is not the object's are left out. Non-finite positions stay in the
// arrays but out of the bounds.
void render_mesh_build(const std::vector<Object *> &objects, RenderMesh *mesh);
// A lighter drawing of a mesh of more than target triangles, for while the
// view moves: vertices clustered on a grid over the bounds (each cluster
// one new vertex at their mean), the triangles left with three clusters.
void render_mesh_coarsen(RenderMesh *mesh, size_t target);

enum RenderView { RENDER_VIEW_ISO, RENDER_VIEW_FRONT, RENDER_VIEW_TOP, RENDER_VIEW_SIDE };

// An orthographic camera looking at centre from the direction (sin yaw cos
// pitch, sin pitch, cos yaw cos pitch), y up unless looking straight down or up.
struct RenderCamera {
    double yaw, pitch;  // radians; pitch within [-pi/2, pi/2]
    double centre[3];   // the middle of the picture
    double half_height; // in world units
};

// iso looks from (1, 1, 1), front from +z, top from +y (+z at the bottom),
// side from +x (+z on the left); centre at the origin, half_height 1.
RenderCamera render_camera_preset(RenderView view);
bool render_view_from_name(const std::string &name, RenderView *view);

// Moves the centre and sets half_height so that the mesh's finite vertices
// (range's only, when given) fill a picture of that aspect (width / height)
// with a margin of 5 % on each side; without finite vertices, nothing.
void render_camera_fit(RenderCamera *camera, const RenderMesh &mesh, double aspect,
                       RenderRange range = {0, UINT32_MAX});
// The same for range's vertices, unless they are all in the picture already.
void render_camera_frame(RenderCamera *camera, const RenderMesh &mesh, double aspect, RenderRange range);

void render_camera_turn(RenderCamera *camera, double dyaw, double dpitch);
// Moves the centre by (dx, dy) in screen units of a picture height_px
// pixels high: the picture follows the pointer.
void render_camera_pan(RenderCamera *camera, double dx, double dy, int height_px);

// The camera's matrices for OpenGL (column-major 4x4): world to clip space,
// depth covering the mesh's bounds; and world to eye space (rotation only).
void render_camera_matrices(const RenderCamera &camera, const RenderMesh &mesh, double aspect, float clip[16],
                            float eye[16]);

// Returns in xy the pixel (0, 0 top left) at which point is seen.
void render_camera_project(const RenderCamera &camera, const RenderMesh &mesh, int width, int height,
                           const double point[3], double xy[2]);

enum RenderStyle { RENDER_SHADED, RENDER_WIREFRAME, RENDER_SHADED_EDGES };

// Polygon edges are left out, whatever the style, where a mesh has more
// edge segments than a quarter of the picture's pixels: they would only
// paint it dark (and slow it down).
struct RenderOptions {
    int width = 640, height = 480; // pixels
    RenderStyle style = RENDER_SHADED_EDGES;
    bool axes = false; // a small x (red), y (green), z (blue) triad in the lower left corner
    int scale = 1;     // framebuffer pixels per picture pixel across: line widths and the axes grow with it
    bool quick = false; // the coarse triangles where there are some, and no edges
    bool checker = false; // faces checkered by their texture coordinates: 8 x 8 squares a unit
};

struct RenderImage { // width x height pixels, RGBA, top row first
    int width = 0, height = 0;
    std::vector<uint8_t> rgba;
};

// The GL program and buffers of one mesh, made in the current context (NULL,
// with the reason in *error, when it cannot run them) and used and released
// only while it is current.
struct RenderGl;
RenderGl *render_gl_upload(const RenderMesh &mesh, std::string *error);
void render_gl_release(RenderGl *gl); // NULL does nothing
// Draws the mesh into the bound framebuffer's viewport (width x height).
void render_gl_draw(RenderGl *gl, const RenderMesh &mesh, const RenderCamera &camera, const RenderOptions &options);
// Returns the id of the object drawn nearest to the eye at pixel (x, y) or
// within radius pixels of it, the nearest such pixel winning; 0 when there
// is none. The bound framebuffer is left as it was.
int render_gl_pick(RenderGl *gl, const RenderMesh &mesh, const RenderCamera &camera, const RenderOptions &options,
                   int x, int y, int radius);
struct RenderTarget { // colour and depth renderbuffers in the current context
    unsigned framebuffer = 0, colour = 0, depth = 0;
    int width = 0, height = 0;
};
// Binds the target, made or resized first; false when the GL cannot draw into it.
bool render_target_bind(RenderTarget *target, int width, int height);
void render_target_release(RenderTarget *target); // for use again
// Reads the bound framebuffer's width x height pixels into *image.
void render_gl_read(int width, int height, RenderImage *image);

// An offscreen GL context (EGL on Mesa's surfaceless platform), made by the
// first picture and used again by the next ones; EGL stays up until exit.
struct RenderOffscreen;
RenderOffscreen *render_offscreen_new(void);
void render_offscreen_free(RenderOffscreen *offscreen);

// Draws the mesh into a picture of options.width x .height, with the key
// where there are faces, drawn twice as wide and high and each 2 x 2 pixels
// averaged where the GL takes that size. False, with the reason in *error,
// when no context can be had or the size is not within 1 .. 16384.
bool render_offscreen(RenderOffscreen *offscreen, const RenderMesh &mesh, const RenderCamera &camera,
                      const RenderOptions &options, RenderImage *image, std::string *error);

// Paints the key to the face colours (front, back) in the lower right
// corner of a picture at least 200 x 100 pixels.
void render_key(RenderImage *image);

// An 8-bit RGBA PNG file; false with a message.
bool render_png_write(const std::string &path, const RenderImage &image, std::string *error);

// A GL context for the window (an X Window id) of the X display (an Xlib
// Display *); NULL, with the reason in *error, when EGL cannot draw there.
struct RenderWindow;
RenderWindow *render_window_open(void *x_display, unsigned long x_window, std::string *error);
bool render_window_use(RenderWindow *window);  // makes its context current
void render_window_show(RenderWindow *window); // swaps the buffers
void render_window_close(RenderWindow *window); // while the X display is open

#endif /* ZIRKA_RENDER_H */
