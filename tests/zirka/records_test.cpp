// records_test.cpp -- objects, surfaces and vertices as plug-ins read them:
// leading fields through the *Head records, vertex indices, contents and
// the lists that follow later additions, entries with their own texture
// coordinates, long surfaces, the 16-bit surface count, and normals.
#include "capture.h"
#include "pos3.h"
#include "zirka_core.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

class Records : public ::testing::Test {
protected:
    void SetUp() override { zirka_reset(); }
};

TEST(RecordLayout, VertexBeginsWithPosition)
{
    zirka_reset();
    Vertex *v = new_vertex_set(1.5f, -2.0f, 3.25f);
    const Pos3 *p = zirka_head_vertex_pos(v);
    EXPECT_EQ(static_cast<const void *>(p), static_cast<const void *>(v));
    EXPECT_EQ(p->x, 1.5f);
    EXPECT_EQ(p->y, -2.0f);
    EXPECT_EQ(p->z, 3.25f);
    // Written in place, read back by the host.
    zirka_head_vertex_pos(v)->y = 7.0f;
    Object *object = new_object(ZIRKA_OBJECT_NORMAL);
    Vertex *copy = object_add_new_vertex(object, zirka_head_vertex_pos(v));
    EXPECT_EQ(zirka_head_vertex_pos(copy)->y, 7.0f);
    EXPECT_NE(copy, v) << "object_add_new_vertex copies the position";
}

TEST_F(Records, SurfaceHeadListsEntriesInOrderWithCount)
{
    //  v2 +
    //     | `.
    //  v0 +---+ v1    surface: v0 v1 v2, texture coordinates (i, 10 i)
    Object *object = new_object(ZIRKA_OBJECT_NORMAL);
    Pos3 pos[3] = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
    Vertex *v[3];
    for (int i = 0; i < 3; i++)
        v[i] = object_add_new_vertex(object, &pos[i]);
    Surface *surface = new_surface();
    std::vector<SurfaceVertex *> entries;
    for (int i = 0; i < 3; i++)
        entries.push_back(surface_add_vertex(surface, v[i], float(i), float(10 * i)));
    object_add_surface(object, surface);

    const SurfaceHead *head = reinterpret_cast<const SurfaceHead *>(surface);
    EXPECT_EQ(head->count, 3u);
    EXPECT_EQ(zirka_head_surface_count(surface), 3u);
    int i = 0;
    for (List *node = head->vertices; node; node = node->next, i++) {
        EXPECT_EQ(node->item, entries[i]);
        const SurfaceVertexHead *entry = static_cast<const SurfaceVertexHead *>(node->item);
        EXPECT_EQ(entry->vertex, v[i]);
        EXPECT_EQ(zirka_head_entry_vertex(static_cast<SurfaceVertex *>(node->item)), v[i]);
    }
    EXPECT_EQ(i, 3);
    EXPECT_EQ(zirka_head_surface_vertices(surface), head->vertices);
    EXPECT_EQ(surface_get_type(surface), ZIRKA_SURFACE_POLYGON);
    std::vector<std::pair<float, float>> uv = {{0.f, 0.f}, {1.f, 10.f}, {2.f, 20.f}};
    EXPECT_EQ(zirka_surface_uvs(surface), uv);
    EXPECT_EQ(zirka_surface_vertex_indices(object, surface), (std::vector<int>{0, 1, 2}));
}

TEST_F(Records, ContentsFillsEveryOutput)
{
    Object *object = new_object(ZIRKA_OBJECT_NORMAL);
    Pos3 p{0, 0, 0};
    Vertex *a = object_add_new_vertex(object, &p);
    Vertex *b = object_add_new_vertex(object, &p);
    Surface *s1 = new_surface(), *s2 = new_surface();
    surface_add_vertex(s1, a, 0, 0);
    surface_add_vertex(s2, b, 0, 0);
    object_add_surface(object, s1);
    object_add_surface(object, s2);

    int vertex_count = -1, surface_count_out = -1, child_count = -1;
    List *vertices = nullptr, *surfaces = nullptr, *children = reinterpret_cast<List *>(1);
    zirka_object_get_contents(object, &vertex_count, &surface_count_out, &child_count, &vertices, &surfaces,
                              &children);
    EXPECT_EQ(vertex_count, 2);
    EXPECT_EQ(surface_count_out, 2);
    EXPECT_EQ(child_count, 0);
    EXPECT_EQ(list_get_item(vertices, 0), a);
    EXPECT_EQ(list_get_item(vertices, 1), b);
    EXPECT_EQ(list_get_item(surfaces, 0), s1);
    EXPECT_EQ(list_get_item(surfaces, 1), s2);
    EXPECT_EQ(children, nullptr);
    EXPECT_EQ(zirka_object_get_surfacelist(object), surfaces);
    EXPECT_EQ(zirka_object_get_type(object), ZIRKA_OBJECT_NORMAL);
    EXPECT_EQ(zirka_object_get_type(new_object(5)), 5);
}

