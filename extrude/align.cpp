// Template alignment: turn a copy of the template outline about its centroid
// until its normal points along the first segment of the path. That copy is
// the first ring of the sweep.

#include <math.h>
#include <stdio.h>

#include "extrude_work.h"

// Radians to degrees for the trace line: a factor slightly below 180/pi,
// which the trace has always printed with.
static const double trace_degrees_per_radian = 57.29577791868204;

int extrude_outline_runs_inward(const VertexList *outline, const Pos3 *normal)
{
    // The outline's area vector (the sum of p[k] x p[k+1], closing edge
    // included) points the way it runs round: the walls face out of the tube
    // when it points along the normal that alignment turns onto the path.
    double ax = 0, ay = 0, az = 0;
    for (const List *node = outline; node; node = node->next) {
        const Pos3 *p = zirka_head_vertex_pos((Vertex *)node->item);
        const Pos3 *q = zirka_head_vertex_pos((Vertex *)(node->next ? node->next : outline)->item);
        ax += (double)p->y * q->z - (double)p->z * q->y;
        ay += (double)p->z * q->x - (double)p->x * q->z;
        az += (double)p->x * q->y - (double)p->y * q->x;
    }
    return ax * normal->x + ay * normal->y + az * normal->z < 0.0;
}

int extrude_align_template(ExtrudeWork *w)
{
    // Validation has seen that the template has vertices.
    w->template_list = kvx_vtx_list_from_surface1(w->template_surface);
    if (!w->template_list)
        return extrude_refuse(EXTRUDE_NO_MEMORY);
    kvx_vtx_list_get_centre(w->template_list, &w->centre);
    kvx_vtx_list_get_normal(w->template_list, &w->centre, &w->template_normal);

    // The normal must not point against the first segment. A dot product of
    // exactly 0, or one that is not a number, leaves it as it is.
    const Pos3 *in = &w->corner.incoming, *n = &w->template_normal;
    double dot = (double)in->z * n->z + (double)in->y * n->y + (double)in->x * n->x;
    if (dot < 0.0) {
        w->template_normal.x = -w->template_normal.x;
        w->template_normal.y = -w->template_normal.y;
        w->template_normal.z = -w->template_normal.z;
    }

    w->faces_inward = w->template_closed && extrude_outline_runs_inward(w->template_list, &w->template_normal);

    if (extrude_turns(&w->template_normal, in, &w->cosine, &w->axis)) {
        // The turn scales its input in place; handing it a copy keeps the
        // template object untouched even where scaling by 1.0 about the
        // centroid would round (tiny coordinates far from the centroid, or a
        // negative zero).
        VertexList *copy = kvx_vtx_list_copy(w->template_list, &w->scratch);
        w->previous_ring = kvx_vtx_list_scale_rotate(copy, &w->centre, &w->axis, w->cosine, 1.0, &w->scratch);
        kvx_scratch_give(&w->scratch, &copy);
        if (kvx_debug)
            fprintf(stderr, "extrude_along_path(): aligning template with first segment of path axis  (%f,%f,%f) angle %f.\n",
                    w->axis.x, w->axis.y, w->axis.z, acos(w->cosine) * trace_degrees_per_radian);
    } else {
        // Aligned already, or the template has no normal (a line, a point).
        w->previous_ring = list_clone(w->template_list);
        w->previous_is_template = 1;
        if (!w->previous_ring)
            return extrude_refuse(EXTRUDE_NO_MEMORY);
        if (kvx_debug)
            fputs("extrude_along_path(): template and first segment of path are aligned.\n", stderr);
    }

    if (w->scratch.failed)
        return extrude_refuse(EXTRUDE_NO_MEMORY);

    if (w->path_closed) {
        // Go once around the loop and on past the start: P0 .. Pn-1, P0, P1.
        List **tail = &w->path_points;
        while (*tail)
            tail = &(*tail)->next;
        void *p0 = w->path_points->item, *p1 = w->path_points->next->item;
        if (!(tail = kvx_list_append(tail, p0)) || !kvx_list_append(tail, p1))
            return extrude_refuse(EXTRUDE_NO_MEMORY);
    } else {
        if (kvx_debug)
            fputs("extrude_along_path(): store the tmpl.\n", stderr);
        kvx_vtx_list_add_to_object(w->result, w->previous_ring, &w->scratch);
        if (w->scratch.failed)
            return extrude_refuse(EXTRUDE_NO_MEMORY);
        // A turn of coordinates near the largest float can overflow.
        if (!extrude_ring_finite(w, 0))
            return extrude_refuse(EXTRUDE_NOT_FINITE);
        w->ring_count = 1;
    }
    return 0;
}
