// The plug-in as the host sees it: loading from its folder, registration,
// the listing texts, and its companion script sourced safely from any folder.

#include "zirka_fixture.h"

#include <dlfcn.h>

#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {

const char kLabel[] = "Extrude along path with scaling...";

class PluginTest : public ZirkaTest {
protected:
    // Makes folder (under this test's temporary folder) holding a copy of the
    // built plug-in and, unless script is null, a pirrel.tcl with that text.
    std::string plugin_folder(const std::string &name, const char *script)
    {
        fs::path folder = fs::path(temp_dir()) / name;
        fs::create_directories(folder);
        fs::copy_file(fs::path(PIRREL_PLUGIN_DIR) / "pirrel.p", folder / "pirrel.p",
                      fs::copy_options::overwrite_existing);
        if (script)
            std::ofstream(folder / "pirrel.tcl") << script;
        return folder.string();
    }

    bool load(const std::string &folder)
    {
        std::string error;
        bool ok = zirka_load_plugin(folder + "/pirrel.p", folder, &error);
        EXPECT_TRUE(ok) << error;
        return ok;
    }
};

TEST_F(PluginTest, RegistersTheCommandAndTheMenuItem)
{
    const ZirkaCommand *c = zirka_command_find("kvx_extrude_along_path_scale");
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->flags, 0);
    EXPECT_EQ(c->arg_style, "argv");
    EXPECT_EQ(c->synopsis, "<scale_amount>");
    EXPECT_EQ(c->description, "Extrude path with scaling");

    const ZirkaMenuItem *item = zirka_menu_find(kLabel);
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->command, "ddhpirrel_dialog");
    EXPECT_EQ(item->help, "Extrude a surface along a path (line) with scaling across the length of the path");

    // Through Tcl, as a script sees them.
    EXPECT_EQ(eval("dict get [host::commands] kvx_extrude_along_path_scale synopsis"), "<scale_amount>");
    EXPECT_NE(eval("host::menu").find(kLabel), std::string::npos);
    EXPECT_EQ(eval("info procs ddhpirrel_dialog"), "ddhpirrel_dialog");
}

TEST_F(PluginTest, ListingTextsAreConstant)
{
    void *lib = dlopen(PIRREL_PLUGIN_DIR "/pirrel.p", RTLD_NOW | RTLD_NOLOAD);
    ASSERT_NE(lib, nullptr) << "the fixture loaded the plug-in";
    auto about = reinterpret_cast<ZirkaPluginTextProc>(dlsym(lib, "ZIRKAPluginAbout"));
    auto info = reinterpret_cast<ZirkaPluginTextProc>(dlsym(lib, "ZIRKAPluginInfo"));
    auto exit_proc = reinterpret_cast<ZirkaPluginExitProc>(dlsym(lib, "ZIRKAPluginExit"));
    ASSERT_TRUE(about && info && exit_proc);
    EXPECT_EQ(about(), about());
    EXPECT_EQ(info(), info());
    EXPECT_EQ(exit_proc(), 0);
    EXPECT_NE(std::string(about()).find("Extrude along path with scaling"), std::string::npos);
    EXPECT_EQ(std::string(info()),
              "Adds a new menu entry 'Tools->Extrude along path'.  Extrudes a profile along a line.  Create a new "
              "object consisting of a single polyline or line serving as the template object and a path object "
              "also with only one polyline or line.Clear your selections and then select first the template "
              "object and afterwards add the path object to the selection by holding down the SHIFT key. Now "
              "choose 'Tools->Extrude along path' from the menu to activate the function.");
    // The host recorded the same texts when it loaded the plug-in.
    ASSERT_FALSE(zirka_plugins().empty());
    EXPECT_EQ(zirka_plugins()[0].info, info());
    dlclose(lib);
}

TEST_F(PluginTest, OnlyTheFourEntryPointsAreExported)
{
    void *lib = dlopen(PIRREL_PLUGIN_DIR "/pirrel.p", RTLD_NOW | RTLD_NOLOAD);
    ASSERT_NE(lib, nullptr);
    for (const char *hidden : {"extrude_along_path", "kvx_vtx_list_intersect", "kvx_solve3", "kvx_debug"})
        EXPECT_EQ(dlsym(lib, hidden), nullptr) << hidden;
    dlclose(lib);
}

TEST_F(PluginTest, SourcesItsScriptFromItsFolder)
{
    std::string folder = plugin_folder("plain", "set ::pirrel_sourced [info script]\n");
    ASSERT_TRUE(load(folder));
    EXPECT_EQ(eval("set ::pirrel_sourced"), folder + "/pirrel.tcl");
    ASSERT_FALSE(zirka_tcl_log().empty());
    EXPECT_EQ(zirka_tcl_log().back(), "source \"" + folder + "/pirrel.tcl\"");
}

