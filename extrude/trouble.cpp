// Trouble the user should hear of: places where the result cannot follow the
// path as drawn, though it is made as the operation defines it. The sweep
// notes them ring by ring; skin and commit reports them, one line of each
// kind, before the object enters the world.

#include <stdio.h>

#include "extrude_work.h"

// A wall that runs backwards by less than this share of its track's length
// is taken as rounding, not as a fold: a square of side 2 turning a right
// angle after a unit step has inner walls of length 0, which is not a fold.
static const double fold_tolerance = 1e-3;

void extrude_note_sharp_turn(ExtrudeWork *w)
{
    if (w->trouble.sharp_turns++ == 0)
        w->trouble.first_sharp = w->ring_count;
}

// Counts ring once among the corners whose mitre ring folds a wall.
static void note_fold(ExtrudeTrouble *t, int ring)
{
    if (ring + 1 == t->last_fold || (ring == 0 && t->ring0_fold))
        return;
    if (t->folds++ == 0 || ring < t->first_fold)
        t->first_fold = ring;
    if (ring == 0)
        t->ring0_fold = 1;
    t->last_fold = ring + 1;
}

static double dot(double ax, double ay, double az, const Pos3 *b)
{
    return ax * b->x + ay * b->y + az * b->z;
}

int extrude_ring_finite(const ExtrudeWork *w, int ring)
{
    int m = (int)zirka_head_surface_count(w->template_surface);
    for (int i = 0; i < m; i++)
        if (!vec3_is_finite(zirka_head_vertex_pos(zirka_object_get_vertex_at_index(w->result, ring * m + i))))
            return 0;
    return 1;
}

void extrude_note_fold(ExtrudeWork *w, int from, int to, const VertexList *previous, const VertexList *current)
{
    // The first ring of a closed path has no ring before it.
    if (from < 0)
        return;
    int m = (int)zirka_head_surface_count(w->template_surface);
    for (int i = 0; i < m && previous && current; i++, previous = previous->next, current = current->next) {
        const Pos3 *a = zirka_head_vertex_pos((Vertex *)previous->item);
        const Pos3 *c = zirka_head_vertex_pos((Vertex *)current->item);
        const Pos3 *r_from = zirka_head_vertex_pos(zirka_object_get_vertex_at_index(w->result, from * m + i));
        const Pos3 *r_to = zirka_head_vertex_pos(zirka_object_get_vertex_at_index(w->result, to * m + i));
        // The vertex's track along the segment, and the wall the two rings
        // make along it: a wall that runs against its track folds.
        const Pos3 d = {c->x - a->x, c->y - a->y, c->z - a->z};
        const double length2 = dot(d.x, d.y, d.z, &d);
        const double along = dot((double)r_to->x - r_from->x, (double)r_to->y - r_from->y,
                                 (double)r_to->z - r_from->z, &d);
        if (length2 > 0.0 && along < -fold_tolerance * length2) {
            // The ring whose mitre point moved further from where the ring
            // would stand unmitred is the one that lies beyond the other.
            double shift_from = dot((double)r_from->x - a->x, (double)r_from->y - a->y, (double)r_from->z - a->z, &d);
            double shift_to = dot((double)r_to->x - c->x, (double)r_to->y - c->y, (double)r_to->z - c->z, &d);
            note_fold(&w->trouble, shift_to * shift_to > shift_from * shift_from ? to : from);
        }
    }
}

// The 1-based place, in the path as drawn, of the point at which ring j
// stands: ring j is at path entry j of an open path and j + 1 of a closed
// one, whose rings begin at P1.
static int ring_point(const ExtrudeWork *w, int ring)
{
    const List *entry = w->path_points;
    for (int k = ring + (w->path_closed ? 1 : 0); k > 0 && entry; k--)
        entry = entry->next;
    int place = 1;
    for (const List *node = zirka_head_surface_vertices(w->path_surface); node; node = node->next, place++)
        if (entry && node->item == entry->item)
            return place;
    return 0;
}

void extrude_report_trouble(const ExtrudeWork *w)
{
    const ExtrudeTrouble *t = &w->trouble;
    if (t->sharp_turns)
        fprintf(stderr,
                "extrude_along_path(): warning: path turns by more than a right angle at point %d (%d point%s in "
                "all); the outline turns by a right angle only!\n",
                ring_point(w, t->first_sharp), t->sharp_turns, t->sharp_turns == 1 ? "" : "s");
    if (t->folds)
        fprintf(stderr,
                "extrude_along_path(): warning: walls fold through each other at point %d (%d point%s in all); "
                "the outline is too large for the turn!\n",
                ring_point(w, t->first_fold), t->folds, t->folds == 1 ? "" : "s");
    if (w->faces_inward && !w->outward)
        fputs("extrude_along_path(): warning: faces point into the tube; reverse the order of the outline's points, "
              "or give -outward, to turn them out!\n",
              stderr);
}
