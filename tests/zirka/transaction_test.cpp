// transaction_test.cpp -- a command as one transaction of the host: what it
// made and left out of the world goes when it returns (and its id with it),
// steps it made unreachable go then too, and a command that runs out of
// memory is undone whole, with the world, the undo history, the selection
// and the free-standing vertices as they were, and a message.
#include "capture.h"
#include "zirka_core.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

class Transaction : public ::testing::Test {
protected:
    void SetUp() override
    {
        zirka_reset();
        zirka_memory_fail_at(0, false);
    }
    void TearDown() override { zirka_memory_fail_at(0, false); }

    static std::vector<int> world_ids()
    {
        std::vector<int> ids;
        for (Object *object : zirka_world_objects())
            ids.push_back(zirka_object_id(object));
        return ids;
    }
    static std::vector<int> selection_ids()
    {
        std::vector<int> ids;
        for (Object *object : zirka_selection())
            ids.push_back(zirka_object_id(object));
        return ids;
    }
    // An object of one open line through n points, not in the world.
    static Object *line(int n)
    {
        Object *object = new_object(ZIRKA_OBJECT_NORMAL);
        Surface *surface = new_surface();
        for (int i = 0; i < n; i++) {
            Pos3 p{float(i), 0.0f, 0.0f};
            surface_add_vertex(surface, object_add_new_vertex(object, &p), 0, 0);
        }
        zirka_surface_set_type(surface, ZIRKA_SURFACE_LINE);
        object_add_surface(object, surface);
        return object;
    }
};

// What the handlers below do, set by each test.
static int made_id;
static std::vector<int> made_ids;

static void ZIRKA_CALL make_and_refuse(int, const char **)
{
    Object *object = new_object(ZIRKA_OBJECT_NORMAL);
    made_id = zirka_object_id(object);
    Pos3 p{1, 2, 3};
    object_add_new_vertex(object, &p);
    new_vertex_set(4, 5, 6);
}

static void ZIRKA_CALL make_two_add_second(int, const char **)
{
    Object *dropped = new_object(ZIRKA_OBJECT_NORMAL);
    Object *kept = new_object(ZIRKA_OBJECT_NORMAL);
    made_ids = {zirka_object_id(dropped), zirka_object_id(kept)};
    add_undoable_world_add_object("Add kept", kept);
}

// A small command as the plug-in's: free-standing vertices, a list, an
// object with a quad, its normals, then the world.
static void ZIRKA_CALL small_command(int, const char **)
{
    List *ring = nullptr;
    for (int i = 0; i < 4; i++)
        if (Vertex *v = new_vertex_set(float(i), 1, 0))
            list_add_item(&ring, v);
    Object *object = new_object(ZIRKA_OBJECT_NORMAL);
    if (!object) {
        list_free(&ring);
        return;
    }
    made_id = zirka_object_id(object);
    Vertex *corners[4] = {};
    int k = 0;
    for (List *node = ring; node && k < 4; node = node->next)
        corners[k++] = object_add_new_vertex(object, zirka_head_vertex_pos(static_cast<Vertex *>(node->item)));
    list_free(&ring);
    Surface *quad = new_surface();
    if (quad) {
        for (Vertex *v : corners)
            if (v)
                surface_add_vertex(quad, v, 0, 0);
        object_add_surface(object, quad);
    }
    object_calc_normals_force(object);
    add_undoable_world_add_object("Small", object);
}

static void register_all()
{
    zirka_add_command_full("tx_refuse", make_and_refuse, 0, "argv", "", "");
    zirka_add_command_full("tx_two", make_two_add_second, 0, "argv", "", "");
    zirka_add_command_full("tx_small", small_command, 0, "argv", "", "");
}

static ZirkaCommandOutcome call(const char *name)
{
    const char *argv[] = {name};
    ZirkaCommandOutcome outcome;
    EXPECT_TRUE(zirka_command_call(name, 1, argv, &outcome)) << name;
    return outcome;
}

