// The ring transforms: scale a ring in place about its centre, and hand back
// a copy of the scaled ring, turned about an axis through the centre or not
// turned at all.
#include "kvx_geom.h"

#include <cassert>
#include <cmath>
#include <cstdio>

// Moves p to (p - centre) * factor + centre, coordinate by coordinate, each
// stored (rounded to single precision) at once.
static void scale_pos(Pos3 *p, const Pos3 *centre, double factor)
{
    p->x = (float)(((double)p->x - centre->x) * factor + centre->x);
    p->y = (float)(((double)p->y - centre->y) * factor + centre->y);
    p->z = (float)(((double)p->z - centre->z) * factor + centre->z);
}

void kvx_vtx_list_scale_in_place(VertexList *list, const Pos3 *centre, double factor)
{
    assert(centre && "kvx_vtx_list_scale_in_place scales about *centre");
    for (List *node = list; node; node = node->next)
        scale_pos(zirka_head_vertex_pos((Vertex *)node->item), centre, factor);
}

VertexList *kvx_vtx_list_scale_rotate(VertexList *list, const Pos3 *centre, const Pos3 *axis, double cosine,
                                      double factor, KvxScratch *scratch)
{
    assert(centre && axis && "kvx_vtx_list_scale_rotate turns about *axis through *centre");
    const double ax = axis->x, ay = axis->y, az = axis->z;
    const double cx = centre->x, cy = centre->y, cz = centre->z;
    if (kvx_debug)
        std::fprintf(stderr, "extrude_along_path(): rotating with center (%f,%f,%f) with S=%e\n", cx, cy, cz,
                     cosine);

    // Clamped to 0..1, not -1..1: a cosine below 0 turns by a quarter turn.
    double c = cosine;
    if (c < 0.0)
        c = 0.0;
    else if (c > 1.0)
        c = 1.0;
    const double s = std::sqrt(1.0 - c * c);
    if (!list)
        return NULL;

    // Rodrigues: M = c I + s [a]x + t a a^T, the axis taken as it comes.
    const double t = 1.0 - c;
    const double m00 = t * ax * ax + c, m01 = t * ax * ay - s * az, m02 = t * ax * az + s * ay;
    const double m10 = t * ax * ay + s * az, m11 = t * ay * ay + c, m12 = t * ay * az - s * ax;
    const double m20 = t * ax * az - s * ay, m21 = t * ay * az + s * ax, m22 = t * az * az + c;

    List *result = NULL, **tail = &result;
    for (List *node = list; node; node = node->next) {
        Pos3 *p = zirka_head_vertex_pos((Vertex *)node->item);
        scale_pos(p, centre, factor);
        // The turn reads the scaled position back as stored.
        const double dx = p->x - cx, dy = p->y - cy, dz = p->z - cz;
        Vertex *v = kvx_vertex_new(scratch, (float)(cx + (m00 * dx + m01 * dy + m02 * dz)),
                                   (float)(cy + (m10 * dx + m11 * dy + m12 * dz)),
                                   (float)(cz + (m20 * dx + m21 * dy + m22 * dz)));
        if (!(tail = kvx_list_append_vertex(tail, v, scratch)))
            break;
    }
    return result;
}

VertexList *kvx_vtx_list_scale(VertexList *list, const Pos3 *centre, double factor, KvxScratch *scratch)
{
    kvx_vtx_list_scale_in_place(list, centre, factor);
    return kvx_vtx_list_copy(list, scratch);
}
