// camera.cpp -- the orthographic turntable camera: named views, fitting the
// mesh into the picture, turning, panning, and the matrices for OpenGL.
#include "render.h"

#include <algorithm>
#include <cmath>

// The camera's axes in world space: right, up, and back (towards the eye).
static void camera_axes(const RenderCamera &camera, double r[3], double u[3], double b[3])
{
    double cy = std::cos(camera.yaw), sy = std::sin(camera.yaw);
    double cp = std::cos(camera.pitch), sp = std::sin(camera.pitch);
    b[0] = sy * cp, b[1] = sp, b[2] = cy * cp;
    r[0] = cy, r[1] = 0.0, r[2] = -sy;
    u[0] = -sy * sp, u[1] = cp, u[2] = -cy * sp;
}

static double dot(const double a[3], const double b[3]) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

RenderCamera render_camera_preset(RenderView view)
{
    // yaw and pitch, in RenderView's order
    const double angles[][2] = {{M_PI / 4.0, std::asin(1.0 / std::sqrt(3.0))}, {0.0, 0.0}, {0.0, M_PI / 2.0}, {M_PI / 2.0, 0.0}};
    return RenderCamera{angles[view][0], angles[view][1], {0.0, 0.0, 0.0}, 1.0};
}

bool render_view_from_name(const std::string &name, RenderView *view)
{
    static const char *const names[] = {"iso", "front", "top", "side"}; // in RenderView's order
    for (int v = RENDER_VIEW_ISO; v <= RENDER_VIEW_SIDE; v++)
        if (name == names[v]) {
            *view = static_cast<RenderView>(v);
            return true;
        }
    return false;
}

void render_camera_fit(RenderCamera *camera, const RenderMesh &mesh, double aspect, RenderRange range)
{
    double r[3], u[3], b[3];
    camera_axes(*camera, r, u, b);
    double lo[3] = {INFINITY, INFINITY, INFINITY}, hi[3] = {-INFINITY, -INFINITY, -INFINITY};
    const float *p = mesh.positions.data();
    size_t end = std::min(mesh.positions.size() / 3, size_t(range.first) + range.count);
    for (size_t i = 3 * size_t(range.first); i < 3 * end; i += 3) {
        const double w[3] = {p[i], p[i + 1], p[i + 2]};
        if (!std::isfinite(w[0]) || !std::isfinite(w[1]) || !std::isfinite(w[2]))
            continue;
        const double s[3] = {dot(w, r), dot(w, u), dot(w, b)};
        for (int k = 0; k < 3; k++)
            lo[k] = std::min(lo[k], s[k]), hi[k] = std::max(hi[k], s[k]);
    }
    if (!(lo[0] <= hi[0]))
        return;
    const double mid[3] = {0.5 * (lo[0] + hi[0]), 0.5 * (lo[1] + hi[1]), 0.5 * (lo[2] + hi[2])};
    for (int k = 0; k < 3; k++)
        camera->centre[k] = mid[0] * r[k] + mid[1] * u[k] + mid[2] * b[k];
    double half = std::max(0.5 * (hi[1] - lo[1]), 0.5 * (hi[0] - lo[0]) / aspect);
    camera->half_height = half > 0.0 ? half / 0.9 : 1.0;
}

void render_camera_turn(RenderCamera *camera, double dyaw, double dpitch)
{
    camera->yaw = std::remainder(camera->yaw + dyaw, 2.0 * M_PI);
    camera->pitch = std::clamp(camera->pitch + dpitch, -M_PI / 2.0, M_PI / 2.0);
}

void render_camera_pan(RenderCamera *camera, double dx, double dy, int height_px)
{
    double r[3], u[3], b[3];
    camera_axes(*camera, r, u, b);
    double unit = 2.0 * camera->half_height / std::max(height_px, 1);
    for (int k = 0; k < 3; k++)
        camera->centre[k] -= unit * (dx * r[k] - dy * u[k]);
}

void render_camera_matrices(const RenderCamera &camera, const RenderMesh &mesh, double aspect, float clip[16],
                            float eye[16])
{
    double r[3], u[3], b[3];
    camera_axes(camera, r, u, b);
    // Depth: the sphere about the centre that holds the mesh's bounds.
    double radius = 1.0;
    if (mesh.lo[0] <= mesh.hi[0]) {
        double d2 = 0.0;
        for (int k = 0; k < 3; k++) {
            double d = std::max(std::fabs(mesh.lo[k] - camera.centre[k]), std::fabs(mesh.hi[k] - camera.centre[k]));
            d2 += d * d;
        }
        radius = std::max(1.01 * std::sqrt(d2), 1e-6);
    }
    const double *axes[3] = {r, u, b};
    const double scale[3] = {1.0 / (camera.half_height * aspect), 1.0 / camera.half_height, -1.0 / radius};
    for (int row = 0; row < 3; row++) {
        const double *a = axes[row];
        double t = -dot(a, camera.centre);
        for (int col = 0; col < 3; col++) {
            eye[col * 4 + row] = static_cast<float>(a[col]);
            clip[col * 4 + row] = static_cast<float>(scale[row] * a[col]);
        }
        eye[12 + row] = 0.0f;
        clip[12 + row] = static_cast<float>(scale[row] * t);
    }
    for (int col = 0; col < 4; col++)
        eye[col * 4 + 3] = clip[col * 4 + 3] = col == 3 ? 1.0f : 0.0f;
}

void render_camera_project(const RenderCamera &camera, const RenderMesh &mesh, int width, int height,
                           const double point[3], double xy[2])
{
    float clip[16], eye[16];
    render_camera_matrices(camera, mesh, double(width) / height, clip, eye);
    double ndc[2];
    for (int row = 0; row < 2; row++)
        ndc[row] = clip[row] * point[0] + clip[4 + row] * point[1] + clip[8 + row] * point[2] + clip[12 + row];
    xy[0] = 0.5 * (ndc[0] + 1.0) * width;
    xy[1] = 0.5 * (1.0 - ndc[1]) * height;
}

void render_camera_frame(RenderCamera *camera, const RenderMesh &mesh, double aspect, RenderRange range)
{
    float clip[16], eye[16];
    render_camera_matrices(*camera, mesh, aspect, clip, eye);
    const float *p = mesh.positions.data();
    for (size_t v = range.first; v < size_t(range.first) + range.count; v++)
        for (int row = 0; row < 2; row++)
            if (std::fabs(clip[row] * p[3 * v] + clip[4 + row] * p[3 * v + 1] + clip[8 + row] * p[3 * v + 2] +
                          clip[12 + row]) > 1.0f) {
                render_camera_fit(camera, mesh, aspect, range);
                return;
            }
}
