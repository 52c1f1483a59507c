// A host surface as a vertex list: the surface's own vertices, in order.

#include <stdio.h>

#include "extrude_work.h"

VertexList *kvx_vtx_list_from_surface1(Surface *surface)
{
    VertexList *list = NULL, **tail = &list;
    int index = 0;

    for (const List *node = zirka_head_surface_vertices(surface); node; node = node->next, index++) {
        Vertex *v = zirka_head_entry_vertex((const SurfaceVertex *)node->item);
        if (!(tail = kvx_list_append(tail, v))) {
            list_free(&list);
            return NULL;
        }
        if (kvx_debug) {
            const Pos3 *p = zirka_head_vertex_pos(v);
            fprintf(stderr, "kvx_vtx_list_from_surface1(): #%03d : (%f,%f,%f)\n", index, p->x, p->y, p->z);
        }
    }
    return list;
}
