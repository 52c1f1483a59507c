// Sweep: carry the outline along the path, segment by segment. At a corner
// where the path turns, the ring is scaled and turned to face the outgoing
// segment, and the mitre ring, where each vertex's incoming track meets its
// outgoing track, is stored; on a straight stretch the ring is only scaled
// and stored. An open path ends with the last ring, scaled, at its end.

#include <stdio.h>

#include "extrude_work.h"

// Checks the ring just added to the result as its next ring: it must be
// whole (the host had memory for all of it and for the rings it came from)
// and finite, and the wall from the ring before it is checked for a fold
// (previous and current are the ends of the tracks that lead to it).
// Returns 1 after refusing, else 0.
static int ring_stored(ExtrudeWork *w, const VertexList *previous, const VertexList *current)
{
    if (w->scratch.failed)
        return extrude_refuse(EXTRUDE_NO_MEMORY);
    if (!extrude_ring_finite(w, w->ring_count))
        return extrude_refuse(EXTRUDE_NOT_FINITE);
    extrude_note_fold(w, w->ring_count - 1, w->ring_count, previous, current);
    w->ring_count++;
    return 0;
}

// The corner at the end of the incoming segment. Leaves the ring at this
// point in the result object and returns, through *previous and *current,
// the rings that carry on along the outgoing segment. Returns 1 when it has
// refused the command (the rings are returned all the same).
static int sweep_corner(ExtrudeWork *w, VertexList **previous, VertexList **current)
{
    const Pos3 *in = &w->corner.incoming, *out = &w->corner.outgoing;
    double factor = w->scale[w->ratio_index++];
    int refused;

    w->centre = vec3_add(&w->centre, in);
    if (kvx_debug)
        fprintf(stderr, "extrude_along_path(): PP is (%f,%f,%f).\n", w->centre.x, w->centre.y, w->centre.z);

    if (extrude_turns(in, out, &w->cosine, &w->axis)) {
        if (kvx_debug)
            fprintf(stderr, "extrude_along_path(): rotate around (%f,%f,%f).\n", w->axis.x, w->axis.y, w->axis.z);
        if (w->cosine < 0.0)
            extrude_note_sharp_turn(w);
        VertexList *turned =
            kvx_vtx_list_scale_rotate(w->current_ring, &w->centre, &w->axis, w->cosine, factor, &w->scratch);
        VertexList *next = kvx_vtx_list_translate(turned, out, &w->scratch);
        if (kvx_debug)
            fputs("extrude_along_path(): intersect, store and advance.\n", stderr);
        // The mitre points go straight into the result: the ring is needed
        // nowhere else.
        kvx_vtx_list_intersect_to_object(w->result, w->previous_ring, w->current_ring, turned, next, &w->scratch);
        refused = ring_stored(w, w->previous_ring, w->current_ring);
        *previous = turned;
        *current = next;
    } else {
        if (kvx_debug)
            fputs("extrude_along_path(): store vl3 and advance.\n", stderr);
        VertexList *scaled = kvx_vtx_list_scale(w->current_ring, &w->centre, factor, &w->scratch);
        VertexList *next = kvx_vtx_list_translate(scaled, out, &w->scratch);
        kvx_vtx_list_add_to_object(w->result, scaled, &w->scratch);
        refused = ring_stored(w, w->previous_ring, w->current_ring);
        *previous = scaled;
        *current = next;
    }
    return refused;
}

int extrude_sweep(ExtrudeWork *w)
{
    w->current_ring = kvx_vtx_list_translate(w->previous_ring, &w->corner.incoming, &w->scratch);
    w->ratio_index = 1;
    if (w->scratch.failed)
        return extrude_refuse(EXTRUDE_NO_MEMORY);

    int refused;
    do {
        VertexList *previous, *current;
        refused = sweep_corner(w, &previous, &current);
        // Hand over: the old rings' vertices are reused from here on, except
        // the template's own.
        if (w->previous_is_template)
            list_free(&w->previous_ring);
        else
            kvx_scratch_give(&w->scratch, &w->previous_ring);
        w->previous_is_template = 0;
        kvx_scratch_give(&w->scratch, &w->current_ring);
        w->previous_ring = previous;
        w->current_ring = current;
    } while (!refused && extrude_corners_next(&w->corner));
    if (refused)
        return 1;

    if (w->path_closed) {
        // The closing wall, from the ring at P0 back to the first ring, at P1.
        extrude_note_fold(w, w->ring_count - 1, 0, w->previous_ring, w->current_ring);
        return 0;
    }
    // The end ring: the current ring at the last point, scaled there.
    w->centre = vec3_add(&w->centre, &w->corner.outgoing);
    kvx_vtx_list_scale_in_place(w->current_ring, &w->centre, w->scale[w->ratio_index]);
    kvx_vtx_list_add_to_object(w->result, w->current_ring, &w->scratch);
    return ring_stored(w, w->previous_ring, w->current_ring);
}
