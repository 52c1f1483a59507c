/*
 * extrude_work.h -- the working values that the phases of one
 * extrude_along_path call share, the phases themselves, and the helpers
 * every phase uses.
 *
 * The handler (extrude_along_path.cpp) runs the phases in this order, each
 * on the same ExtrudeWork, and stops at the first that refuses:
 *
 *   extrude_validate        validate.cpp       the amount, the selection, the path
 *   extrude_align_template  align.cpp          the first ring, facing the path
 *   extrude_scale_profile   scale_profile.cpp  one size ratio per path entry
 *   extrude_sweep           sweep.cpp          one ring per path point, into the result
 *   extrude_skin_commit     skin.cpp           quads between the rings; into the world
 *
 * Every phase returns 0 to go on, or 1 when it has refused the command
 * (after showing or writing its one refusal). Whatever the outcome, the
 * handler's one cleanup exit releases every list and table that the phases
 * left in the record; a phase never releases what it hands on. Nothing
 * survives the call except what enters the world.
 */
#ifndef EXTRUDE_WORK_H
#define EXTRUDE_WORK_H

#include <stddef.h>
#include <stdio.h>

#include "extrude.h"

#ifdef __cplusplus
extern "C" {
#endif

/* A walk over the corners of the path as the sweep meets them. The corner at
 * entry k lies between the segment into it (from entry k-1) and the segment
 * out of it (to entry k+1). An open path of n points has its corners at
 * P1 .. Pn-2; a closed one at P1 .. Pn-1 and last at P0, the walk wrapping
 * round to the first entries (or, once alignment has appended P0 and P1 to
 * the path points, running on into those). */
typedef struct ExtrudeCorners {
    const List *points;  /* the path points (SurfaceVertex entries): where the walk wraps to */
    const List *far;     /* the entry at the end of the outgoing segment */
    int left;            /* corners still to come after this one */
    Pos3 incoming;       /* segment ending at the corner */
    Pos3 outgoing;       /* segment leaving it */
} ExtrudeCorners;

/* What the sweep noticed that the user should hear of (extrude_report_trouble).
 * Rings are counted from 0 in the order they stand in the result object. */
typedef struct ExtrudeTrouble {
    int sharp_turns; /* corners where the path turns by more than a right angle */
    int first_sharp; /* the ring made at the first of them */
    int folds;       /* rings whose mitre points lie beyond the ring before or after them */
    int first_fold;  /* the first of those rings */
    int last_fold;   /* the ring counted last, plus 1 (0: none yet), so that each is counted once */
    int ring0_fold;  /* ring 0 was counted (the closing wall of a closed path comes back to it) */
} ExtrudeTrouble;

/* What a check of the selection found: a code word and a number, the
 * verdict kvx_extrude_along_path_check hands to the dialog. */
typedef struct ExtrudeVerdict {
    const char *code; /* "ok", or the refusal found first (see validate.cpp) */
    int number;       /* the objects selected, or which object (1 the template,
                         2 the path), or the path's points; 0 where nothing counts */
} ExtrudeVerdict;

typedef struct ExtrudeWork {
    /* Input: the options, set before validation. */
    int caps;     /* -caps: one surface at each end of a closed outline along an open path */
    int outward;  /* -outward: every surface reversed where the faces would point inward */
    int uv;       /* -uv: texture coordinates on every surface entry */
    int checking; /* only the selection is checked: nothing is made or written, no
                     normals recomputed; the outcome is in verdict */

    /* Set by validation (the selection checks also when checking). */
    ExtrudeVerdict verdict;
    float scale_amount;       /* the argument, in percent */
    double scale_fraction;    /* size at the end of the path relative to the start */
    Object *result;           /* the new object: every vertex and surface the call makes;
                                 enters the world only in skin and commit */
    Object *template_object;  /* the first selected object */
    Object *path_object;      /* the second selected object */
    Surface *template_surface;
    Surface *path_surface;
    int template_closed;      /* surface type is not an open line */
    int path_closed;
    List *path_points;        /* the path's SurfaceVertex entries, runs of coincident points
                                 kept once; owned nodes; alignment appends P0, P1 to a
                                 closed path */
    ExtrudeCorners corner;    /* the corner the sweep is at; validation starts it at P1 */

    /* Set by alignment, moved along by the sweep. */
    VertexList *template_list; /* the template surface's own vertices; owned nodes */
    Pos3 centre;               /* running centre: centre of the current ring */
    Pos3 template_normal;      /* unit normal of the outline, not against the first segment */
    int faces_inward;          /* a closed outline runs the way that makes its faces point
                                  into the tube (clockwise round the first segment) */
    Pos3 axis;                 /* rotation axis of the current turn */
    double cosine;             /* cosine of the current turn */
    VertexList *previous_ring; /* ring at the previous path point; owned nodes */
    int previous_is_template;  /* previous_ring holds the template's own vertices, which are
                                  never handed to scratch */
    VertexList *current_ring;  /* previous ring moved to the corner, not yet scaled; owned nodes */
    int ring_count;            /* rings added to the result object so far */

    /* Set by the scale profile, read by the sweep (scale) and the skin
     * (distance). */
    double *scale;             /* one size ratio per path entry; owned (free) */
    double *distance;          /* distance along the path from its first point, per
                                  path entry; owned (free) */
    int ratio_index;           /* scale entry of the current ring: its path entry */

    /* Shared by alignment and the sweep: the vertices of every ring the call
     * is done with, reused for the rings that follow. Owned. */
    KvxScratch scratch;

    /* Set by the sweep, reported by skin and commit. */
    ExtrudeTrouble trouble;
} ExtrudeWork;

/* Validation. Reads argc, argv and the host's selection; the selection
 * checks are extrude_check_selection. Sets scale_amount,
 * scale_fraction, result (new, owned until commit), template_object,
 * path_object, template_surface, path_surface, template_closed,
 * path_closed, path_points (owned nodes) and corner (at P1). Refuses a
 * result whose vertices the host could not number with an int. Recalculates
 * the template's normals once both objects pass. Refuses a missing or
 * unreadable amount with a message dialog, everything else with one line on
 * standard error; writes one bare newline to standard error per object it
 * checks. */
int extrude_validate(ExtrudeWork *w, int argc, const char **argv);

/* The checks of validation that depend on the selection only, in the order
 * validation makes them; sets verdict (code "ok" when all pass) and, as
 * validation, template_object .. corner. Unless w->checking, writes the
 * bare newline per object checked and the refusal line, and recalculates
 * the template's normals once both objects pass; when checking, writes and
 * recalculates nothing. Returns 0 when all pass, else 1. */
int extrude_check_selection(ExtrudeWork *w);

/* Alignment. Reads template_surface, corner.incoming, path_closed. Sets
 * template_list (owned nodes), centre, template_normal, cosine and axis (of
 * the turn onto the first segment, when there is one), previous_ring (owned
 * nodes: new vertices, or for an aligned template a clone of template_list,
 * the template's own vertices, and then previous_is_template); for a closed
 * path appends P0 and P1 to path_points, for an open one adds previous_ring
 * to result and sets ring_count to 1. */
int extrude_align_template(ExtrudeWork *w);

/* Returns 1 when a closed outline (its own vertices, as drawn) runs
 * clockwise round normal, the direction alignment turns onto the first
 * segment: its walls would then face into the tube. 0 otherwise, also when
 * the outline encloses no area or the normal is not a number.
 * outline: read only; may be NULL. normal: read only; must not be NULL. */
int extrude_outline_runs_inward(const VertexList *outline, const Pos3 *normal);

/* Scale profile. Reads path_points (as alignment left them) and
 * scale_fraction. Sets scale (owned): scale[0] = 1, scale[i] the ratio of the
 * size at entry i to the size at entry i - 1; and distance (owned), the
 * path's length from its first entry to entry i. Refuses when a size of 0 comes
 * before the last entry, or when the tables cannot be allocated. */
int extrude_scale_profile(ExtrudeWork *w);

/* Sweep. Reads scale, path_closed, corner; moves centre, corner, axis,
 * cosine; replaces previous_ring and current_ring (owned nodes) at every
 * corner, handing the old ones to scratch (the template's own vertices
 * excepted); adds one ring per path point to result and counts them in
 * ring_count; notes in trouble the sharp turns and the folded walls. Refuses
 * a ring with a coordinate that is not finite (arithmetic that overflowed). */
int extrude_sweep(ExtrudeWork *w);

/* Skin and commit. Reads template_surface, template_closed, path_closed,
 * ring_count, trouble, the options, faces_inward, template_list and
 * distance. Adds the quads (and, with caps, the two end surfaces) to
 * result, reversed with outward where faces_inward, with texture
 * coordinates with uv; writes the warnings of
 * trouble to standard error, recalculates the result's normals and hands it
 * to the world as one undoable step; redraws. */
int extrude_skin_commit(ExtrudeWork *w);

/* Runs the phases in order on w (options set, the rest zeroed) and stops at
 * the first that refuses. Returns 0 when the object entered the world, else
 * 1. Releases nothing: see extrude_work_release. */
int extrude_run(ExtrudeWork *w, int argc, const char **argv);

/* Reads kvx_extrude_along_path's options from argv[1] on into w's flags.
 * Returns the index of the amount in argv; or -1, after showing the
 * message dialog that says why, for an unknown or repeated option, a
 * missing amount, or a word after the amount. */
int extrude_read_options(ExtrudeWork *w, int argc, const char **argv);

/* The handler's one cleanup exit: releases every list and table that the
 * phases left in w (whatever the outcome, and however far they got) and
 * empties its scratch supply. The result object is not touched: the world
 * holds it, or the host frees it when the command returns. w must have
 * started zeroed. */
void extrude_work_release(ExtrudeWork *w);

/* Writes one refusal line to standard error, whatever kvx_debug says.
 * Returns 1, the refusal code of a phase. */
static inline int extrude_refuse(const char *line)
{
    fputs(line, stderr);
    return 1;
}

/* Returns a new list of the surface's own Vertex pointers, in surface order
 * (the vertices stay the surface's: writing through the list moves them);
 * NULL for a surface without vertices, and when the host has no memory for
 * the list's nodes. The caller owns the list's nodes. Traces each entry when
 * kvx_debug is on.
 * surface: read only; must not be NULL. */
VertexList *kvx_vtx_list_from_surface1(Surface *surface);

/* The vertex of a path points entry (a node whose item is a SurfaceVertex). */
static inline Vertex *extrude_path_vertex(const List *node)
{
    return zirka_head_entry_vertex((const SurfaceVertex *)node->item);
}

static inline const Pos3 *extrude_path_point(const List *node)
{
    return zirka_head_vertex_pos(extrude_path_vertex(node));
}

/* Starts a walk of corners over points (at least 3 entries) at the corner at
 * entry 1: incoming = P1 - P0, outgoing = P2 - P1. */
static inline void extrude_corners_begin(ExtrudeCorners *walk, const List *points, int corners)
{
    const List *p1 = points->next, *p2 = p1->next;
    walk->points = points;
    walk->far = p2;
    walk->left = corners - 1;
    walk->incoming = vec3_sub(extrude_path_point(p1), extrude_path_point(points));
    walk->outgoing = vec3_sub(extrude_path_point(p2), extrude_path_point(p1));
}

/* Moves the walk on to the next corner: the outgoing segment becomes the
 * incoming one. Returns 0, changing nothing, after the last corner. */
static inline int extrude_corners_next(ExtrudeCorners *walk)
{
    if (walk->left == 0)
        return 0;
    const List *next = walk->far->next ? walk->far->next : walk->points;
    walk->incoming = walk->outgoing;
    walk->outgoing = vec3_sub(extrude_path_point(next), extrude_path_point(walk->far));
    walk->far = next;
    walk->left--;
    return 1;
}

/* Whether the path turns at a corner between the segments in and out: the
 * cosine of their angle is not exactly 1.0 and is finite. A straight stretch
 * gives exactly 1.0; a zero segment gives 0.0, a turn about a zero axis.
 * Sets *cosine; when the path turns, also *axis (the unit axis in x out). */
static inline int extrude_turns(const Pos3 *in, const Pos3 *out, double *cosine, Pos3 *axis)
{
    *cosine = vec3_cos_angle(in, out);
    if (*cosine == 1.0 || !isfinite(*cosine))
        return 0;
    vec3_cross_unit(in, out, axis);
    return 1;
}

/* The sweep's notes: the ring about to be made (ring_count) stands at a
 * turn sharper than a right angle. */
void extrude_note_sharp_turn(ExtrudeWork *w);

/* The sweep's refusal check: returns 0 when a coordinate of ring (the
 * ring-th ring stored in result) is not finite, else 1. */
int extrude_ring_finite(const ExtrudeWork *w, int ring);

/* The sweep's fold warning: checks the wall from ring from to ring to, both
 * stored in result (nothing when from is below 0). previous and current are the rings at both ends of the
 * vertices' tracks along that segment (current scaled for its point, unless
 * it is a closed path's closing segment). A wall that runs against its track
 * folds; the ring whose mitre point moved further is noted in trouble. */
void extrude_note_fold(ExtrudeWork *w, int from, int to, const VertexList *previous, const VertexList *current);

/* Writes one warning line to standard error for each kind of trouble noted,
 * naming the first point where it happens (1-based, in the path as drawn)
 * and how many points it affects. */
void extrude_report_trouble(const ExtrudeWork *w);

/* The refusal of a result that arithmetic has made infinite or not a
 * number, though every input coordinate was finite. */
#define EXTRUDE_NOT_FINITE "extrude_along_path(): result would have coordinates that are not finite!\n"

/* The refusal when the host, or the heap, has no memory for what the
 * command makes. */
#define EXTRUDE_NO_MEMORY "extrude_along_path(): out of memory!\n"

/* The allocator of the scale and length tables; tests replace it to show
 * how the command meets an allocation failure. */
extern void *(*extrude_table_alloc)(size_t size);

#ifdef __cplusplus
}
#endif

#endif /* EXTRUDE_WORK_H */
