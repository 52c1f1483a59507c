// storage_test.cpp -- how the host keeps its records: list nodes reused from
// the pool, object lists built late and kept up to date, shared default
// surface entries, long surfaces, surfaces outliving the object they were
// made beside, undone objects released by a new step, free-standing vertices
// counted.
#include "zirka_core.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <set>
#include <vector>

namespace {

class Storage : public ::testing::Test {
protected:
    void SetUp() override { zirka_reset(); }
    static int id(Object *object) { return zirka_object_id(object); }
    static Object *object_with(int n)
    {
        Object *object = new_object(ZIRKA_OBJECT_NORMAL);
        for (int i = 0; i < n; i++) {
            Pos3 p{float(i), 0.5f, -float(i)};
            object_add_new_vertex(object, &p);
        }
        return object;
    }
};

TEST_F(Storage, ReleasedNodesAreReusedNotLeaked)
{
    int item = 0;
    List *list = nullptr;
    List **tail = &list;
    std::set<List *> first;
    for (int i = 0; i < 3000; i++) {
        list_add_item(tail, &item);
        first.insert(*tail);
        tail = &(*tail)->next;
    }
    list_free(&list);
    // A ring built again after one was released takes the same nodes.
    for (int round = 0; round < 5; round++) {
        tail = &list;
        for (int i = 0; i < 3000; i++) {
            list_add_item(tail, &item);
            EXPECT_EQ(first.count(*tail), 1u) << "round " << round << ", node " << i;
            tail = &(*tail)->next;
        }
        EXPECT_EQ(list_count(list), 3000);
        list_free(&list);
    }
    EXPECT_EQ(zirka_plugin_list_nodes(), 0);
}

TEST_F(Storage, ObjectListsFollowLaterAdditions)
{
    Object *object = object_with(3);
    Surface *first = new_surface();
    object_add_surface(object, first);
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
    zirka_object_get_contents(object, &vertex_count, &surface_count, &child_count, &vertices, &surfaces, &children);
    EXPECT_EQ(vertex_count, 40);
    EXPECT_EQ(surface_count, 2);
    EXPECT_EQ(zirka_plugin_list_nodes(), 0) << "an object's lists are the host's";
}

TEST_F(Storage, SurfaceListAskedForLateHasEverySurfaceInOrder)
{
    Object *object = object_with(1);
    std::vector<Surface *> made;
    for (int i = 0; i < 100; i++) {
        made.push_back(new_surface());
        object_add_surface(object, made.back());
    }
    List *surfaces = zirka_object_get_surfacelist(object);
    int i = 0;
    for (List *node = surfaces; node; node = node->next, i++)
        EXPECT_EQ(node->item, made[i]);
    EXPECT_EQ(i, 100);
    EXPECT_EQ(zirka_object_surfaces(object), made);
}

TEST_F(Storage, VerticesKeepTheirIndexAcrossSegments)
{
    // Segments hold 16, 32, 64, ... then 65536 vertices each.
    const int n = 200000;
    Object *object = object_with(n);
    Vertex *previous = nullptr;
    for (int i : {0, 15, 16, 47, 48, 111, 112, 65519, 65520, 131055, 131056, 196591, 196592, n - 1}) {
        Vertex *v = zirka_object_get_vertex_at_index(object, i);
        ASSERT_NE(v, nullptr);
        EXPECT_EQ(zirka_head_vertex_pos(v)->x, float(i)) << i;
        EXPECT_NE(v, previous);
        previous = v;
    }
    // Surfaces name vertices by pointer; the index goes back the other way.
    Surface *surface = new_surface();
    for (int i : {131055, 131056, 16, 0})
        surface_add_vertex(surface, zirka_object_get_vertex_at_index(object, i), 0, 0);
    object_add_surface(object, surface);
    EXPECT_EQ(zirka_surface_vertex_indices(object, surface), (std::vector<int>{131055, 131056, 16, 0}));
}

TEST_F(Storage, DefaultEntriesAreSharedOtherCoordinatesAreNot)
{
    Object *object = object_with(2);
    Vertex *v = zirka_object_get_vertex_at_index(object, 0);
    Surface *a = new_surface(), *b = new_surface();
    SurfaceVertex *plain_a = surface_add_vertex(a, v, 0, 0);
    SurfaceVertex *plain_b = surface_add_vertex(b, v, 0, 0);
    SurfaceVertex *minus_zero = surface_add_vertex(a, v, -0.0f, 0.0f);
    SurfaceVertex *other = surface_add_vertex(b, v, 0.25f, 1e-45f);
    EXPECT_EQ(plain_a, plain_b);
    EXPECT_NE(minus_zero, plain_a);
    EXPECT_NE(other, plain_a);
    for (SurfaceVertex *entry : {plain_a, minus_zero, other})
        EXPECT_EQ(zirka_head_entry_vertex(entry), v);
    std::vector<std::pair<float, float>> uv_a = zirka_surface_uvs(a), uv_b = zirka_surface_uvs(b);
    ASSERT_EQ(uv_a.size(), 2u);
    EXPECT_FALSE(std::signbit(uv_a[0].first));
    EXPECT_TRUE(std::signbit(uv_a[1].first)) << "-0.0 is a coordinate of its own";
    ASSERT_EQ(uv_b.size(), 2u);
    EXPECT_EQ(uv_b[1], (std::pair<float, float>{0.25f, 0x1p-149f}));
}

TEST_F(Storage, LongSurfacesKeepOrderAndCount)
{
    Object *object = object_with(5000);
    Vertex *loose = new_vertex_set(7, 8, 9);
    Surface *surface = new_surface();
    // Past the four entries kept in the surface, through several chunks;
    // every seventh entry a free-standing vertex, which has no shared entry.
    std::vector<SurfaceVertex *> entries;
    for (int i = 0; i < 5000; i++)
        entries.push_back(surface_add_vertex(surface, i % 7 == 6 ? loose : zirka_object_get_vertex_at_index(object, i), 0, 0));
    object_add_surface(object, surface);
    EXPECT_EQ(zirka_head_surface_count(surface), 5000u);
    int i = 0;
    for (List *node = zirka_head_surface_vertices(surface); node; node = node->next, i++) {
        ASSERT_EQ(node->item, entries[i]) << i;
        EXPECT_EQ(zirka_head_entry_vertex(static_cast<SurfaceVertex *>(node->item)),
                  i % 7 == 6 ? loose : zirka_object_get_vertex_at_index(object, i));
    }
    EXPECT_EQ(i, 5000);
    std::vector<int> indices = zirka_surface_vertex_indices(object, surface);
    EXPECT_EQ(indices[5], 5);
    EXPECT_EQ(indices[6], -1);
    EXPECT_EQ(indices[4999], 4999);
}

TEST_F(Storage, SurfaceOutlivesTheObjectItWasMadeBeside)
{
    // The surfaces are made while a is the newest object, then go to b and
    // c; a goes away with its undone step.
    Object *a = object_with(1);
    Object *b = object_with(4);
    Object *c = object_with(4);
    Surface *quad = nullptr, *spare = nullptr;
    {
        Object *later = object_with(0); // makes surfaces land beside it
        quad = new_surface();
        spare = new_surface();
        add_undoable_world_add_object("later", later);
        object_with(0); // the next surfaces would land beside this one
    }
    for (int i = 0; i < 4; i++)
        surface_add_vertex(quad, zirka_object_get_vertex_at_index(b, i), 0, 0);
    object_add_surface(b, quad);
    add_undoable_world_add_object("a", a);
    add_undoable_world_add_object("b", b);
    const int b_id = id(b);
    ASSERT_TRUE(zirka_undo()); // b
    ASSERT_TRUE(zirka_undo()); // a
    ASSERT_TRUE(zirka_undo()); // later
    add_undoable_world_add_object("c", c);
    EXPECT_EQ(zirka_object_by_id(b_id), nullptr);
    // The spare surface, made beside an object now gone, still works.
    for (int i = 0; i < 6; i++)
        surface_add_vertex(spare, zirka_object_get_vertex_at_index(c, i % 4), 0.5f, 0);
    object_add_surface(c, spare);
    EXPECT_EQ(zirka_surface_vertex_indices(c, spare), (std::vector<int>{0, 1, 2, 3, 0, 1}));
    EXPECT_EQ(zirka_surface_uvs(spare)[5], (std::pair<float, float>{0.5f, 0.0f}));
}

TEST_F(Storage, SurfacesMadeAfterTheNewestObjectWentStillWork)
{
    Object *older = object_with(3);
    Object *newest = object_with(3); // surfaces would be made beside it
    add_undoable_world_add_object("newest", newest);
    ASSERT_TRUE(zirka_undo());
    add_undoable_world_add_object("older", older); // releases newest
    Surface *surface = new_surface();
    for (int i = 0; i < 3; i++)
        surface_add_vertex(surface, zirka_object_get_vertex_at_index(older, i), 1.0f, 2.0f);
    object_add_surface(older, surface);
    EXPECT_EQ(zirka_surface_vertex_indices(older, surface), (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(zirka_surface_uvs(surface)[2], (std::pair<float, float>{1.0f, 2.0f}));
}

TEST_F(Storage, NewStepReleasesEveryUndoneStepsObjectsButKeepsReturningOnes)
{
    Object *a = object_with(10), *b = object_with(10), *c = object_with(10), *d = object_with(10);
    add_undoable_world_add_object("a", a);
    zirka_world_add_objects("b and c", {b, c});
    add_undoable_world_add_object("d", d);
    const int b_id = id(b), c_id = id(c);
    ASSERT_TRUE(zirka_undo());
    ASSERT_TRUE(zirka_undo());
    // d's step is dropped but d itself enters the world again.
    add_undoable_world_add_object("d again", d);
    EXPECT_EQ(zirka_object_by_id(b_id), nullptr);
    EXPECT_EQ(zirka_object_by_id(c_id), nullptr);
    EXPECT_EQ(zirka_object_by_id(id(d)), d);
    EXPECT_TRUE(zirka_object_in_world(d));
    EXPECT_EQ(zirka_object_vertex_count(d), 10);
    EXPECT_EQ(zirka_world_objects(), (std::vector<Object *>{a, d}));
    EXPECT_EQ(zirka_undo_names(), (std::vector<std::string>{"a", "d again"}));
}

TEST_F(Storage, FreeStandingVerticesAreCountedUntilReset)
{
    EXPECT_EQ(zirka_free_vertex_count(), 0);
    std::vector<Vertex *> made;
    for (int i = 0; i < 5000; i++)
        made.push_back(new_vertex_set(float(i), 1, 2));
    EXPECT_EQ(zirka_free_vertex_count(), 5000);
    EXPECT_EQ(zirka_head_vertex_pos(made[4097])->x, 4097.0f);
    EXPECT_EQ(zirka_vertex_normal(made[0]).x, 0.0f);
    // Object vertices are not free-standing.
    object_with(10);
    EXPECT_EQ(zirka_free_vertex_count(), 5000);
    zirka_reset();
    EXPECT_EQ(zirka_free_vertex_count(), 0);
}

} // namespace

#if defined(__SANITIZE_ADDRESS__)
namespace {

// A node back in the pool is poisoned: reading it through a stale pointer
// is reported as surely as reading freed heap memory.
TEST(StorageDeathTest, ReadingAReleasedNodeIsReported)
{
    zirka_reset();
    int item = 0;
    List *list = nullptr;
    list_add_item(&list, &item);
    List *stale = list;
    list_free(&list);
    EXPECT_DEATH(
        {
            volatile void *read = stale->item;
            (void)read;
        },
        "use-after-poison");
}

} // namespace
#endif
