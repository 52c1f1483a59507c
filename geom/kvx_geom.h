/*
 * kvx_geom.h -- the geometry kernel: vectors, vertex lists, ring transforms
 * and the mitre-point solver.
 *
 * Plain functions: nothing is kept from one call to the next; whatever an
 * operation needs across calls (the scratch supply below) the caller passes
 * in and owns. Vertex lists (VertexList) are host Lists
 * whose items are Vertex pointers; a Vertex pointer is read as a Pos3
 * pointer, since the host's vertex record begins with its position.
 *
 * Numbers: coordinates live in single-precision floats; products, sums,
 * square roots and the linear systems are formed in double and rounded to
 * single precision only where they are stored into a Pos3 or a Vertex.
 * Normalising multiplies by one reciprocal of the length. These rules decide
 * every result bit for bit; build with IEEE single and double arithmetic
 * (SSE2 on x86, no x87 extended precision), no fused multiply-add, and with
 * GCC without its vectorisers (-fno-tree-vectorize, set for the whole build),
 * which in GCC 12 skip the rounding of a float field stored and read back.
 *
 * Nothing here reports an error: degenerate input shows in the results (a
 * cosine of 0.0 for a zero vector, components that are not a number for a
 * vanishing fan normal).
 *
 * Ownership: every list returned here is the caller's (release its nodes with
 * list_free); the vertices in it were made with new_vertex_set and belong to
 * the host. Only the ring transforms change their input vertices.
 *
 * Scratch vertices: the host has no operation that releases a free-standing
 * vertex, so every operation that makes vertices takes a KvxScratch, a
 * supply of vertices the caller has handed back (kvx_scratch_give) once
 * nothing holds them any more; new vertices are taken from it first, and made
 * with new_vertex_set only when it is empty. A command that hands back each
 * ring it is done with makes a few rings' worth of vertices in all, however
 * long the path. Taking a vertex from the supply gives the same positions,
 * bit for bit, as making a new one; a NULL supply makes every vertex new.
 *
 * Memory, one rule for every operation here: when the host has no memory
 * for a vertex or a list node, the operation stops where it is, keeps what
 * it has made so far (a short list, an object holding the vertices before
 * the one that failed), and sets failed in the supply it was given. That
 * flag is the only report: no operation returns a code for it, and a short
 * or NULL list says nothing by itself. A caller that must know passes a
 * supply and tests failed after a run of operations; with a NULL supply the
 * failure is still counted by the host, which cancels the command.
 *
 * Pointers: each declaration says which arguments may be NULL and which are
 * written; a NULL where none is allowed is a broken caller contract, caught
 * by an assert.
 */
#ifndef KVX_GEOM_H
#define KVX_GEOM_H

#include "zirka_heads.h"

#include <math.h>
#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef List VertexList; /* items are Vertex pointers */

/* Trace switch: when non-zero, trace lines go to standard error. It is 0 in
 * the shipped plug-in and never changed at run time there; tests set it. */
extern int kvx_debug;

/* Appends item after the node whose next field is *tail (or as the first node
 * when tail is the address of an empty list variable) through the host's
 * list_add_item, and returns the address of the new last node's next field,
 * the tail for the following append; NULL when the host had no memory for
 * the node (the list is then as it was). O(1) per item whatever
 * list_add_item costs, so building a list of n items is O(n).
 *
 *   List *list = NULL, **tail = &list;
 *   tail = kvx_list_append(tail, item);  // *tail is always NULL between calls
 *   if (!tail) ...                       // out of memory
 */
static inline List **kvx_list_append(List **tail, void *item)
{
    list_add_item(tail, item);
    return *tail ? &(*tail)->next : NULL;
}

/* ---- scratch vertices ---------------------------------------------------------- */

/* Vertices handed back for reuse within one command. Start it as
 * KVX_SCRATCH_INIT and end it with kvx_scratch_release. */
typedef struct KvxScratch {
    Vertex **free;   /* the vertices handed back; the last one is reused first */
    size_t count;    /* vertices in free */
    size_t capacity; /* room in free */
    int failed;      /* set when a vertex or a node could not be made: a list made
                        since came out short */
} KvxScratch;

#define KVX_SCRATCH_INIT {NULL, 0, 0, 0}

/* Returns a vertex at (x, y, z): the vertex handed back last, if scratch
 * holds one, else a new one from new_vertex_set; NULL when the host has no
 * memory for it (and then scratch->failed is set).
 * scratch: changed (loses the vertex it gives); may be NULL. */
