// Skin and commit: join every pair of consecutive rings with a strip of
// four-sided surfaces, addressed by position in the result object (ring j's
// vertex i is vertex j*m + i), then hand the object to the world as one
// undoable step.

#include "extrude_work.h"

// Adds the quad v0, v1, v2, v3 to the object. Returns 0, or 1 when the host
// had no memory for it.
static int add_quad(Object *object, int v0, int v1, int v2, int v3)
{
    Surface *quad = new_surface();
    if (!quad)
        return 1;
    const int corners[4] = {v0, v1, v2, v3};
    int failed = 0;
    for (int k = 0; k < 4 && !failed; k++)
        failed = !surface_add_vertex(quad, zirka_object_get_vertex_at_index(object, corners[k]), 0, 0);
    // Added even when short, so that it goes with the object.
    object_add_surface(object, quad);
    return failed;
}

// The strip from the ring whose first vertex is a to the ring whose first
// vertex is b; a closed outline gets a last quad from its last vertex back to
// its first. Returns 1 when the host ran out of memory, else 0.
static int add_strip(Object *object, int a, int b, int m, int closed)
{
    for (int i = 1; i < m; i++)
        if (add_quad(object, a + i - 1, a + i, b + i, b + i - 1))
            return 1;
    return closed ? add_quad(object, a + m - 1, a, b, b + m - 1) : 0;
}

int extrude_skin_commit(ExtrudeWork *w)
{
    int m = (int)zirka_head_surface_count(w->template_surface);
    int rings = w->ring_count;

    for (int j = 0; j + 1 < rings; j++)
        if (add_strip(w->result, j * m, (j + 1) * m, m, w->template_closed))
            return extrude_refuse(EXTRUDE_NO_MEMORY);
    // A closed path makes a closed tube: its last ring, at the first point,
    // joins back to its first ring, at the second.
    if (w->path_closed && rings > 1 && add_strip(w->result, (rings - 1) * m, 0, m, w->template_closed))
        return extrude_refuse(EXTRUDE_NO_MEMORY);

    extrude_report_trouble(w);
    object_calc_normals_force(w->result);
    add_undoable_world_add_object("Extrude along path", w->result);
    redraw_all();
    return 0;
}
