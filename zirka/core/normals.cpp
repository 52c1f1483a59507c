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
#include <algorithm>

static inline Pos3 unit_or_zero(double x, double y, double z)
{
    double length = std::sqrt(x * x + y * y + z * z);
    if (!(length > 0.0) || !std::isfinite(length))
        return Pos3{0.0f, 0.0f, 0.0f};
    double r = 1.0 / length;
    return Pos3{static_cast<float>(x * r), static_cast<float>(y * r), static_cast<float>(z * r)};
}

// The surface's vertices as a closed loop (an open line is closed here too;
// its normal is only as meaningful as its shape). The edges are summed in
// list order, the closing edge last.
static Pos3 newell_normal(const Surface *surface)
{
    double nx = 0.0, ny = 0.0, nz = 0.0;
    const List *first = surface->vertices;
    if (!first)
        return unit_or_zero(nx, ny, nz);
    const Pos3 *a = &static_cast<const SurfaceVertex *>(first->item)->vertex->pos;
    const Pos3 *start = a;
    for (const List *node = first;; a = &static_cast<const SurfaceVertex *>(node->item)->vertex->pos) {
        node = node->next;
        const Pos3 &b = node ? static_cast<const SurfaceVertex *>(node->item)->vertex->pos : *start;
        nx += (double(a->y) - b.y) * (double(a->z) + b.z);
        ny += (double(a->z) - b.z) * (double(a->x) + b.x);
        nz += (double(a->x) - b.x) * (double(a->y) + b.y);
        if (!node)
            break;
    }
    return unit_or_zero(nx, ny, nz);
}

extern "C" ZIRKA_API void ZIRKA_CALL object_calc_normals_force(Object *object)
{
    const uint32_t owner = static_cast<uint32_t>(object->id);
    // The sums are kept in double until every surface has added to them.
    size_t vertices = object->records.vertices.size();
    double *sum = static_cast<double *>(zirka_host_alloc(3 * sizeof(double) * (vertices + 1)));
    if (!sum)
        return; // counted: the normals stay as they were, and a running command fails
    std::fill(sum, sum + 3 * vertices, 0.0);
    object->records.surfaces.for_each([&](Surface *surface) {
        surface->normal = newell_normal(surface);
        // Only polygons have a side to face; lines add nothing to a vertex.
        if (surface->type != ZIRKA_SURFACE_POLYGON)
            return;
        for (const List *e = surface->vertices; e; e = e->next) {
            long index = storage_vertex_index(static_cast<const SurfaceVertex *>(e->item)->vertex, owner);
            if (index < 0)
                continue;
            double *at = &sum[3 * static_cast<size_t>(index)];
            at[0] += surface->normal.x;
            at[1] += surface->normal.y;
            at[2] += surface->normal.z;
        }
    });
    const double *at = sum;
    object->records.vertices.for_each([&](Vertex &v) {
        v.normal = unit_or_zero(at[0], at[1], at[2]);
        at += 3;
    });
    zirka_host_free(sum);
}