TEST_F(Records, VertexAtIndexIsTheVertexAdded)
{
    // Many vertices: storage that moved them on growth would break
    // surfaces, which point at them.
    Object *object = new_object(ZIRKA_OBJECT_NORMAL);
    const int n = 100000;
    std::vector<Vertex *> added;
    for (int i = 0; i < n; i++) {
        Pos3 p{float(i), float(-i), 0.5f};
        added.push_back(object_add_new_vertex(object, &p));
    }
    for (int i : {0, 1, 4095, 4096, n / 2, n - 1}) {
        Vertex *v = zirka_object_get_vertex_at_index(object, i);
        EXPECT_EQ(v, added[i]);
        EXPECT_EQ(zirka_head_vertex_pos(v)->x, float(i));
        EXPECT_EQ(zirka_head_vertex_pos(v)->y, float(-i));
    }
    EXPECT_EQ(zirka_object_get_vertex_at_index(object, n), nullptr);
    EXPECT_EQ(zirka_object_get_vertex_at_index(object, -1), nullptr);
    EXPECT_EQ(zirka_object_get_vertex_at_index(new_object(0), 0), nullptr);
}

TEST_F(Records, ObjectListsFollowLaterAdditions)
{
    Object *object = new_object(ZIRKA_OBJECT_NORMAL);
    for (int i = 0; i < 3; i++) {
        Pos3 p{float(i), 0, 0};
        object_add_new_vertex(object, &p);
    }
    object_add_surface(object, new_surface());
    int vertex_count, surface_count, child_count;
    List *vertices, *surfaces, *children;
    zirka_object_get_contents(object, &vertex_count, &surface_count, &child_count, &vertices, &surfaces, &children);
    ASSERT_EQ(list_count(vertices), 3);
    ASSERT_EQ(list_count(surfaces), 1);

    // The lists already handed out grow with the object.
    for (int i = 3; i < 40; i++) {
        Pos3 p{float(i), 0, 0};
        object_add_new_vertex(object, &p);
    }
    Surface *second = new_surface();
    object_add_surface(object, second);
    EXPECT_EQ(list_count(vertices), 40);
    for (int i = 0; i < 40; i++)
        EXPECT_EQ(list_get_item(vertices, i), zirka_object_get_vertex_at_index(object, i)) << i;
    EXPECT_EQ(list_count(surfaces), 2);
    EXPECT_EQ(list_get_item(surfaces, 1), second);
    EXPECT_EQ(zirka_object_get_surfacelist(object), surfaces);
    EXPECT_EQ(zirka_plugin_list_nodes(), 0) << "an object's lists are the host's";
}

// Vertices come in chunks of 16, 32, 64, ... then 65536: indices on either
// side of each kind of boundary, and back from a surface entry.
TEST_F(Records, VerticesKeepTheirIndexAcrossChunks)
{
    const int n = 200000;
    Object *object = new_object(ZIRKA_OBJECT_NORMAL);
    for (int i = 0; i < n; i++) {
        Pos3 p{float(i), 0.5f, -float(i)};
        object_add_new_vertex(object, &p);
    }
    for (int i : {0, 15, 16, 47, 48, 111, 112, 65519, 65520, 131055, 131056, 196591, 196592, n - 1})
        EXPECT_EQ(zirka_head_vertex_pos(zirka_object_get_vertex_at_index(object, i))->x, float(i)) << i;
    Surface *surface = new_surface();
    for (int i : {131055, 131056, 16, 0})
        surface_add_vertex(surface, zirka_object_get_vertex_at_index(object, i), 0, 0);
    object_add_surface(object, surface);
    EXPECT_EQ(zirka_surface_vertex_indices(object, surface), (std::vector<int>{131055, 131056, 16, 0}));
}