TEST_F(Transaction, ARefusedCommandLeavesNothingBehind)
{
    register_all();
    Object *before = new_object(ZIRKA_OBJECT_NORMAL);
    const int next = zirka_object_id(before) + 1;
    ZirkaCommandOutcome outcome = call("tx_refuse");
    EXPECT_FALSE(outcome.out_of_memory);
    EXPECT_TRUE(outcome.added.empty());
    EXPECT_EQ(made_id, next);
    EXPECT_EQ(zirka_object_by_id(made_id), nullptr) << "the object it made and did not add is released";
    // Its free-standing vertex went with it; one made outside a command stays.
    EXPECT_EQ(zirka_free_vertex_count(), 0);
    new_vertex_set(1, 2, 3);
    call("tx_refuse");
    EXPECT_EQ(zirka_free_vertex_count(), 1);
    // The next object gets the id the released one had.
    EXPECT_EQ(zirka_object_id(new_object(ZIRKA_OBJECT_NORMAL)), next);
    // An object made outside a command stays, in the world or not.
    EXPECT_EQ(zirka_object_by_id(zirka_object_id(before)), before);
}

TEST_F(Transaction, AnIdBelowAKeptOneIsNotGivenBack)
{
    register_all();
    ZirkaCommandOutcome outcome = call("tx_two");
    ASSERT_EQ(made_ids.size(), 2u);
    EXPECT_EQ(outcome.added, std::vector<int>{made_ids[1]});
    EXPECT_EQ(zirka_object_by_id(made_ids[0]), nullptr);
    EXPECT_EQ(world_ids(), std::vector<int>{made_ids[1]});
    EXPECT_EQ(zirka_object_id(new_object(ZIRKA_OBJECT_NORMAL)), made_ids[1] + 1);
}

TEST_F(Transaction, StepsTheCommandMadeUnreachableGoWhenItReturns)
{
    register_all();
    Object *a = line(3), *b = line(3);
    add_undoable_world_add_object("a", a);
    add_undoable_world_add_object("b", b);
    const int b_id = zirka_object_id(b);
    ASSERT_TRUE(zirka_undo());
    ZirkaCommandOutcome outcome = call("tx_small");
    EXPECT_FALSE(outcome.out_of_memory);
    EXPECT_EQ(outcome.added, std::vector<int>{made_id});
    EXPECT_EQ(zirka_object_by_id(b_id), nullptr);
    EXPECT_EQ(zirka_undo_names(), (std::vector<std::string>{"a", "Small"}));
    EXPECT_TRUE(zirka_redo_names().empty());
}