Vertex *kvx_vertex_new(KvxScratch *scratch, float x, float y, float z);

/* Appends v, a vertex just taken with kvx_vertex_new, at tail (see
 * kvx_list_append). Returns the new tail, or NULL when v is NULL or the
 * node could not be made; scratch->failed is then set, and v, if any, is
 * handed back.
 * scratch: may be NULL. */
List **kvx_list_append_vertex(List **tail, Vertex *v, KvxScratch *scratch);

/* Hands the vertices of *list back to scratch, then releases the list's
 * nodes (list_free; *list becomes NULL). The caller promises that nothing
 * holds those vertices any more: they were made by this kernel, belong to no
 * object and stand in no other list that is still in use. When scratch
 * cannot grow, the vertices are not reused; nothing else changes.
 * scratch: changed; may be NULL (only the nodes are released).
 * list: the address of a list variable; must not be NULL. */
void kvx_scratch_give(KvxScratch *scratch, VertexList **list);

/* Releases scratch's own storage; the vertices it held stay the host's.
 * scratch: left empty; must not be NULL. */
void kvx_scratch_release(KvxScratch *scratch);

/* ---- vectors ----------------------------------------------------------------- */

/* Cosine of the angle between a and b: (a.b) / (|b||a|), not clamped.
 * Returns 0.0 when either length is exactly 0; not a number when a component
 * is not a number.
 * a, b: read only; must not be NULL. */
double vec3_cos_angle(const Pos3 *a, const Pos3 *b);

/* Unit vector along the right-handed product a x b, into *out. A zero product
 * is stored unnormalised (the zero vector).
 * a, b: read only; must not be NULL.
 * out: may be NULL (nothing happens); may be a or b, which are read whole
 * before out is written. */
void vec3_cross_unit(const Pos3 *a, const Pos3 *b, Pos3 *out);

/* Returns a - b, each component a float difference (rounded to single
 * precision). a, b: read only; must not be NULL. */
static inline Pos3 vec3_sub(const Pos3 *a, const Pos3 *b)
{
    Pos3 d = {a->x - b->x, a->y - b->y, a->z - b->z};
    return d;
}

/* Returns a + b, each component a float sum (rounded to single precision).
 * a, b: read only; must not be NULL. */
static inline Pos3 vec3_add(const Pos3 *a, const Pos3 *b)
{
    Pos3 s = {a->x + b->x, a->y + b->y, a->z + b->z};
    return s;
}

/* Multiplies each component of *p by r in double and rounds it back into *p:
 * how the kernel normalises (one reciprocal, three products).
 * p: changed in place; must not be NULL. */
static inline void vec3_scale_by(Pos3 *p, double r)
{
    p->x = (float)(p->x * r);
    p->y = (float)(p->y * r);
    p->z = (float)(p->z * r);
}

/* Returns 1 when the components compare equal (so -0 equals +0 and a
 * component that is not a number equals nothing), else 0.
 * a, b: read only; must not be NULL. */
static inline int vec3_equal(const Pos3 *a, const Pos3 *b)
{
    return a->x == b->x && a->y == b->y && a->z == b->z;
}

/* Returns 1 when no component is infinite or not a number, else 0.
 * p: read only; must not be NULL. */
static inline int vec3_is_finite(const Pos3 *p)
{
    return isfinite(p->x) && isfinite(p->y) && isfinite(p->z);
}

/* ---- vertex lists -------------------------------------------------------------- */

/* Centroid of the list's positions into *out (running sums in single
 * precision). An empty list gives components that are not a number.
 * list: read only; may be NULL (empty).
 * out: written; must not be NULL.
 * Traces "kvx_vtx_list_get_centre(): (%f,%f,%f)\n". */
void kvx_vtx_list_get_centre(const VertexList *list, Pos3 *out);

/* Unit fan normal of the list about centre into *out: the normalised sum of
 * the unit normals of the triangles (centre, v[k-1], v[k]) for k = 1..n-1 (no
 * closing term from the last vertex back to the first). A vanishing sum, a
 * one-vertex list and an empty list give components that are not a number.
 * list: read only; may be NULL (empty, no node is read).
 * centre: read only; must not be NULL. out: written; must not be NULL and
 * must not be centre.
 * Traces "kvx_vtx_list_get_normal(): (%f,%f,%f)\n". */
void kvx_vtx_list_get_normal(const VertexList *list, const Pos3 *centre, Pos3 *out);

