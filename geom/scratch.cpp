// Scratch vertices: the free-standing vertices a command has finished with,
// handed back and taken again, so that a long sweep makes a few rings' worth
// of them instead of several per result vertex.
#include "kvx_geom.h"

#include <cassert>
#include <cstdlib>

Vertex *kvx_vertex_new(KvxScratch *scratch, float x, float y, float z)
{
    if (!scratch || scratch->count == 0) {
        Vertex *v = new_vertex_set(x, y, z);
        if (!v && scratch)
            scratch->failed = 1;
        return v;
    }
    Vertex *v = scratch->free[--scratch->count];
    Pos3 *p = zirka_head_vertex_pos(v);
    p->x = x;
    p->y = y;
    p->z = z;
    return v;
}

// Makes room for need more vertices. Returns 0 when the storage cannot grow.
static int scratch_reserve(KvxScratch *scratch, size_t need)
{
    if (scratch->capacity - scratch->count >= need)
        return 1;
    size_t capacity = scratch->capacity ? scratch->capacity : 64;
    while (capacity - scratch->count < need)
        capacity *= 2;
    Vertex **grown = (Vertex **)std::realloc(scratch->free, capacity * sizeof *grown);
    if (!grown)
        return 0;
    scratch->free = grown;
    scratch->capacity = capacity;
    return 1;
}

List **kvx_list_append_vertex(List **tail, Vertex *v, KvxScratch *scratch)
{
    List **next = v ? kvx_list_append(tail, v) : NULL;
    if (!next && scratch) {
        scratch->failed = 1;
        // Handed back only where that needs no memory; otherwise it stays
        // the host's, unused.
        if (v && scratch->count < scratch->capacity)
            scratch->free[scratch->count++] = v;
    }
    return next;
}

void kvx_scratch_give(KvxScratch *scratch, VertexList **list)
{
    assert(list && "kvx_scratch_give takes the address of a list variable");
    if (scratch)
        for (const List *node = *list; node && (scratch->count < scratch->capacity || scratch_reserve(scratch, 1));
             node = node->next)
            scratch->free[scratch->count++] = (Vertex *)node->item;
    list_free(list);
}

void kvx_scratch_release(KvxScratch *scratch)
{
    assert(scratch && "kvx_scratch_release empties a supply");
    std::free(scratch->free);
    scratch->free = NULL;
    scratch->count = 0;
    scratch->capacity = 0;
    scratch->failed = 0;
}
