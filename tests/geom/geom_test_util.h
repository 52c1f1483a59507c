// Shared fixture and helpers of the geometry kernel tests: vertex lists built
// through the stand-in host's real lists and vertices, released again at the
// end of each test, which also checks that no list node was left behind.
#ifndef GEOM_TEST_UTIL_H
#define GEOM_TEST_UTIL_H

#include "capture.h"
#include "kvx_geom.h"
#include "pos3.h"
#include "zirka_core.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <vector>

class GeomTest : public testing::Test {
protected:
    void SetUp() override
    {
        zirka_reset();
        kvx_debug = 0;
        nodes_at_start_ = zirka_plugin_list_nodes();
    }

    void TearDown() override
    {
        for (List *&list : owned_)
            list_free(&list);
        kvx_debug = 0;
        EXPECT_EQ(zirka_plugin_list_nodes(), nodes_at_start_) << "a list made by the kernel was not released";
    }

    // A list of new vertices at the given points, in order; freed at the end.
    VertexList *ring(std::initializer_list<Pos3> points)
    {
        List *list = NULL;
        for (const Pos3 &p : points)
            list_add_item(&list, new_vertex_set(p.x, p.y, p.z));
        return keep(list);
    }

    // Takes over a list returned by the kernel: its nodes are freed at the end.
    VertexList *keep(VertexList *list)
    {
        owned_.push_back(list);
        return list;
    }

private:
    long nodes_at_start_ = 0;
    std::vector<List *> owned_;
};

inline std::vector<Vertex *> vertices_of(const VertexList *list)
{
    std::vector<Vertex *> out;
    for (; list; list = list->next)
        out.push_back((Vertex *)list->item);
    return out;
}

inline std::vector<Pos3> positions_of(const VertexList *list)
{
    std::vector<Pos3> out;
    for (Vertex *v : vertices_of(list))
        out.push_back(*zirka_head_vertex_pos(v));
    return out;
}

// The mitre point of line A (p1, p2) and line B (p3, p4) as the kernel
// ships it: one-point rings through kvx_vtx_list_intersect_to_object into a
// new object (not in the world; zirka_reset releases it).
inline Pos3 mitre_of(Pos3 p1, Pos3 p2, Pos3 p3, Pos3 p4)
{
    const Pos3 p[4] = {p1, p2, p3, p4};
    List *l[4] = {NULL, NULL, NULL, NULL};
    for (int k = 0; k < 4; k++)
        list_add_item(&l[k], new_vertex_set(p[k].x, p[k].y, p[k].z));
    Object *object = new_object(ZIRKA_OBJECT_NORMAL);
    kvx_vtx_list_intersect_to_object(object, l[0], l[1], l[2], l[3], NULL);
    const Pos3 r = *zirka_head_vertex_pos(zirka_object_get_vertex_at_index(object, 0));
    for (List *&list : l)
        list_free(&list);
    return r;
}

// A one-vertex position list, to compare with positions_of.
inline std::vector<Pos3> one(Pos3 p) { return {p}; }

// True when no vertex of b is also a vertex of a.
inline bool shares_no_vertex(const VertexList *a, const VertexList *b)
{
    for (Vertex *va : vertices_of(a))
        for (Vertex *vb : vertices_of(b))
            if (va == vb)
                return false;
    return true;
}

#endif