TEST_F(PluginTest, MissingScriptLeavesTheCommandUsable)
{
    std::string folder = plugin_folder("noscript", nullptr);
    ASSERT_TRUE(load(folder));
    ASSERT_FALSE(zirka_tcl_errors().empty());
    EXPECT_NE(zirka_tcl_errors().back().find("pirrel.tcl"), std::string::npos);

    std::string obj = write_file("case.obj", "o t\nv 0 0 0\nv 0 1 0\nv 0 1 1\nl 1 2 3 1\n"
                                             "o p\nv 0 0 0\nv 1 0 0\nv 2 0 0\nl 4 5 6\n");
    eval("host::select {*}[host::load " + obj + "]");
    RunRecord r = zirka_capture_eval("kvx_extrude_along_path_scale 50");
    EXPECT_EQ(r.code, TCL_OK) << r.result;
    EXPECT_EQ(zirka_world_objects().size(), 3u);
}

TEST_F(PluginTest, FolderNamesAreNeverEvaluated)
{
    // Each of Tcl's special characters, and names that would run script or
    // read variables if the path were ever parsed as Tcl.
    const char *names[] = {"a[b",  "a]b",  "a$b",      "a\"b", "a{b", "a}b",
                           "a\\b", "a b",  "a;b",      "~tilde", "100%s%n",
                           "x[set ::pirrel_pwned 1]y", "x$::pirrel_pwned", "x\"; set ::pirrel_pwned 1; \"",
                           "x\\\"]; set ::pirrel_pwned 1; #"};
    int k = 0;
    for (const char *name : names) {
        SCOPED_TRACE(name);
        std::string folder = plugin_folder("f" + std::to_string(k++) + "/" + name,
                                           "set ::pirrel_sourced [info script]\n");
        eval("unset -nocomplain ::pirrel_sourced ::pirrel_pwned");
        ASSERT_TRUE(load(folder));
        EXPECT_EQ(eval("set ::pirrel_sourced"), folder + "/pirrel.tcl");
        EXPECT_EQ(eval("info exists ::pirrel_pwned"), "0");
        EXPECT_TRUE(zirka_tcl_errors().empty()) << zirka_tcl_errors().front();
    }
}

TEST_F(PluginTest, RelativeFolderStartingWithTilde)
{
    // Tcl would read ~name as a user's home directory.
    std::string folder = plugin_folder("~rel", "set ::pirrel_sourced [info script]\n");
    fs::path here = fs::current_path();
    fs::current_path(temp_dir());
    std::string error;
    bool ok = zirka_load_plugin("~rel/pirrel.p", "~rel", &error);
    fs::current_path(here);
    ASSERT_TRUE(ok) << error;
    EXPECT_EQ(eval("set ::pirrel_sourced"), "./~rel/pirrel.tcl");
}

TEST_F(PluginTest, DialogSaysWhatToSelectForEachVerdict)
{
    // What ::pirrel::selection_problem says for each verdict of the check,
    // the check stood in for by a procedure that sets the verdict.
    struct {
        const char *verdict;
        const char *said;
    } cases[] = {
        {"ok 0", ""},
        {"count 1", "Select two objects: first the outline, then, holding SHIFT, the path (now 1 selected)."},
        {"surfaces 1", "The outline (selected first) must hold one line or polyline and nothing else: split it, or "
                       "join its pieces into one line."},
        {"surfaces 2", "The path (selected second) must hold one line or polyline and nothing else: split it, or "
                       "join its pieces into one line."},
        {"type 1", "The outline (selected first) must be an ordinary geometry object."},
        {"path_vertices 2", "The path (selected second) needs at least 3 points: it has 2 now."},
        {"empty_template 0", "The outline (selected first) has no points: draw it, then select it and the path again."},
        {"not_finite 0", "A point of the outline or the path is infinite or not a number: fix the points."},
        {"distinct_points 2", "The path (selected second) needs 3 different points: points that repeat the one "
                              "before count once, and it has 2 of them."},
        {"too_many 0", "The outline and the path have too many points together: use fewer points."},
        {"turns_back 0", "The path (selected second) runs straight back along itself: move a point so that it turns "
                         "aside."},
        {"", ""},
    };
    eval("rename kvx_extrude_along_path_check pirrel_test_real_check");
    for (const auto &c : cases) {
        eval(std::string("proc kvx_extrude_along_path_check {} {set ::pirrel::verdict {") + c.verdict + "}}");
        if (c.verdict[0] == '\0')
            eval("proc kvx_extrude_along_path_check {} {}");
        EXPECT_EQ(eval("::pirrel::selection_problem"), c.said) << c.verdict;
    }
    eval("rename kvx_extrude_along_path_check {}; rename pirrel_test_real_check kvx_extrude_along_path_check");
}

} // namespace
