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

// One row of the system: three coefficients, then the right-hand side.
struct Row {
    double c[4];
};

// Of the rows not in Used (a bit per row), the one whose entry in column i
// is the smallest non-zero candidate, the first on ties, as choose_pivot
// chooses. -1 when none qualifies.
template <int Used> static inline __attribute__((always_inline)) int pick(const Row (&r)[3], int i)
{
    int p = -1;
    double best = 0.0;
    for (int k = 0; k < 3; ++k) {
        if (Used & (1 << k))
            continue;
        const double v = std::fabs(r[k].c[i]);
        if (v > 0.0 && (p == -1 || v < best)) {
            p = k;
            best = v;
        }
    }
    return p;
}

// Eliminates column I with row P as eliminate does, on the columns from I
// on of row P and from I + 1 on of the others, which are all that is read
// afterwards.
template <int P, int I> static inline __attribute__((always_inline)) void eliminate_row(Row (&r)[3])
{
    Row &pr = r[P];
    const double f = -1.0 / pr.c[I];
    for (int c = I; c < 4; ++c)
        pr.c[c] *= f;
    const double q = pr.c[I];
    for (int k = 0; k < 3; ++k) {
        if (k == P)
            continue;
        const double a = r[k].c[I];
        for (int c = I + 1; c < 4; ++c)
            r[k].c[c] = q * r[k].c[c] - a * pr.c[c];
    }
}

// Columns I on, the rows in Used having pivoted already, row T the pivot
// of column 0. Every row and column is named by a constant, so that the
// rows stay in registers: each order of pivots has a path of its own.
template <int I, int Used, int T> static inline __attribute__((always_inline)) int solve_columns(Row (&r)[3], double *t)
{
    if constexpr (I == 3) {
        *t = -r[T].c[3];
        return 1;
    } else {
        switch (pick<Used>(r, I)) {
        case 0:
            if constexpr (!(Used & 1)) {
                eliminate_row<0, I>(r);
                return solve_columns<I + 1, Used | 1, I == 0 ? 0 : T>(r, t);
            }
            break;
        case 1:
            if constexpr (!(Used & 2)) {
                eliminate_row<1, I>(r);
                return solve_columns<I + 1, Used | 2, I == 0 ? 1 : T>(r, t);
            }
            break;
        case 2:
            if constexpr (!(Used & 4)) {
                eliminate_row<2, I>(r);
                return solve_columns<I + 1, Used | 4, I == 0 ? 2 : T>(r, t);
            }
            break;
        }
        return 0;
    }
}

// Variable 0 of the system as kvx_solve3 leaves it (-m[3] afterwards),
// made with the very operations kvx_solve3 makes, but only on the entries
// the answer depends on: once column i has found its pivot, no entry of it
// or before it is read again. Returns 0 when a column finds no pivot; the
// full solver then decides where the rows go.
static int solve_for_t(const double m[12], double *t)
{
    Row r[3] = {{{m[0], m[1], m[2], m[3]}}, {{m[4], m[5], m[6], m[7]}}, {{m[8], m[9], m[10], m[11]}}};
    return solve_columns<0, 0, 0>(r, t);
}

// The mitre point of line A (p1, p2) and line B (p3, p4).
static Pos3 mitre_point(const Pos3 &p1, const Pos3 &p2, const Pos3 &p3, const Pos3 &p4)
{
    const Pos3 d1 = vec3_sub(&p2, &p1), d2 = vec3_sub(&p4, &p3), w = vec3_sub(&p3, &p1);

    // Only an exact 1.0 counts as parallel; opposite or nearly parallel
    // tracks go through the solver.
    if (vec3_cos_angle(&d1, &d2) == 1.0)
        return p2;

    double m[12], t;
    mitre_system(m, d1, d2, w);
    if (!solve_for_t(m, &t)) {
        kvx_solve3(m);
        t = -m[3];
    }
    const Pos3 r = {(float)(p1.x + t * d1.x), (float)(p1.y + t * d1.y), (float)(p1.z + t * d1.z)};
    return r;
}

static const Pos3 &item_pos(const List *node)
{
    return *zirka_head_vertex_pos((Vertex *)node->item);
}

void kvx_vtx_list_intersect_to_object(Object *object, const VertexList *l1, const VertexList *l2,
                                      const VertexList *l3, const VertexList *l4, KvxScratch *scratch)
{
    assert(object && "kvx_vtx_list_intersect_to_object adds to an object");
    // In batches: the points of a batch are solved with no call in between,
    // so that the processor works on several of them at once (each one is a
    // long chain of divisions), and then handed to the host.
    enum { batch = 32 };
    Pos3 points[batch];
    while (l1 && l2 && l3 && l4) {
        int n = 0;
        for (; n < batch && l1 && l2 && l3 && l4; n++, l1 = l1->next, l2 = l2->next, l3 = l3->next, l4 = l4->next)
            points[n] = mitre_point(item_pos(l1), item_pos(l2), item_pos(l3), item_pos(l4));
        for (int k = 0; k < n; k++)
            if (!object_add_new_vertex(object, &points[k])) {
                if (scratch)
                    scratch->failed = 1;
                return;
            }
    }
}
