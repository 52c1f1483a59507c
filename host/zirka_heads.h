/*
 * zirka_heads.h -- readers of the host records' leading fields (the *Head
 * records of zirka_host.h), for plug-ins that walk the host's records
 * themselves. Inline and plain C; nothing here is exported by the host, and
 * the zirka_head_ prefix keeps these names clear of host exports to come.
 */
#ifndef ZIRKA_HEADS_H
#define ZIRKA_HEADS_H

#include "zirka_host.h"

#ifdef __cplusplus
extern "C" {
#endif

/* A vertex record begins with its position: a Vertex pointer serves wherever
 * a Pos3 pointer is wanted. The position may be read and written in place. */
static inline Pos3 *zirka_head_vertex_pos(Vertex *v) { return (Pos3 *)v; }

/* The surface's SurfaceVertex entries, in surface order (NULL when empty). */
static inline List *zirka_head_surface_vertices(const Surface *s) { return ((const SurfaceHead *)s)->vertices; }

/* The number of entries in the surface, from its 16-bit count field. */
static inline unsigned zirka_head_surface_count(const Surface *s) { return ((const SurfaceHead *)s)->count; }

/* The vertex that a surface entry refers to. */
static inline Vertex *zirka_head_entry_vertex(const SurfaceVertex *sv) { return ((const SurfaceVertexHead *)sv)->vertex; }

#ifdef __cplusplus
}
#endif

#endif /* ZIRKA_HEADS_H */
