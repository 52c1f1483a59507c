// Skin and commit: join every pair of consecutive rings with a strip of
// four-sided surfaces, addressed by position in the result object (ring j's
// vertex i is vertex j*m + i), close the ends when asked, then hand the
// object to the world as one undoable step.

#include <math.h>
#include <stdlib.h>

#include "extrude_work.h"

// How the surfaces are made: which way round, and their texture coordinates
// (all 0 without them).
typedef struct Skin {
    Object *object;
    int m;       // vertices per ring
    int reverse; // every surface's vertex order reversed (a, b, c, d -> a, d, c, b)
    float *u;    // per outline point and the seam: m + 1 entries; NULL for all 0
    float *v;    // per ring, and the first ring once round a closed path: rings + 1
                 // entries; NULL for all 0
    float *cap;  // per outline point, its own shape: u, v pairs; NULL for all 0
} Skin;

// Adds one surface through the object's vertices at index[0 .. n-1], entry k
// with coordinates (u[k], v[k]). Returns 0, or 1 when the host had no memory
// for it.
static int add_surface(const Skin *skin, const int *index, const float *u, const float *v, int n)
{
    Surface *surface = new_surface();
    if (!surface)
        return 1;
    int failed = 0;
    for (int j = 0; j < n && !failed; j++) {
        // Reversed, the first entry stays first and the others run back.
        int k = skin->reverse && j > 0 ? n - j : j;
        failed = !surface_add_vertex(surface, zirka_object_get_vertex_at_index(skin->object, index[k]), u[k], v[k]);
    }
    // Added even when short, so that it goes with the object.
    object_add_surface(skin->object, surface);
    return failed;
}

// The strip from ring a to ring b, whose entries get v_a and v_b; a closed
// outline gets a last quad from its last vertex back to its first, whose
// entries at the first vertex get the seam's u. Returns 1 when the host ran
// out of memory, else 0.
static int add_strip(const Skin *skin, int a, int b, float v_a, float v_b, int closed)
{
    const int m = skin->m;
    const float v[4] = {v_a, v_a, v_b, v_b};
    for (int i = 1; i < m + (closed ? 1 : 0); i++) {
        const int i2 = i < m ? i : 0;
        const int index[4] = {a * m + i - 1, a * m + i2, b * m + i2, b * m + i - 1};
        const float u0 = skin->u ? skin->u[i - 1] : 0, u1 = skin->u ? skin->u[i] : 0;
        const float u[4] = {u0, u1, u1, u0};
        if (add_surface(skin, index, u, v, 4))
            return 1;
    }
    return 0;
}

// The end surface through ring's vertices: the first ring's runs back round
// the outline (0, m-1, ..., 1) and the last ring's forward, so that each
// edge they share with the walls runs the other way there. Returns 1 when
// the host ran out of memory (or the heap), else 0.
static int add_cap(const Skin *skin, int ring, int backward)
{
    const int m = skin->m;
    int *index = (int *)extrude_table_alloc((size_t)m * sizeof(int));
    float *u = (float *)extrude_table_alloc((size_t)m * 2 * sizeof(float));
    int failed = !index || !u;
    if (!failed) {
        float *v = u + m;
        for (int j = 0; j < m; j++) {
            const int i = backward && j > 0 ? m - j : j;
            index[j] = ring * m + i;
            u[j] = skin->cap ? skin->cap[2 * i] : 0;
            v[j] = skin->cap ? skin->cap[2 * i + 1] : 0;
        }
        failed = add_surface(skin, index, u, v, m);
    }
    free(index);
    free(u);
    return failed;
}

// The length of the edge from node to next, in double.
static double edge_length(const List *node, const List *next)
{
    const Pos3 *p = zirka_head_vertex_pos((Vertex *)node->item);
    const Pos3 *q = zirka_head_vertex_pos((Vertex *)next->item);
    const double dx = (double)q->x - p->x, dy = (double)q->y - p->y, dz = (double)q->z - p->z;
    return sqrt(dz * dz + dy * dy + dx * dx);
}

// The edge after node round the outline: for a closed one the last point's
// edge goes back to the first; NULL at the end of an open one.
static const List *edge_end(const VertexList *outline, const List *node, int closed)
{
    return node->next ? node->next : closed ? outline : NULL;
}

// The outline's length as drawn: its edges, and for a closed one the edge
// back to the first point.
static double outline_length(const VertexList *outline, int closed)
{
    double length = 0;
    for (const List *node = outline, *next; node && (next = edge_end(outline, node, closed)); node = node->next)
        length += edge_length(node, next);
    return length;
}

// u around the outline: each point's distance along it as drawn divided by
// its length (0 throughout for a length of 0); u[m], the seam, ends it.
static void outline_u(const VertexList *outline, int closed, int m, float *u)
{
    const double length = outline_length(outline, closed);
    double run = 0;
    int i = 0;
    for (const List *node = outline, *next; node; node = node->next, i++) {
        u[i] = length > 0 ? (float)(run / length) : 0;
        if (!(next = edge_end(outline, node, closed)))
            break;
        run += edge_length(node, next);
    }
    u[m] = length > 0 ? 1 : 0;
}

