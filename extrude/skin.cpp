// Skin and commit: join every pair of consecutive rings with a strip of
// four-sided surfaces, addressed by position in the result object (ring j's
// vertex i is vertex j*m + i), then hand the object to the world as one
// undoable step.

#include "extrude_work.h"

static void add_quad(Object *object, int v0, int v1, int v2, int v3)
{
    Surface *quad = new_surface();
    surface_add_vertex(quad, zirka_object_get_vertex_at_index(object, v0), 0, 0);
    surface_add_vertex(quad, zirka_object_get_vertex_at_index(object, v1), 0, 0);
    surface_add_vertex(quad, zirka_object_get_vertex_at_index(object, v2), 0, 0);
    surface_add_vertex(quad, zirka_object_get_vertex_at_index(object, v3), 0, 0);
    object_add_surface(object, quad);
}

// The strip from the ring whose first vertex is a to the ring whose first
// vertex is b; a closed outline gets a last quad from its last vertex back to
// its first.
static void add_strip(Object *object, int a, int b, int m, int closed)
{
    for (int i = 1; i < m; i++)
        add_quad(object, a + i - 1, a + i, b + i, b + i - 1);
    if (closed)
        add_quad(object, a + m - 1, a, b, b + m - 1);
}

int extrude_skin_commit(ExtrudeWork *w)
{
    int m = (int)zirka_head_surface_count(w->template_surface);
    int rings = w->ring_count;

    for (int j = 0; j + 1 < rings; j++)
        add_strip(w->result, j * m, (j + 1) * m, m, w->template_closed);
    // A closed path makes a closed tube: its last ring, at the first point,
    // joins back to its first ring, at the second.
    if (w->path_closed && rings > 1)
        add_strip(w->result, (rings - 1) * m, 0, m, w->template_closed);

    extrude_report_trouble(w);
    object_calc_normals_force(w->result);
    add_undoable_world_add_object("Extrude along path", w->result);
    redraw_all();
    return 0;
}