// Every entry holds the coordinates it was given, -0.0 and the smallest
// subnormal included; two entries of one vertex are two entries.
TEST_F(Records, EntriesKeepTheirOwnTextureCoordinates)
{
    Object *object = new_object(ZIRKA_OBJECT_NORMAL);
    Pos3 p{0, 0, 0};
    Vertex *v = object_add_new_vertex(object, &p);
    Surface *surface = new_surface();
    const std::vector<std::pair<float, float>> uv = {{0.0f, 0.0f}, {-0.0f, 0.0f}, {0.25f, 0x1p-149f}, {1.0f, 3.5f}};
    std::vector<SurfaceVertex *> entries;
    for (const auto &c : uv)
        entries.push_back(surface_add_vertex(surface, v, c.first, c.second));
    object_add_surface(object, surface);
    EXPECT_EQ(zirka_surface_uvs(surface), uv);
    EXPECT_TRUE(std::signbit(zirka_surface_uvs(surface)[1].first)) << "-0.0 is a coordinate of its own";
    EXPECT_NE(entries[0], entries[1]);
    for (SurfaceVertex *entry : entries)
        EXPECT_EQ(zirka_head_entry_vertex(entry), v);
}

TEST_F(Records, LongSurfacesKeepTheirEntriesInOrder)
{
    Object *object = new_object(ZIRKA_OBJECT_NORMAL);
    for (int i = 0; i < 5000; i++) {
        Pos3 p{float(i), 0, 0};
        object_add_new_vertex(object, &p);
    }
    Vertex *loose = new_vertex_set(7, 8, 9);
    Surface *surface = new_surface();
    // Every seventh entry a free-standing vertex, which is not the object's.
    std::vector<SurfaceVertex *> entries;
    for (int i = 0; i < 5000; i++)
        entries.push_back(surface_add_vertex(surface, i % 7 == 6 ? loose : zirka_object_get_vertex_at_index(object, i), 0, 0));
    object_add_surface(object, surface);
    EXPECT_EQ(zirka_head_surface_count(surface), 5000u);
    int i = 0;
    for (List *node = zirka_head_surface_vertices(surface); node; node = node->next, i++)
        ASSERT_EQ(node->item, entries[i]) << i;
    EXPECT_EQ(i, 5000);
    std::vector<int> indices = zirka_surface_vertex_indices(object, surface);
    EXPECT_EQ(indices[5], 5);
    EXPECT_EQ(indices[6], -1);
    EXPECT_EQ(indices[4999], 4999);
}

TEST_F(Records, SurfaceCountStopsAt65535)
{
    Vertex *v = new_vertex_set(0, 0, 0);
    Surface *surface = new_surface();
    for (int i = 0; i < 65535; i++)
        ASSERT_NE(surface_add_vertex(surface, v, 0, 0), nullptr);
    EXPECT_EQ(zirka_head_surface_count(surface), 65535u);
    RunRecord full = capture_output([&] { EXPECT_EQ(surface_add_vertex(surface, v, 0, 0), nullptr); });
    EXPECT_EQ(full.err, "zirka: surface_add_vertex(): surface already holds 65535 vertices\n");
    EXPECT_EQ(zirka_head_surface_count(surface), 65535u);
    EXPECT_EQ(list_count(zirka_head_surface_vertices(surface)), 65535);
}

TEST_F(Records, ObjectIdsAreNeverReused)
{
    Object *a = new_object(0);
    Object *b = new_object(0);
    EXPECT_EQ(zirka_object_id(b), zirka_object_id(a) + 1);
    EXPECT_EQ(zirka_object_by_id(zirka_object_id(a)), a);
    int last = zirka_object_id(b);
    zirka_reset();
    EXPECT_EQ(zirka_object_by_id(last), nullptr);
    EXPECT_GT(zirka_object_id(new_object(0)), last);
}

