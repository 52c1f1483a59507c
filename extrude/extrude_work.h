/*
 * extrude_work.h -- the working values that the phases of one
 * extrude_along_path call share, and the phases themselves.
 *
 * Every phase returns 0 to go on or 1 when it has refused the command (after
 * writing its one refusal line); the handler then releases what the call made
 * and returns. Nothing survives the call except what enters the world.
 */
#ifndef EXTRUDE_WORK_H
#define EXTRUDE_WORK_H

#include <stddef.h>

#include "extrude.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef struct ExtrudeWork {
    float scale_amount;     /* the argument, in percent */
    double scale_fraction;  /* size at the end of the path relative to the start */
    Object *result;         /* receives every vertex and surface the call makes */

    Object *template_object;
    Object *path_object;
    Surface *template_surface;
    Surface *path_surface;
    int template_closed;    /* surface type is not an open line */
    int path_closed;

    List *path_points;      /* SurfaceVertex entries of the path, owned nodes;
                               a closed path gets its first two appended */
    Pos3 incoming;          /* segment ending at the current corner */
    Pos3 outgoing;          /* segment leaving it */
    Vertex *far_point;      /* end of the outgoing segment */
    Pos3 centre;            /* running centre: centre of the current ring */

    VertexList *template_list; /* the template surface's own vertices, owned nodes */
    Pos3 template_normal;
    Pos3 axis;              /* rotation axis of the current turn */
    double cosine;          /* cosine of the current turn */

    VertexList *previous_ring; /* ring at the previous path point, owned nodes */
    VertexList *current_ring;  /* previous ring moved to the next point, owned nodes */
    int ratio_index;        /* scale entry of the current ring = its path entry */

    double *scale;          /* one size ratio per path entry, owned */
    int ring_count;         /* rings added to the result object so far */
} ExtrudeWork;

/* The vertex of a path points entry (a SurfaceVertex node). */
static inline Vertex *extrude_path_vertex(const List *node)
{
    return zirka_head_entry_vertex((const SurfaceVertex *)node->item);
}

static inline const Pos3 *extrude_path_point(const List *node)
{
    return zirka_head_vertex_pos(extrude_path_vertex(node));
}

/* a - b, each component rounded to single precision. */
static inline Pos3 extrude_pos_sub(const Pos3 *a, const Pos3 *b)
{
    Pos3 d = {a->x - b->x, a->y - b->y, a->z - b->z};
    return d;
}

/* The phases, in the order in which they run. */
int extrude_check_selection(ExtrudeWork *w, int argc, const char **argv);
int extrude_align_template(ExtrudeWork *w);
int extrude_scale_profile(ExtrudeWork *w);
int extrude_sweep(ExtrudeWork *w);
int extrude_skin_commit(ExtrudeWork *w);

/* Writes one refusal line to standard error, whatever kvx_debug says.
 * Returns 1, the refusal code of a phase. */
int extrude_refuse(const char *line);

/* The allocator of the scale and length tables; tests replace it to show
 * how the command meets an allocation failure. */
extern void *(*extrude_table_alloc)(size_t size);

#ifdef __cplusplus
}
#endif

#endif /* EXTRUDE_WORK_H */