// The outline's own shape in its plane, for the end surfaces: x along its
// first edge, y a quarter turn on about normal, both from the smallest
// value, divided by the larger extent; 0 throughout when there is no plane
// or no extent. cap holds an (x, y) pair per point.
static void outline_plane(const VertexList *outline, const Pos3 *normal, int m, float *cap)
{
    for (int i = 0; i < 2 * m; i++)
        cap[i] = 0;
    const Pos3 *p0 = zirka_head_vertex_pos((Vertex *)outline->item);
    const Pos3 *p1 = zirka_head_vertex_pos((Vertex *)outline->next->item);
    const double nx = normal->x, ny = normal->y, nz = normal->z;
    double ex = (double)p1->x - p0->x, ey = (double)p1->y - p0->y, ez = (double)p1->z - p0->z;
    const double along = ex * nx + ey * ny + ez * nz;
    ex -= along * nx, ey -= along * ny, ez -= along * nz;
    const double e = sqrt(ex * ex + ey * ey + ez * ez);
    if (!(e > 0) || !isfinite(e))
        return;
    ex /= e, ey /= e, ez /= e;
    const double fx = ny * ez - nz * ey, fy = nz * ex - nx * ez, fz = nx * ey - ny * ex;

    double lo[2] = {INFINITY, INFINITY}, hi[2] = {-INFINITY, -INFINITY};
    double *xy = (double *)extrude_table_alloc((size_t)m * 2 * sizeof(double));
    if (!xy)
        return;
    int i = 0;
    for (const List *node = outline; node && i < m; node = node->next, i++) {
        const Pos3 *p = zirka_head_vertex_pos((Vertex *)node->item);
        const double dx = (double)p->x - p0->x, dy = (double)p->y - p0->y, dz = (double)p->z - p0->z;
        xy[2 * i] = dx * ex + dy * ey + dz * ez;
        xy[2 * i + 1] = dx * fx + dy * fy + dz * fz;
        for (int k = 0; k < 2; k++) {
            lo[k] = xy[2 * i + k] < lo[k] ? xy[2 * i + k] : lo[k];
            hi[k] = xy[2 * i + k] > hi[k] ? xy[2 * i + k] : hi[k];
        }
    }
    const double extent = hi[0] - lo[0] > hi[1] - lo[1] ? hi[0] - lo[0] : hi[1] - lo[1];
    if (extent > 0 && isfinite(extent))
        for (i = 0; i < 2 * m; i++)
            cap[i] = (float)((xy[i] - lo[i % 2]) / extent);
    free(xy);
}

// The texture coordinates of every entry into skin (u, v, cap), with v from
// the path distances: ring j stands at path entry j of an open path and
// j + 1 of a closed one, and a closed path's closing strip comes back to
// the first ring at its last entry. Returns 1 when the heap had no room.
static int skin_coordinates(const ExtrudeWork *w, Skin *skin, int rings, int caps)
{
    const int m = skin->m;
    skin->u = (float *)extrude_table_alloc((size_t)(m + 1) * sizeof(float));
    skin->v = (float *)extrude_table_alloc((size_t)(rings + 1) * sizeof(float));
    skin->cap = caps ? (float *)extrude_table_alloc((size_t)m * 2 * sizeof(float)) : NULL;
    if (!skin->u || !skin->v || (caps && !skin->cap))
        return 1;
    outline_u(w->template_list, w->template_closed, m, skin->u);
    const double length = outline_length(w->template_list, w->template_closed);
    const int first = w->path_closed ? 1 : 0;
    for (int j = 0; j <= rings; j++) {
        const int entry = j < rings ? j + first : list_count(w->path_points) - 1;
        skin->v[j] = length > 0 ? (float)(w->distance[entry] / length) : 0;
    }
    if (caps)
        outline_plane(w->template_list, &w->template_normal, m, skin->cap);
    return 0;
}

static void skin_release(Skin *skin)
{
    free(skin->u);
    free(skin->v);
    free(skin->cap);
}

// Adds every surface. Returns 1 when the host (or the heap) ran out of
// memory, else 0.
static int skin_surfaces(const ExtrudeWork *w, Skin *skin, int rings, int caps)
{
    if (w->uv && skin_coordinates(w, skin, rings, caps))
        return 1;
    const float *v = skin->v;
    for (int j = 0; j + 1 < rings; j++)
        if (add_strip(skin, j, j + 1, v ? v[j] : 0, v ? v[j + 1] : 0, w->template_closed))
            return 1;
    // A closed path makes a closed tube: its last ring, at the first point,
    // joins back to its first ring, at the second.
    if (w->path_closed && rings > 1 &&
        add_strip(skin, rings - 1, 0, v ? v[rings - 1] : 0, v ? v[rings] : 0, w->template_closed))
        return 1;
    if (caps && (add_cap(skin, 0, 1) || add_cap(skin, rings - 1, 0)))
        return 1;
    return 0;
}

int extrude_skin_commit(ExtrudeWork *w)
{
    Skin skin = {w->result, (int)zirka_head_surface_count(w->template_surface), w->outward && w->faces_inward,
                 NULL, NULL, NULL};
    const int rings = w->ring_count;
    // Only a tube open at both ends has ends to close; a closed path's
    // closing strip closes it already.
    const int caps = w->caps && w->template_closed && skin.m >= 3 && !w->path_closed && rings > 1;
    const int failed = skin_surfaces(w, &skin, rings, caps);
    skin_release(&skin);
    if (failed)
        return extrude_refuse(EXTRUDE_NO_MEMORY);

    extrude_report_trouble(w);
    object_calc_normals_force(w->result);
    add_undoable_world_add_object("Extrude along path", w->result);
    redraw_all();
    return 0;
}
