// world_test.cpp -- the world, undo history and ordered selection, and the
// host's recording of Tcl, commands, menu and messages when no front end
// is installed (the core alone, as on a build without Tcl).
#include "capture.h"
#include "zirka_core.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

class World : public ::testing::Test {
protected:
    void SetUp() override { zirka_reset(); }
    static int id(Object *object) { return zirka_object_id(object); }
    static std::vector<int> world_ids()
    {
        std::vector<int> ids;
        for (Object *object : zirka_world_objects())
            ids.push_back(id(object));
        return ids;
    }
};

TEST_F(World, NewObjectIsNotInTheWorldUntilAdded)
{
    Object *a = new_object(ZIRKA_OBJECT_NORMAL);
    EXPECT_TRUE(world_ids().empty());
    add_undoable_world_add_object("Add a", a);
    EXPECT_EQ(world_ids(), std::vector<int>{id(a)});
    EXPECT_EQ(zirka_undo_names(), std::vector<std::string>{"Add a"});
}

TEST_F(World, UndoTakesBackTheWholeStep)
{
    Object *a = new_object(0), *b = new_object(0), *c = new_object(0);
    add_undoable_world_add_object("a", a);
    zirka_world_add_objects("b and c", {b, c});
    EXPECT_EQ(world_ids(), (std::vector<int>{id(a), id(b), id(c)}));

    ASSERT_TRUE(zirka_undo());
    EXPECT_EQ(world_ids(), std::vector<int>{id(a)});
    EXPECT_FALSE(zirka_object_in_world(b));
    EXPECT_EQ(zirka_redo_names(), std::vector<std::string>{"b and c"});
    ASSERT_TRUE(zirka_undo());
    EXPECT_TRUE(world_ids().empty());
    EXPECT_FALSE(zirka_undo());

    ASSERT_TRUE(zirka_redo());
    ASSERT_TRUE(zirka_redo());
    EXPECT_FALSE(zirka_redo());
    EXPECT_EQ(world_ids(), (std::vector<int>{id(a), id(b), id(c)}));
}

TEST_F(World, NewStepAfterUndoDropsRedo)
{
    Object *a = new_object(0), *b = new_object(0), *c = new_object(0);
    add_undoable_world_add_object("a", a);
    add_undoable_world_add_object("b", b);
    const int b_id = id(b);
    ASSERT_TRUE(zirka_undo());
    add_undoable_world_add_object("c", c);
    EXPECT_FALSE(zirka_redo());
    EXPECT_EQ(world_ids(), (std::vector<int>{id(a), id(c)}));
    EXPECT_EQ(zirka_undo_names(), (std::vector<std::string>{"a", "c"}));
    // The dropped step's object can never come back: it is released at once.
    EXPECT_EQ(zirka_object_by_id(b_id), nullptr);
    EXPECT_TRUE(zirka_object_in_world(a));
}

TEST_F(World, DroppedStepsObjectEnteringAgainIsKept)
{
    Object *a = new_object(0), *b = new_object(0), *c = new_object(0), *d = new_object(0);
    add_undoable_world_add_object("a", a);
    zirka_world_add_objects("b c", {b, c});
    add_undoable_world_add_object("d", d);
    const int b_id = id(b), c_id = id(c);
    ASSERT_TRUE(zirka_undo());
    ASSERT_TRUE(zirka_undo());
    // d's step is dropped but d itself enters the world again.
    add_undoable_world_add_object("d again", d);
    EXPECT_EQ(zirka_object_by_id(b_id), nullptr);
    EXPECT_EQ(zirka_object_by_id(c_id), nullptr);
    EXPECT_EQ(zirka_object_by_id(id(d)), d);
    EXPECT_EQ(world_ids(), (std::vector<int>{id(a), id(d)}));
    EXPECT_EQ(zirka_undo_names(), (std::vector<std::string>{"a", "d again"}));
}

TEST_F(World, SelectionKeepsSelectionOrder)
{
    Object *a = new_object(0), *b = new_object(0), *c = new_object(0);
    zirka_world_add_objects("abc", {a, b, c});
    ASSERT_TRUE(zirka_select({id(c), id(a)}));
    List *selected = zirka_selection_get_objects_ordered();
    ASSERT_EQ(list_count(selected), 2);
    EXPECT_EQ(list_get_item(selected, 0), c);
    EXPECT_EQ(list_get_item(selected, 1), a);
    // An unknown id changes nothing.
    EXPECT_FALSE(zirka_select({id(b), 9999}));
    EXPECT_EQ(zirka_selection_get_objects_ordered(), selected);
    EXPECT_EQ(list_get_item(zirka_selection_get_objects_ordered(), 0), c);
    ASSERT_TRUE(zirka_select({}));
    EXPECT_EQ(zirka_selection_get_objects_ordered(), nullptr);
}

