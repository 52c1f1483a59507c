// tcl_test.cpp -- the host's Tcl side: tcl_command, registered commands,
// the Tools menu, message dialogs and the host:: commands' arguments.
#include "tcl_values.h"
#include "zirka_fixture.h"

#include <string>
#include <vector>

namespace {

class HostTcl : public ZirkaTest {};

static std::vector<std::string> seen_args;
static int seen_tcl_code;

// A plug-in handler that records its arguments and runs a Tcl command
// named by its first argument, as a plug-in would.
static void ZIRKA_CALL tcl_test_handler(int argc, const char **argv)
{
    seen_args.assign(argv, argv + argc);
    seen_tcl_code = argc > 1 ? tcl_command("%s", argv[1]) : -1;
}

static void ZIRKA_CALL tcl_test_dialog(int argc, const char **argv)
{
    windows_message_dialog("%d argument(s), last \"%s\"", argc - 1, argv[argc - 1]);
}

static int tcl_test_nothing(ClientData, Tcl_Interp *, int, Tcl_Obj *const[]) { return TCL_OK; }
static void tcl_test_count_deletion(ClientData data) { ++*static_cast<int *>(data); }

TEST_F(HostTcl, GuardedCommandKeepsItsDeleteProc)
{
    int deleted = 0;
    Tcl_CreateObjCommand(interp(), "tcl_test_guarded", tcl_test_nothing, &deleted, tcl_test_count_deletion);
    ASSERT_EQ(zirka_tcl_guard_command(interp(), "tcl_test_guarded"), TCL_OK);
    eval("rename tcl_test_guarded {}");
    EXPECT_EQ(deleted, 1);
}

TEST_F(HostTcl, TclCommandEvaluatesAtGlobalLevel)
{
    EXPECT_EQ(tcl_command("set ::tcl_test_x [expr {%d * %d}]", 6, 7), TCL_OK);
    EXPECT_EQ(eval("set ::tcl_test_x"), "42");
    // From inside a procedure, too: the variable is the global one.
    zirka_add_command_full("tcl_test_cmd", tcl_test_handler, 0, "argv", "<script>", "Runs a script");
    eval("proc tcl_test_proc {} { set local 1; tcl_test_cmd {set tcl_test_y 5} }; tcl_test_proc");
    EXPECT_EQ(seen_tcl_code, TCL_OK);
    EXPECT_EQ(eval("set ::tcl_test_y"), "5");
    EXPECT_EQ(zirka_tcl_log().back(), "set tcl_test_y 5");
}

TEST_F(HostTcl, TclCommandHasNoLengthLimit)
{
    std::string word(100000, 'w');
    EXPECT_EQ(tcl_command("set ::tcl_test_long %s", word.c_str()), TCL_OK);
    EXPECT_EQ(eval("string length $::tcl_test_long"), "100000");
}

TEST_F(HostTcl, TclCommandErrorIsReportedInOneLine)
{
    int code = 0;
    RunRecord out = zirka_capture([&] { code = tcl_command("error {first\nsecond}"); });
    EXPECT_EQ(code, TCL_ERROR);
    EXPECT_EQ(out.err, "zirka: first second\n");
    EXPECT_EQ(eval("host::tcl_errors"), "{first\nsecond}");
    EXPECT_EQ(eval("host::tcl_log"), "{error {first\nsecond}}");
}

TEST_F(HostTcl, FailingTclCommandLeavesTheCallersResultAlone)
{
    zirka_add_command_full("tcl_test_cmd", tcl_test_handler, 0, "argv", "<script>", "Runs a script");
    RunRecord run = zirka_capture_eval("list [catch {tcl_test_cmd {no_such_command_here}} r] $r");
    EXPECT_EQ(run.result, "0 {}") << "the handler's command succeeds with an empty result";
    EXPECT_EQ(seen_tcl_code, TCL_ERROR);
    EXPECT_EQ(run.err, "zirka: invalid command name \"no_such_command_here\"\n");
}

TEST_F(HostTcl, RegisteredCommandGetsItsArgumentsNameFirst)
{
    EXPECT_EQ(zirka_add_command_full("tcl_test_cmd", tcl_test_handler, 0, "argv", "<script>", "Runs a script"), 0);
    EXPECT_EQ(eval("tcl_test_cmd {set ::tcl_test_z {a b}} {two words} 3"), "");
    EXPECT_EQ(seen_args, (std::vector<std::string>{"tcl_test_cmd", "set ::tcl_test_z {a b}", "two words", "3"}));
    EXPECT_EQ(eval("set ::tcl_test_z"), "a b");
    EXPECT_EQ(eval("dict get [host::commands] tcl_test_cmd"),
              "synopsis <script> description {Runs a script} arg_style argv flags 0");
}

// Adds two new objects to the world in one step, after making one it
// leaves out; argv[1] "refuse" makes one and adds nothing.
static void ZIRKA_CALL tcl_test_adder(int argc, const char **argv)
{
    Object *left_out = new_object(ZIRKA_OBJECT_NORMAL);
    (void)left_out;
    if (argc > 1 && std::string(argv[1]) == "refuse")
        return;
    zirka_world_add_objects("Two", {new_object(ZIRKA_OBJECT_NORMAL), new_object(ZIRKA_OBJECT_NORMAL)});
}

TEST_F(HostTcl, PluginCommandResultIsTheIdsItAdded)
{
    zirka_add_command_full("tcl_test_adder", tcl_test_adder, 0, "argv", "?refuse?", "Adds two objects");
    std::string probe = write_file("one.obj", "v 0 0 0\n");
    const int next = std::stoi(eval("host::load " + probe)) + 1;
    EXPECT_EQ(eval("tcl_test_adder refuse"), "");
    // The refused run used up no id; the one left out here did, below the two kept.
    EXPECT_EQ(eval("tcl_test_adder"), std::to_string(next + 1) + " " + std::to_string(next + 2));
    EXPECT_EQ(eval("host::objects"), std::to_string(next - 1) + " " + std::to_string(next + 1) + " " +
                                         std::to_string(next + 2));
    EXPECT_EQ(eval_error("host::info " + std::to_string(next)), "no object with id " + std::to_string(next))
        << "the one left out is released";
}

TEST_F(HostTcl, MessageDialogTextsAreShown)
{
    zirka_add_command_full("tcl_test_dialog", tcl_test_dialog, 0, "argv", "?arg ...?", "Shows a message");
    // The text is data: brackets and braces are not evaluated.
    RunRecord run = zirka_capture_eval("tcl_test_dialog {[exit 9]} \\{");
    EXPECT_EQ(run.code, TCL_OK);
    EXPECT_EQ(run.out, "2 argument(s), last \"{\"\n");
    EXPECT_EQ(eval("llength [host::messages]"), "1");
    EXPECT_EQ(eval("lindex [host::messages] 0"), "2 argument(s), last \"{\"");
    eval("host::messages clear");
    EXPECT_EQ(eval("host::messages"), "");
}

TEST_F(HostTcl, MenuCommandReadsTheToolsMenu)
{
    zirka_add_tools_menu_item("Tcl test item", "set ::tcl_test_menu invoked", "Sets a variable");
    EXPECT_EQ(eval("lindex [host::menu] end"), "Tcl test item");
    EXPECT_EQ(eval("host::menu invoke {Tcl test item}"), "invoked");
    EXPECT_EQ(eval("set ::tcl_test_menu"), "invoked");
    EXPECT_EQ(eval("host::menu help {Tcl test item}"), "Sets a variable");
    EXPECT_EQ(eval_error("host::menu invoke {No such item}"), "no menu item \"No such item\"");
    EXPECT_EQ(eval_error("host::menu frob {Tcl test item}"),
              "bad option \"frob\": must be invoke or help");
}

TEST_F(HostTcl, HostCommandsSetTheSelection)
{
    std::string obj = write_file("three.obj", "o a\nv 0 0 0\no b\nv 1 1 1\no c\nv 2 2 2\n");
    eval("lassign [host::load " + obj + "] a b c");
    EXPECT_EQ(eval("host::select $c $a"), eval("list $c $a"));
    EXPECT_EQ(eval("host::select"), eval("list $c $a"));
    EXPECT_EQ(eval("host::select [list $b $a]"), eval("list $b $a"));
    EXPECT_EQ(eval_error("host::select $a 99999"), "no object with id 99999");
    EXPECT_EQ(eval_error("host::select nonsense"), "expected integer but got \"nonsense\"");
    EXPECT_EQ(eval("host::select"), eval("list $b $a")) << "a failed select changes nothing";
    EXPECT_EQ(eval("host::select {}"), "");
    EXPECT_EQ(eval("host::undo"), "Load three.obj");
    EXPECT_EQ(eval_error("host::select $a"), eval("string cat {object } $a { is not in the world}"));
    EXPECT_EQ(eval_error("host::undo"), "nothing to undo");
    EXPECT_EQ(eval("host::redo"), "Load three.obj");
    EXPECT_EQ(eval_error("host::redo"), "nothing to redo");
    EXPECT_EQ(eval("host::objects"), eval("list $a $b $c"));
}

TEST_F(HostTcl, WrongArgumentsGiveTclMessages)
{
    struct Case {
        const char *script, *message;
    } cases[] = {
        {"host::load", "wrong # args: should be \"host::load file\""},
        {"host::save", "wrong # args: should be \"host::save file ?id ...?\""},
        {"host::objects x", "wrong # args: should be \"host::objects\""},
        {"host::info", "wrong # args: should be \"host::info id\""},
        {"host::info 1 2", "wrong # args: should be \"host::info id\""},
        {"host::info x", "expected integer but got \"x\""},
        {"host::info 99999", "no object with id 99999"},
        {"host::vertices 99999", "no object with id 99999"},
        {"host::normals", "wrong # args: should be \"host::normals id\""},
        {"host::surfaces 99999", "no object with id 99999"},
        {"host::undo x", "wrong # args: should be \"host::undo\""},
        {"host::menu a", "wrong # args: should be \"host::menu ?invoke|help label?\""},
        {"host::messages a b", "wrong # args: should be \"host::messages ?clear?\""},
        {"host::messages all", "bad option \"all\": must be clear"},
        {"host::lists 1", "wrong # args: should be \"host::lists\""},
    };
    for (const Case &c : cases)
        EXPECT_EQ(eval_error(c.script), c.message) << c.script;
}

// A handler that forgets to release one list node and redraws: what
// host::lists and host::redraws are for. The node stays reachable here.
static List *leaky_list;
static void ZIRKA_CALL tcl_test_leaky(int, const char **)
{
    list_add_item(&leaky_list, nullptr);
    redraw_all();
}

TEST_F(HostTcl, ProbesCountUntilReset)
{
    zirka_add_command_full("tcl_test_leaky", tcl_test_leaky, 0, "argv", "", "Leaks a node");
    EXPECT_EQ(eval("host::lists"), "0");
    eval("tcl_test_leaky");
    EXPECT_EQ(eval("host::lists"), "1");
    EXPECT_EQ(eval("host::redraws"), "1");
    eval("host::reset");
    EXPECT_EQ(eval("list [host::lists] [host::redraws] [host::objects] [host::tcl_log]"), "0 0 {} {}");
}

TEST_F(HostTcl, InfoVerticesSurfacesNormalsOfAnObject)
{
    //  v3 +----+ v2    one quad, counter-clockwise seen from +z
    //     |    |
    //  v0 +----+ v1
    std::string obj = write_file("quad.obj", "o quad\nv 0 0 0\nv 2 0 0\nv 2 2 0\nv 0 2 0\nf 1 2 3 4\n");
    eval("set q [host::load " + obj + "]");
    EXPECT_EQ(eval("dict remove [host::info $q] id"), "name quad type 0 vertices 4 surfaces 1 children 0 world 1");
    EXPECT_EQ(eval("host::vertices $q"), "{0.0 0.0 0.0} {2.0 0.0 0.0} {2.0 2.0 0.0} {0.0 2.0 0.0}");
    object_calc_normals_force(zirka_object_by_id(std::stoi(eval("set q"))));
    EXPECT_EQ(eval("dict get [lindex [host::surfaces $q] 0] normal"), "0.0 0.0 1.0");
    EXPECT_EQ(eval("lsort -unique [host::normals $q]"), "{0.0 0.0 1.0}");
}

// host::check of a cube, whole and with its top face taken off.
TEST_F(HostTcl, CheckSaysWhetherAnObjectIsClosed)
{
    const std::string cube = "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nv 0 0 1\nv 1 0 1\nv 1 1 1\nv 0 1 1\n"
                             "f 1 4 3 2\nf 1 2 6 5\nf 2 3 7 6\nf 3 4 8 7\nf 4 1 5 8\n";
    std::string closed = write_file("cube.obj", cube + "f 5 6 7 8\n"), open = write_file("box.obj", cube);
    EXPECT_EQ(eval("host::check [host::load " + closed + "]"),
              "open_edges 0 crowded_edges 0 same_way_edges 0 closed 1 points_out 1");
    EXPECT_EQ(eval("host::check [host::load " + open + "]"), "open_edges 4 crowded_edges 0 same_way_edges 0 closed 0");
}

} // namespace
