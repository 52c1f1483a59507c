// Operations on whole vertex lists that leave their input alone: centroid,
// fan normal, translated and plain copies, and copying the points into an
// object.
#include "kvx_geom.h"

#include <cassert>
#include <cmath>
#include <cstdio>

static const Pos3 *item_pos(const List *node)
{
    return zirka_head_vertex_pos((Vertex *)node->item);
}

void kvx_vtx_list_get_centre(const VertexList *list, Pos3 *out)
{
    assert(out && "kvx_vtx_list_get_centre writes its result through out");
    out->x = 0.0f;
    out->y = 0.0f;
    out->z = 0.0f;
    int count = 0;
    // The running sums live in out's floats, so every step rounds.
    for (const List *node = list; node; node = node->next) {
        const Pos3 *p = item_pos(node);
        out->x = (float)((double)out->x + p->x);
        out->y = (float)((double)out->y + p->y);
        out->z = (float)((double)out->z + p->z);
        ++count;
    }
    // An empty list gives 0 times an infinite reciprocal: not a number.
    vec3_scale_by(out, 1.0 / count);
    if (kvx_debug)
        std::fprintf(stderr, "kvx_vtx_list_get_centre(): (%f,%f,%f)\n", out->x, out->y, out->z);
}

static Pos3 offset_from(const Pos3 *p, const Pos3 *centre)
{
    Pos3 d;
    d.x = (float)((double)p->x - centre->x);
    d.y = (float)((double)p->y - centre->y);
    d.z = (float)((double)p->z - centre->z);
    return d;
}

void kvx_vtx_list_get_normal(const VertexList *list, const Pos3 *centre, Pos3 *out)
{
    assert(centre && out && out != centre && "kvx_vtx_list_get_normal reads centre, then writes out");
    out->x = 0.0f;
    out->y = 0.0f;
    out->z = 0.0f;
    // An empty list adds no term, like a one-vertex list: the zero sum below
    // turns into components that are not a number.
    if (list) {
        Pos3 prev = offset_from(item_pos(list), centre);
        // One term per consecutive pair; the last vertex is not paired back
        // with the first.
        for (const List *node = list->next; node; node = node->next) {
            const Pos3 cur = offset_from(item_pos(node), centre);
            Pos3 term;
            vec3_cross_unit(&prev, &cur, &term);
            out->x = (float)((double)out->x + term.x);
            out->y = (float)((double)out->y + term.y);
            out->z = (float)((double)out->z + term.z);
            prev = cur;
        }
    }
    // No zero test: a vanishing sum makes r infinite and 0 * inf not a number,
    // which is how callers recognise a degenerate outline.
    const double ox = out->x, oy = out->y, oz = out->z;
    vec3_scale_by(out, 1.0 / std::sqrt(oz * oz + oy * oy + ox * ox));
    if (kvx_debug)
        std::fprintf(stderr, "kvx_vtx_list_get_normal(): (%f,%f,%f)\n", out->x, out->y, out->z);
}

VertexList *kvx_vtx_list_translate(const VertexList *list, const Pos3 *offset, KvxScratch *scratch)
{
    assert(offset && "kvx_vtx_list_translate moves by *offset");
    List *result = NULL, **tail = &result;
    for (const List *node = list; node; node = node->next) {
        const Pos3 *p = item_pos(node);
        Vertex *v = kvx_vertex_new(scratch, (float)((double)p->x + offset->x), (float)((double)p->y + offset->y),
                                   (float)((double)p->z + offset->z));
        if (!(tail = kvx_list_append_vertex(tail, v, scratch)))
            break;
    }
    return result;
}

VertexList *kvx_vtx_list_copy(const VertexList *list, KvxScratch *scratch)
{
    List *result = NULL, **tail = &result;
    for (const List *node = list; node; node = node->next) {
        const Pos3 *p = item_pos(node);
        if (!(tail = kvx_list_append_vertex(tail, kvx_vertex_new(scratch, p->x, p->y, p->z), scratch)))
            break;
    }
    return result;
}

void kvx_vtx_list_add_to_object(Object *object, const VertexList *list, KvxScratch *scratch)
{
    assert(object && "kvx_vtx_list_add_to_object adds to an object");
    for (const List *node = list; node; node = node->next)
        if (!object_add_new_vertex(object, item_pos(node))) {
            if (scratch)
                scratch->failed = 1;
            return;
        }
}
