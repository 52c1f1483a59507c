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
#include <exception>
#include <thread>

// Inline: the square root and the division are long, and the loops that call
// this have independent work to do meanwhile.
static inline __attribute__((always_inline)) Pos3 unit_or_zero(double x, double y, double z)
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

// Objects this large have their normals found on two cores: a second
// thread takes the face normals of the later half of the surfaces, and then
// the vertex normals of the later half of the vertices. Every normal is
// found by the same arithmetic as on one core, and every vertex adds its
// surfaces' normals in the same order, so the results are the same to the
// bit; only the time differs.
static const size_t two_cores_from = size_t(1) << 15;

// Runs work on another thread and waits for it at the end of its scope.
// Without a thread for it the work runs at once, here.
class Alongside {
public:
    template <class Fn> explicit Alongside(Fn work)
    {
        try {
            thread_ = std::thread(work);
        } catch (const std::exception &) { // no thread, or no memory for one
            work();
        }
    }
    Alongside(const Alongside &) = delete;
    Alongside &operator=(const Alongside &) = delete;
    ~Alongside()
    {
        if (thread_.joinable())
            thread_.join();
    }

private:
    std::thread thread_;
};

static void face_normals(const Object *object, size_t from, size_t to)
{
    object->surfaces.for_each_run_in(from, to, [](Surface *const *run, size_t n) {
        for (size_t k = 0; k < n; k++)
            run[k]->normal = newell_normal(run[k]);
    });
}

// Adds the normals of the polygons among surfaces from .. to - 1 to their
// vertices' sums, finding them first when find is set.
static void add_to_vertices(const Object *object, double *sum, size_t from, size_t to, bool find)
{
    object->surfaces.for_each_run_in(from, to, [&](Surface *const *run, size_t n) {
        for (size_t k = 0; k < n; k++) {
            Surface *surface = run[k];
            if (find)
                surface->normal = newell_normal(surface);
            // Only polygons have a side to face; lines add nothing to a vertex.
            if (surface->type != ZIRKA_SURFACE_POLYGON)
                continue;
            for (const List *e = surface->vertices; e; e = e->next) {
                long index = zirka_vertex_index_in(static_cast<const SurfaceVertex *>(e->item)->vertex, object);
                if (index < 0)
                    continue;
                double *at = &sum[3 * static_cast<size_t>(index)];
                at[0] += surface->normal.x;
                at[1] += surface->normal.y;
                at[2] += surface->normal.z;
            }
        }
    });
}

static void vertex_normals(const Object *object, const double *sum, size_t from, size_t to)
{
    object->vertices.for_each_run_in(from, to, [&](Vertex *run, size_t n) {
        for (size_t k = 0; k < n; k++, from++)
            run[k].normal = unit_or_zero(sum[3 * from], sum[3 * from + 1], sum[3 * from + 2]);
    });
}

extern "C" ZIRKA_API void ZIRKA_CALL object_calc_normals_force(Object *object)
{
    // The sums are kept in double until every surface has added to them.
    size_t vertices = object->vertices.size();
    size_t bytes = 3 * sizeof(double) * (vertices + 1);
    double *sum = static_cast<double *>(zirka_block_alloc_zeroed(zirka_state().arenas, bytes));
    if (!sum)
        return; // counted: the normals stay as they were, and a running command fails
    size_t surfaces = object->surfaces.size();
    if (surfaces < two_cores_from) {
        add_to_vertices(object, sum, 0, surfaces, true);
    } else {
        size_t half = surfaces / 2;
        {
            Alongside later([=] { face_normals(object, half, surfaces); });
            add_to_vertices(object, sum, 0, half, true);
        }
        add_to_vertices(object, sum, half, surfaces, false);
    }
    if (vertices < two_cores_from) {
        vertex_normals(object, sum, 0, vertices);
    } else {
        size_t half = vertices / 2;
        Alongside later([=] { vertex_normals(object, sum, half, vertices); });
        vertex_normals(object, sum, 0, half);
    }
    zirka_block_free(zirka_state().arenas, sum, bytes);
}