/* Returns a new list of new vertices, each item moved by *offset (each sum
 * rounded to single precision), in order; NULL for an empty list.
 * list: read only, its vertices unchanged; may be NULL.
 * offset: read only; must not be NULL.
 * scratch: where the new vertices come from first; may be NULL. */
VertexList *kvx_vtx_list_translate(const VertexList *list, const Pos3 *offset, KvxScratch *scratch);

/* Returns a new list of new vertices at the items' positions, bit for bit
 * (a negative zero stays negative), in order; NULL for an empty list.
 * list: read only, its vertices unchanged; may be NULL.
 * scratch: where the new vertices come from first; may be NULL. */
VertexList *kvx_vtx_list_copy(const VertexList *list, KvxScratch *scratch);

/* Appends to object one new vertex at a copy of each item's position, in
 * order (object_add_new_vertex). Out of memory: stops there and sets
 * scratch->failed.
 * object: gains the vertices; must not be NULL.
 * list: read only, its vertices unchanged; may be NULL (adds nothing).
 * scratch: only its failed flag is used; may be NULL. */
void kvx_vtx_list_add_to_object(Object *object, const VertexList *list, KvxScratch *scratch);

/* ---- ring transforms ------------------------------------------------------------- */

/* Moves every vertex of list to (p - centre) * factor + centre, coordinate by
 * coordinate, in double, each coordinate stored (rounded) at once.
 * list: its vertices changed in place; may be NULL.
 * centre: read only; must not be NULL and must not be one of list's
 * vertices (it would move under the loop). */
void kvx_vtx_list_scale_in_place(VertexList *list, const Pos3 *centre, double factor);

/* Scales list in place as kvx_vtx_list_scale_in_place, then returns a new
 * list of new vertices: the scaled positions (read back as stored) turned
 * about the axis through *centre by the angle whose cosine is given,
 * right-handed about *axis (used as given, not normalised). The cosine is
 * clamped to [0, 1], so the turn is at most a quarter turn.
 * list: its vertices changed in place; may be NULL (returns NULL).
 * centre, axis: read only; must not be NULL.
 * scratch: where the new vertices come from first; may be NULL.
 * Traces "extrude_along_path(): rotating with center (%f,%f,%f) with S=%e\n"
 * first, also for an empty list. */
VertexList *kvx_vtx_list_scale_rotate(VertexList *list, const Pos3 *centre, const Pos3 *axis, double cosine,
                                      double factor, KvxScratch *scratch);

/* Scales list in place as kvx_vtx_list_scale_in_place and returns a new list
 * of new vertices at the scaled positions.
 * list: its vertices changed in place; may be NULL (returns NULL).
 * centre: read only; must not be NULL.
 * scratch: where the new vertices come from first; may be NULL. */
VertexList *kvx_vtx_list_scale(VertexList *list, const Pos3 *centre, double factor, KvxScratch *scratch);

/* ---- mitre-point solver ---------------------------------------------------------- */

/* Solves the augmented 3x4 system m (row after row: three coefficients, then
 * the right-hand side) in place by Gauss-Jordan elimination that pivots on
 * the smallest non-zero candidate. Columns without a candidate are skipped.
 * On return row c holds the equation that eliminated variable c; for a fully
 * pivoted system x0 = -m[3], x1 = m[7], x2 = -m[11]. Returns 1.
 * m: twelve doubles, rewritten in place; must not be NULL. */
int kvx_solve3(double m[12]);

/* The mitre points of four rings walked in step: for the k-th items p1 of
 * l1, p2 of l2, p3 of l3 and p4 of l4, the point where line A (through p1,
 * p2) meets line B (through p3, p4), or for skew lines the point of A
 * nearest to B; lines whose directions have a cosine of exactly 1.0 give
 * p2. Each point is appended straight to object (object_add_new_vertex), in
 * order, as long as all four lists have an item; no vertex or list is made
 * for it. Out of memory: stops there and sets scratch->failed.
 * object: gains the points; must not be NULL.
 * l1 .. l4: read only, their vertices unchanged; each may be NULL.
 * scratch: only its failed flag is used; may be NULL. */
void kvx_vtx_list_intersect_to_object(Object *object, const VertexList *l1, const VertexList *l2,
                                      const VertexList *l3, const VertexList *l4, KvxScratch *scratch);

#ifdef __cplusplus
}
#endif

#endif /* KVX_GEOM_H */
