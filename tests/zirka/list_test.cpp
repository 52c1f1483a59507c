// list_test.cpp -- the host's lists: order, clone, index access, release,
// and the count of plug-in list nodes.
#include "zirka_core.h"

#include <gtest/gtest.h>

#include <set>

namespace {

class Lists : public ::testing::Test {
protected:
    void SetUp() override { zirka_reset(); }
    int items[4] = {10, 20, 30, 40};
};

TEST_F(Lists, AddItemKeepsOrder)
{
    List *list = nullptr;
    for (int &item : items)
        list_add_item(&list, &item);
    // Walk the nodes as a plug-in does: item, then next.
    int i = 0;
    for (List *node = list; node; node = node->next, i++)
        EXPECT_EQ(node->item, &items[i]);
    EXPECT_EQ(i, 4);
    EXPECT_EQ(list_count(list), 4);
    list_free(&list);
}

TEST_F(Lists, AddItemAtLastNextFieldAppends)
{
    // A plug-in appends in O(1) by passing the last node's next field.
    List *list = nullptr;
    list_add_item(&list, &items[0]);
    List **tail = &list->next;
    list_add_item(tail, &items[1]);
    tail = &(*tail)->next;
    list_add_item(tail, &items[2]);
    EXPECT_EQ(list_count(list), 3);
    EXPECT_EQ(list_get_item(list, 2), &items[2]);
    EXPECT_EQ(zirka_plugin_list_nodes(), 3);
    list_free(&list);
}

TEST_F(Lists, EmptyListIsNull)
{
    EXPECT_EQ(list_count(nullptr), 0);
    EXPECT_EQ(list_get_item(nullptr, 0), nullptr);
    EXPECT_EQ(list_clone(nullptr), nullptr);
    List *list = nullptr;
    list_free(&list);
    EXPECT_EQ(list, nullptr);
    EXPECT_EQ(zirka_plugin_list_nodes(), 0);
}

TEST_F(Lists, GetItemOutOfRangeIsNull)
{
    List *list = nullptr;
    list_add_item(&list, &items[0]);
    list_add_item(&list, &items[1]);
    EXPECT_EQ(list_get_item(list, 0), &items[0]);
    EXPECT_EQ(list_get_item(list, 1), &items[1]);
    EXPECT_EQ(list_get_item(list, 2), nullptr);
    EXPECT_EQ(list_get_item(list, -1), nullptr);
    EXPECT_EQ(list_get_item(list, 1 << 30), nullptr);
    list_free(&list);
}

TEST_F(Lists, CloneHasSameItemsInNewNodes)
{
    List *list = nullptr;
    for (int &item : items)
        list_add_item(&list, &item);
    List *copy = list_clone(list);
    ASSERT_EQ(list_count(copy), 4);
    for (int i = 0; i < 4; i++)
        EXPECT_EQ(list_get_item(copy, i), &items[i]);
    for (List *a = list, *b = copy; a; a = a->next, b = b->next)
        EXPECT_NE(a, b) << "a clone shares no node";
    EXPECT_EQ(zirka_plugin_list_nodes(), 8);
    // Releasing the original leaves the clone intact.
    list_free(&list);
    EXPECT_EQ(list_get_item(copy, 3), &items[3]);
    list_free(&copy);
}

TEST_F(Lists, FreeEmptiesTheVariable)
{
    List *a = nullptr, *b = nullptr;
    for (int &item : items)
        list_add_item(&a, &item);
    list_add_item(&b, &items[0]);
    EXPECT_EQ(zirka_plugin_list_nodes(), 5);
    list_free(&a);
    EXPECT_EQ(a, nullptr);
    EXPECT_EQ(zirka_plugin_list_nodes(), 1);
    list_free(&b);
    EXPECT_EQ(zirka_plugin_list_nodes(), 0);
}

TEST_F(Lists, ReleasedNodesAreReused)
{
    // A ring built again after one was released takes the same nodes.
    List *list = nullptr;
    List **tail = &list;
    std::set<List *> first;
    for (int i = 0; i < 3000; i++, tail = &(*tail)->next) {
        list_add_item(tail, &items[0]);
        first.insert(*tail);
    }
    list_free(&list);
    tail = &list;
    for (int i = 0; i < 3000; i++, tail = &(*tail)->next) {
        list_add_item(tail, &items[0]);
        EXPECT_EQ(first.count(*tail), 1u) << "node " << i;
    }
    list_free(&list);
    EXPECT_EQ(zirka_plugin_list_nodes(), 0);
}

TEST_F(Lists, HostListsAreNotCounted)
{
    Object *object = new_object(ZIRKA_OBJECT_NORMAL);
    Pos3 p{1, 2, 3};
    Surface *surface = new_surface();
    for (int i = 0; i < 3; i++)
        surface_add_vertex(surface, object_add_new_vertex(object, &p), 0, 0);
    object_add_surface(object, surface);
    add_undoable_world_add_object("add", object);
    ASSERT_TRUE(zirka_select({zirka_object_id(object)}));
    EXPECT_EQ(list_count(zirka_selection_get_objects_ordered()), 1);
    EXPECT_EQ(zirka_plugin_list_nodes(), 0);
    // A clone of a host list is the plug-in's.
    List *copy = list_clone(zirka_object_get_surfacelist(object));
    EXPECT_EQ(zirka_plugin_list_nodes(), 1);
    list_free(&copy);
    EXPECT_EQ(zirka_plugin_list_nodes(), 0);
}

} // namespace

#if defined(__SANITIZE_ADDRESS__)
namespace {

// A node back in the pool is poisoned: reading it through a stale pointer
// is reported as surely as reading freed heap memory.
TEST(ListsDeathTest, ReadingAReleasedNodeIsReported)
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