// The failing allocation is the k-th of the command; the history has a step
// to redo, the selection two objects, so that putting back shows.
TEST_F(Transaction, OutOfMemoryAtEveryAllocationPutsEverythingBack)
{
    register_all();
    int covered = 0;
    for (bool every_after : {false, true}) {
        for (long k = 1;; k++) {
            ASSERT_LT(k, 1000) << "the small command cannot need this many allocations";
            zirka_reset();
            Object *a = line(2), *b = line(3), *c = line(4);
            zirka_world_add_objects("a and b", {a, b});
            add_undoable_world_add_object("c", c);
            ASSERT_TRUE(zirka_undo());
            ASSERT_TRUE(zirka_select({zirka_object_id(b), zirka_object_id(a)}));
            const std::vector<int> world = world_ids(), selection = selection_ids();
            const int c_id = zirka_object_id(c), next = c_id + 1;
            const long records = zirka_records_in_use(), failures = zirka_memory_failures();

            SCOPED_TRACE("allocation " + std::to_string(k) + (every_after ? " and every one after it" : ""));
            zirka_memory_fail_at(k, every_after);
            ZirkaCommandOutcome outcome;
            std::string out = capture_output([&] { outcome = call("tx_small"); }).out;
            zirka_memory_fail_at(0, false);

            if (zirka_memory_failures() == failures) {
                // k is past the command's last allocation: it ran whole.
                EXPECT_FALSE(outcome.out_of_memory);
                EXPECT_EQ(outcome.added, std::vector<int>{next});
                EXPECT_EQ(zirka_undo_names(), (std::vector<std::string>{"a and b", "Small"}));
                EXPECT_EQ(zirka_object_by_id(c_id), nullptr) << "the step to redo went with the new one";
                EXPECT_GT(k, 5) << "the command allocates more than this";
                break;
            }
            covered++;
            EXPECT_TRUE(outcome.out_of_memory);
            EXPECT_TRUE(outcome.added.empty());
            EXPECT_EQ(world_ids(), world);
            EXPECT_EQ(selection_ids(), selection);
            EXPECT_EQ(list_count(zirka_selection_get_objects_ordered()), 2);
            EXPECT_EQ(zirka_undo_names(), std::vector<std::string>{"a and b"});
            EXPECT_EQ(zirka_redo_names(), std::vector<std::string>{"c"});
            EXPECT_EQ(zirka_free_vertex_count(), 0);
            EXPECT_EQ(zirka_plugin_list_nodes(), 0);
            EXPECT_EQ(zirka_records_in_use(), records) << "what the command took went back";
            EXPECT_EQ(out, "out of memory: tx_small was cancelled, nothing changed\n");
            ASSERT_FALSE(zirka_messages().empty());
            EXPECT_EQ(zirka_messages().back(), "out of memory: tx_small was cancelled, nothing changed");
            // The step to redo is still whole, and no id was used up.
            ASSERT_TRUE(zirka_redo());
            EXPECT_EQ(world_ids().back(), c_id);
            EXPECT_EQ(zirka_object_id(new_object(ZIRKA_OBJECT_NORMAL)), next);
        }
    }
    EXPECT_GT(covered, 10);
}

TEST_F(Transaction, WithoutMemoryHostOperationsChangeNothing)
{
    Object *object = new_object(ZIRKA_OBJECT_NORMAL);
    Pos3 p{1, 2, 3};
    Vertex *v = object_add_new_vertex(object, &p);
    List *list = nullptr;
    list_add_item(&list, v);
    const long failures = zirka_memory_failures();

    zirka_memory_fail_at(1, true);
    EXPECT_EQ(new_object(ZIRKA_OBJECT_NORMAL), nullptr);
    EXPECT_EQ(new_vertex_set(0, 0, 0), nullptr);
    // Vertices go on where there is room already, then stop.
    int added = 1;
    while (added < 1000000 && object_add_new_vertex(object, &p))
        added++;
    EXPECT_LT(added, 1000000);
    EXPECT_EQ(zirka_object_vertex_count(object), added);
    EXPECT_EQ(object_add_new_vertex(object, &p), nullptr);
    EXPECT_EQ(zirka_object_vertex_count(object), added);
    // Nodes come from the pool's free ones, then stop: the list stays whole.
    List **tail = &list->next;
    long nodes = 1;
    for (; nodes < 10000000; nodes++) {
        list_add_item(tail, v);
        if (!*tail)
            break;
        tail = &(*tail)->next;
    }
    EXPECT_LT(nodes, 10000000);
    // The pool has no node left: a clone is made whole or not at all.
    EXPECT_EQ(list_clone(list), nullptr);
    zirka_memory_fail_at(0, false);

    EXPECT_EQ(list_count(list), nodes);
    EXPECT_EQ(zirka_plugin_list_nodes(), nodes);
    EXPECT_GT(zirka_memory_failures(), failures);
    EXPECT_EQ(zirka_free_vertex_count(), 0);
    list_add_item(tail, v);
    EXPECT_NE(*tail, nullptr) << "with memory again, all is well";
    list_free(&list);
    EXPECT_EQ(zirka_plugin_list_nodes(), 0);
    EXPECT_NE(new_object(ZIRKA_OBJECT_NORMAL), nullptr);
}

} // namespace
