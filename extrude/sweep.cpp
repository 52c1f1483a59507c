// Sweep: carry the outline along the path, segment by segment. At a corner
// where the path turns, the ring is scaled and turned to face the outgoing
// segment, and the mitre ring, where each vertex's incoming track meets its
// outgoing track, is stored; on a straight stretch the ring is only scaled
// and stored. An open path ends with the last ring, scaled, at its end.

#include <math.h>
#include <stdio.h>
#include <stdlib.h>

#include "extrude_work.h"

static void centre_advance(ExtrudeWork *w)
{
    w->centre.x = w->centre.x + w->incoming.x;
    w->centre.y = w->centre.y + w->incoming.y;
    w->centre.z = w->centre.z + w->incoming.z;
}

// The corner at the end of the incoming segment. Leaves the ring at this
// point in the result object and returns, through *previous and *current,
// the rings that carry on along the outgoing segment.
static void sweep_corner(ExtrudeWork *w, VertexList **previous, VertexList **current)
{
    double factor = w->scale[w->ratio_index];

    centre_advance(w);
    if (kvx_debug)
        fprintf(stderr, "extrude_along_path(): PP is (%f,%f,%f).\n", w->centre.x, w->centre.y, w->centre.z);

    w->cosine = vec3_cos_angle(&w->incoming, &w->outgoing);
    if (w->cosine != 1.0 && isfinite(w->cosine)) {
        vec3_cross_unit(&w->incoming, &w->outgoing, &w->axis);
        if (kvx_debug)
            fprintf(stderr, "extrude_along_path(): rotate around (%f,%f,%f).\n", w->axis.x, w->axis.y, w->axis.z);
        VertexList *turned = kvx_vtx_list_scale_rotate(w->current_ring, &w->centre, &w->axis, w->cosine, factor);
        VertexList *next = kvx_vtx_list_translate(turned, &w->outgoing);
        if (kvx_debug)
            fputs("extrude_along_path(): intersect, store and advance.\n", stderr);
        VertexList *mitre = kvx_vtx_list_intersect(w->previous_ring, w->current_ring, turned, next);
        kvx_vtx_list_add_to_object(w->result, mitre);
        list_free(&mitre);
        *previous = turned;
        *current = next;
    } else {
        if (kvx_debug)
            fputs("extrude_along_path(): store vl3 and advance.\n", stderr);
        VertexList *scaled = kvx_vtx_list_scale(w->current_ring, &w->centre, factor);
        VertexList *next = kvx_vtx_list_translate(scaled, &w->outgoing);
        kvx_vtx_list_add_to_object(w->result, scaled);
        *previous = scaled;
        *current = next;
    }
    w->ring_count++;
    w->ratio_index++;
}

int extrude_sweep(ExtrudeWork *w)
{
    w->current_ring = kvx_vtx_list_translate(w->previous_ring, &w->incoming);
    w->ratio_index = 1;

    // The cursor is the path entry whose point is the far point.
    for (const List *cursor = w->path_points->next->next;; cursor = cursor->next) {
        VertexList *previous, *current;
        sweep_corner(w, &previous, &current);

        // Hand over: the old rings' nodes go, their vertices stay the host's.
        w->incoming = w->outgoing;
        list_free(&w->previous_ring);
        list_free(&w->current_ring);
        w->previous_ring = previous;
        w->current_ring = current;

        if (!cursor->next)
            break;
        Vertex *far = extrude_path_vertex(cursor->next);
        w->outgoing = extrude_pos_sub(zirka_head_vertex_pos(far), zirka_head_vertex_pos(w->far_point));
        w->far_point = far;
    }

    if (!w->path_closed) {
        centre_advance(w);
        VertexList *copy = kvx_vtx_list_scale(w->current_ring, &w->centre, w->scale[w->ratio_index]);
        list_free(&copy);
        kvx_vtx_list_add_to_object(w->result, w->current_ring);
        w->ring_count++;
    }

    free(w->scale);
    w->scale = NULL;
    return 0;
}
