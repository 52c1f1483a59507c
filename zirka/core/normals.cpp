// normals.cpp -- object_calc_normals_force: face normals by Newell's method
// and vertex normals as the normalised sum of the adjacent polygons' normals.
//
// Newell's method: M. E. Newell's normal of a polygon, as given in
// Sutherland, Sproull and Schumacker, "A Characterization of Ten
// Hidden-Surface Algorithms" (1974): n.x = sum (y_i - y_j)(z_i + z_j), and
// so on cyclically, over every edge i -> j of the polygon. It is exact for
// planar polygons and a good average for warped ones.
#include "core_state.h"

#include <cmath>
#include <vector>

static Pos3 unit_or_zero(double x, double y, double z)
{
    double length = std::sqrt(x * x + y * y + z * z);
    if (!(length > 0.0) || !std::isfinite(length))
        return Pos3{0.0f, 0.0f, 0.0f};
    double r = 1.0 / length;
    return Pos3{static_cast<float>(x * r), static_cast<float>(y * r), static_cast<float>(z * r)};
}

// The surface's vertices as a closed loop (an open line is closed here too;
// its normal is only as meaningful as its shape).
static Pos3 newell_normal(const Surface *surface)
{
    std::vector<const Pos3 *> loop;
    for (List *node = surface->vertices; node; node = node->next)
        loop.push_back(&static_cast<SurfaceVertex *>(node->item)->vertex->pos);
    double nx = 0.0, ny = 0.0, nz = 0.0;
    for (size_t i = 0; i < loop.size(); i++) {
        const Pos3 &a = *loop[i];
        const Pos3 &b = *loop[(i + 1) % loop.size()];
        nx += (double(a.y) - b.y) * (double(a.z) + b.z);
        ny += (double(a.z) - b.z) * (double(a.x) + b.x);
        nz += (double(a.x) - b.x) * (double(a.y) + b.y);
    }
    return unit_or_zero(nx, ny, nz);
}

extern "C" ZIRKA_API void ZIRKA_CALL object_calc_normals_force(Object *object)
{
    std::vector<double> sum(3 * object->store.size(), 0.0);
    for (List *node = object->surfaces; node; node = node->next) {
        Surface *surface = static_cast<Surface *>(node->item);
        surface->normal = newell_normal(surface);
        // Only polygons have a side to face; lines add nothing to a vertex.
        if (surface->type != ZIRKA_SURFACE_POLYGON)
            continue;
        for (List *e = surface->vertices; e; e = e->next) {
            const Vertex *v = static_cast<SurfaceVertex *>(e->item)->vertex;
            if (v->owner != object)
                continue;
            size_t i = 3 * static_cast<size_t>(v->index);
            sum[i] += surface->normal.x;
            sum[i + 1] += surface->normal.y;
            sum[i + 2] += surface->normal.z;
        }
    }
    for (size_t i = 0; i < object->store.size(); i++)
        object->store[i].normal = unit_or_zero(sum[3 * i], sum[3 * i + 1], sum[3 * i + 2]);
}