// The unit square in the plane z = 0, counter-clockwise seen from +z:
//
//   v3 +----+ v2
//      |    |
//   v0 +----+ v1
//
// and a second quad v1 v4 v5 v2 folded up into the plane x = 1, normal +x.
TEST_F(Records, NormalsOfQuads)
{
    Object *object = new_object(ZIRKA_OBJECT_NORMAL);
    Pos3 pos[6] = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {1, 0, -1}, {1, 1, -1}};
    Vertex *v[6];
    for (int i = 0; i < 6; i++)
        v[i] = object_add_new_vertex(object, &pos[i]);
    Surface *flat = new_surface(), *folded = new_surface();
    for (int i : {0, 1, 2, 3})
        surface_add_vertex(flat, v[i], 0, 0);
    for (int i : {1, 4, 5, 2})
        surface_add_vertex(folded, v[i], 0, 0);
    object_add_surface(object, flat);
    object_add_surface(object, folded);
    object_calc_normals_force(object);

    Pos3 n = zirka_surface_normal(flat);
    EXPECT_EQ(n.x, 0.0f);
    EXPECT_EQ(n.y, 0.0f);
    EXPECT_EQ(n.z, 1.0f);
    n = zirka_surface_normal(folded);
    EXPECT_EQ(n.x, 1.0f);
    EXPECT_EQ(n.y, 0.0f);
    EXPECT_EQ(n.z, 0.0f);
    // A vertex of one quad has its quad's normal; a shared vertex the
    // normalised sum (1, 0, 1) / sqrt 2.
    n = zirka_vertex_normal(v[0]);
    EXPECT_EQ(n.z, 1.0f);
    n = zirka_vertex_normal(v[4]);
    EXPECT_EQ(n.x, 1.0f);
    n = zirka_vertex_normal(v[1]);
    EXPECT_FLOAT_EQ(n.x, 0.70710678f);
    EXPECT_EQ(n.y, 0.0f);
    EXPECT_FLOAT_EQ(n.z, 0.70710678f);
}

TEST_F(Records, NormalsOfDegenerateSurfacesAreZero)
{
    Object *object = new_object(ZIRKA_OBJECT_NORMAL);
    Pos3 p{2, 3, 4};
    Vertex *a = object_add_new_vertex(object, &p);
    Surface *point = new_surface();
    surface_add_vertex(point, a, 0, 0);
    surface_add_vertex(point, a, 0, 0);
    object_add_surface(object, point);
    object_calc_normals_force(object);
    Pos3 n = zirka_surface_normal(point);
    EXPECT_EQ(n.x, 0.0f);
    EXPECT_EQ(n.y, 0.0f);
    EXPECT_EQ(n.z, 0.0f);
    EXPECT_EQ(zirka_vertex_normal(a).z, 0.0f);
}

} // namespace

namespace {

// The unit cube's corners, and its six faces wound to face out.
const Pos3 cube_corners[8] = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {0, 0, 1}, {1, 0, 1}, {1, 1, 1}, {0, 1, 1}};
const std::vector<std::vector<int>> cube_faces = {{0, 3, 2, 1}, {4, 5, 6, 7}, {0, 1, 5, 4},
                                                  {1, 2, 6, 5}, {2, 3, 7, 6}, {3, 0, 4, 7}};

TEST_F(Records, CheckTellsWhetherPolygonsCloseTheObject)
{
    struct Case {
        const char *name;
        std::vector<std::vector<int>> faces;
        long open, crowded, same_way;
        bool closed;
        double volume;
    };
    std::vector<std::vector<int>> flipped = cube_faces, no_top = cube_faces, fin = cube_faces;
    std::reverse(flipped[1].begin(), flipped[1].end());
    no_top.erase(no_top.begin() + 1);
    fin.push_back({0, 1, 6}); // a third face on the edge 0-1
    const Case cases[] = {
        {"cube", cube_faces, 0, 0, 0, true, 1.0},
        {"cube inside out", {{0, 1, 2, 3}, {7, 6, 5, 4}, {4, 5, 1, 0}, {5, 6, 2, 1}, {6, 7, 3, 2}, {7, 4, 0, 3}}, 0, 0, 0, true, -1.0},
        {"one face flipped", flipped, 0, 0, 4, true, 0x1.5555555555555p-2}, // 1 less twice the top's third
        {"no top", no_top, 4, 0, 0, false, 0.0},
        {"fin", fin, 2, 1, 1, false, 1.0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        Object *object = new_object(ZIRKA_OBJECT_NORMAL);
        for (const Pos3 &p : cube_corners)
            object_add_new_vertex(object, &p);
        for (const std::vector<int> &face : c.faces) {
            Surface *surface = new_surface();
            for (int i : face)
                surface_add_vertex(surface, zirka_object_get_vertex_at_index(object, i), 0, 0);
            object_add_surface(object, surface);
        }
        ZirkaCheck check = zirka_object_check(object);
        EXPECT_EQ(check.open_edges, c.open);
        EXPECT_EQ(check.crowded_edges, c.crowded);
        EXPECT_EQ(check.same_way_edges, c.same_way);
        EXPECT_EQ(check.closed, c.closed);
        if (c.closed) {
            EXPECT_EQ(check.volume, c.volume);
        }
    }
}

} // namespace
