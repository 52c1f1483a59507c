// The mitre point: where a vertex's incoming track along the path meets its
// outgoing track, or for tracks that miss each other the point of the
// incoming track nearest to the outgoing one. Found by a small Gauss-Jordan
// solver over the system t d1 - s d2 + u n = P3 - P1.
#include "kvx_geom.h"

#include <cassert>
#include <cmath>
#include <cstring>

// The pivot row for column i: among the rows that have not pivoted yet, the
// one whose entry is the smallest non-zero candidate, the lowest row on
// ties; a not-a-number entry never compares greater than 0. -1 when no row
// qualifies.
static int choose_pivot(const double m[12], const int record[3], int i)
{
    int p = -1;
    double best = 0.0;
    for (int r = 0; r < 3; ++r) {
        if (record[r] != -1)
            continue;
        const double v = std::fabs(m[r * 4 + i]);
        if (v > 0.0 && (p == -1 || v < best)) {
            p = r;
            best = v;
        }
    }
    return p;
}

// Eliminates column i with pivot row p: scales row p so that its pivot
// entry becomes -1, then takes row p from every other row, columns first to
// 3 (entries before first are left as they are).
static void eliminate(double m[12], int p, int i, int first)
{
    double *prow = m + p * 4;
    const double f = -1.0 / prow[i];
    for (int c = first; c < 4; ++c)
        prow[c] *= f;
    // q is about -1, so the update also flips the sign of every other row,
    // earlier pivot rows included; hence -1, +1, -1 on the diagonal.
    const double q = prow[i];
    for (int r = 0; r < 3; ++r) {
        if (r == p)
            continue;
        double *row = m + r * 4;
        const double a = row[i];
        for (int c = first; c < 4; ++c)
            row[c] = q * row[c] - a * prow[c];
    }
}

int kvx_solve3(double m[12])
{
    assert(m && "kvx_solve3 solves the matrix in place");
    int record[3] = {-1, -1, -1}; // the column each row eliminated, -1 if none yet
    for (int i = 0; i < 3; ++i) {
        const int p = choose_pivot(m, record, i);
        if (p == -1)
            continue;
        record[p] = i;
        eliminate(m, p, i, 0);
    }
    // Put each pivot row at the index of its variable; rows that eliminated
    // nothing take the indices left over.
    for (int k = 0; k < 3; ++k) {
        for (;;) {
            const int j = record[k];
            if (j == -1)
                break;
            for (int c = 0; c < 4; ++c) {
                const double tmp = m[k * 4 + c];
                m[k * 4 + c] = m[j * 4 + c];
                m[j * 4 + c] = tmp;
            }
            record[k] = record[j];
            record[j] = j;
            if (j == k)
                break;
        }
    }
    return 1;
}

// Fills m with the system t d1 - s d2 + u n = w, one row per axis.
static void mitre_system(double m[12], const Pos3 &d1, const Pos3 &d2, const Pos3 &w)
{
    // The common perpendicular stays in double.
    const double nx = (double)d1.y * d2.z - (double)d1.z * d2.y;
    const double ny = (double)d1.z * d2.x - (double)d1.x * d2.z;
    const double nz = (double)d1.x * d2.y - (double)d1.y * d2.x;
    const double rows[12] = {
        d1.x, -(double)d2.x, nx, w.x, //
        d1.y, -(double)d2.y, ny, w.y, //
        d1.z, -(double)d2.z, nz, w.z, //
    };
    std::memcpy(m, rows, sizeof rows);
}

// Variable 0 of the system m as kvx_solve3 leaves it (-m[3] afterwards),
// made with the very operations kvx_solve3 makes, but only on the entries
// the answer depends on: once column i has found its pivot, no entry before
// column i is read again (column i itself only as the pivot and the
// factors). Returns 0, with m part worked, when a column finds no pivot;
// the full solver then decides where the rows go.
static int solve_for_t(double m[12], double *t)
{
    int record[3] = {-1, -1, -1}, pivot_row[3];
    for (int i = 0; i < 3; ++i) {
        const int p = choose_pivot(m, record, i);
        if (p == -1)
            return 0;
        record[p] = i;
        pivot_row[i] = p;
        eliminate(m, p, i, i);
    }
    *t = -m[pivot_row[0] * 4 + 3];
    return 1;
}

Vertex *kvx_line_intersect(Pos3 p1, Pos3 p2, Pos3 p3, Pos3 p4, KvxScratch *scratch)
{
    const Pos3 d1 = vec3_sub(&p2, &p1), d2 = vec3_sub(&p4, &p3), w = vec3_sub(&p3, &p1);

    // Only an exact 1.0 counts as parallel; opposite or nearly parallel
    // tracks go through the solver.
    if (vec3_cos_angle(&d1, &d2) == 1.0)
        return kvx_vertex_new(scratch, p2.x, p2.y, p2.z);

    double m[12], t;
    mitre_system(m, d1, d2, w);
    if (!solve_for_t(m, &t)) {
        mitre_system(m, d1, d2, w);
        kvx_solve3(m);
        t = -m[3];
    }
    return kvx_vertex_new(scratch, (float)(p1.x + t * d1.x), (float)(p1.y + t * d1.y), (float)(p1.z + t * d1.z));
}

VertexList *kvx_vtx_list_intersect(const VertexList *l1, const VertexList *l2, const VertexList *l3,
                                   const VertexList *l4, KvxScratch *scratch)
{
    List *result = NULL, **tail = &result;
    while (l1 && l2 && l3 && l4) {
        Vertex *v = kvx_line_intersect(*zirka_head_vertex_pos((Vertex *)l1->item),
                                       *zirka_head_vertex_pos((Vertex *)l2->item),
                                       *zirka_head_vertex_pos((Vertex *)l3->item),
                                       *zirka_head_vertex_pos((Vertex *)l4->item), scratch);
        if (!(tail = kvx_list_append_vertex(tail, v, scratch)))
            break;
        l1 = l1->next;
        l2 = l2->next;
        l3 = l3->next;
        l4 = l4->next;
    }
    return result;
}