TEST_F(World, ObjectsOutsideTheWorldCannotBeSelected)
{
    Object *a = new_object(0);
    EXPECT_FALSE(zirka_select({id(a)}));
    add_undoable_world_add_object("a", a);
    ASSERT_TRUE(zirka_select({id(a)}));
    ASSERT_TRUE(zirka_undo());
    EXPECT_EQ(zirka_selection_get_objects_ordered(), nullptr) << "undone objects leave the selection";
}

TEST_F(World, ResetForgetsEverythingButRegistrations)
{
    add_undoable_world_add_object("a", new_object(0));
    windows_message_dialog("hello");
    tcl_command("set x 1");
    redraw_all();
    zirka_add_tools_menu_item("Keep me", "noop", "stays");
    zirka_reset();
    EXPECT_TRUE(zirka_world_objects().empty());
    EXPECT_TRUE(zirka_undo_names().empty());
    EXPECT_TRUE(zirka_messages().empty());
    EXPECT_TRUE(zirka_tcl_log().empty());
    EXPECT_EQ(zirka_redraw_count(), 0);
    EXPECT_NE(zirka_menu_find("Keep me"), nullptr);
}

TEST_F(World, MenuLabelRegisteredAgainReplacesItsItem)
{
    size_t items = zirka_menu_items().size();
    zirka_add_tools_menu_item("Twice...", "first_command", "first help");
    zirka_add_tools_menu_item("Twice...", "second_command", "second help");
    EXPECT_EQ(zirka_menu_items().size(), items + 1);
    const ZirkaMenuItem *item = zirka_menu_find("Twice...");
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->command, "second_command");
    EXPECT_EQ(item->help, "second help");
}

TEST_F(World, RedrawAllCounts)
{
    redraw_all();
    redraw_all();
    EXPECT_EQ(zirka_redraw_count(), 2);
}

TEST_F(World, MessageDialogIsOneFormattedLine)
{
    RunRecord shown = capture_output([] {
        windows_message_dialog("Scale %g%% of %s", 12.5, "path");
        windows_message_dialog("Error parsing scale amount (%s)", "1\n2");
    });
    EXPECT_EQ(shown.out, "Scale 12.5% of path\nError parsing scale amount (1 2)\n");
    ASSERT_EQ(zirka_messages().size(), 2u);
    EXPECT_EQ(zirka_messages()[0], "Scale 12.5% of path");
    EXPECT_EQ(zirka_messages()[1], "Error parsing scale amount (1\n2)");
    zirka_messages_clear();
    EXPECT_TRUE(zirka_messages().empty());
}

TEST_F(World, TclCommandWithoutInterpreterRecordsTheFormattedScript)
{
    // Longer than any fixed buffer a host might use.
    std::string long_path(5000, 'p');
    EXPECT_EQ(tcl_command("source \"%s/pirrel.tcl\"", long_path.c_str()), 0);
    ASSERT_EQ(zirka_tcl_log().size(), 1u);
    EXPECT_EQ(zirka_tcl_log()[0], "source \"" + long_path + "/pirrel.tcl\"");
}

static std::vector<std::string> handler_args;
static void ZIRKA_CALL record_args(int argc, const char **argv)
{
    handler_args.assign(argv, argv + argc);
}

TEST_F(World, RegisteredCommandIsCalledByNameWithItsArguments)
{
    EXPECT_EQ(zirka_add_command_full("core_record", record_args, 0, "argv", "<x> <y>", "Records"), 0);
    const ZirkaCommand *command = zirka_command_find("core_record");
    ASSERT_NE(command, nullptr);
    EXPECT_EQ(command->synopsis, "<x> <y>");
    EXPECT_EQ(command->description, "Records");
    EXPECT_EQ(command->arg_style, "argv");
    const char *argv[] = {"core_record", "1", "two"};
    ASSERT_TRUE(zirka_command_call("core_record", 3, argv));
    EXPECT_EQ(handler_args, (std::vector<std::string>{"core_record", "1", "two"}));
    EXPECT_FALSE(zirka_command_call("no_such_command", 1, argv));
}

TEST(Unbackslash, LeavesPosixPathsAlone)
{
    char path[] = "C:\\zirka\\plugins\\pirrel";
    std::string before = path;
    zirka_unbackslash_string(path);
#ifdef _WIN32
    EXPECT_STREQ(path, "C:/zirka/plugins/pirrel");
#else
    // A backslash is an ordinary file-name character here.
    EXPECT_EQ(std::string(path), before);
#endif
    EXPECT_EQ(std::strlen(path), before.size());
    char empty[] = "";
    zirka_unbackslash_string(empty);
    EXPECT_STREQ(empty, "");
}

} // namespace
