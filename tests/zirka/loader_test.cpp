// loader_test.cpp -- loading plug-ins: a good one, one whose
// initialisation fails and one without an entry point, each built as a
// small fixture plug-in (fixtures/).
#include "zirka_fixture.h"

#include <filesystem>

#ifndef _WIN32
#include <dlfcn.h>
#endif

namespace fs = std::filesystem;

namespace {

class Loader : public ZirkaTest {
protected:
    static std::string fixture(const std::string &name)
    {
        return std::string(ZIRKA_FIXTURE_PLUGINS) + "/" + name + "/" + name + ".p";
    }
    // Copies a fixture plug-in into folder under another name.
    static std::string copy_fixture(const std::string &name, const std::string &folder, const std::string &as)
    {
        fs::path to = fs::u8path(folder) / as;
        fs::copy_file(fixture(name), to, fs::copy_options::overwrite_existing);
        return to.generic_u8string();
    }
    static bool still_loaded(const std::string &file)
    {
#ifdef _WIN32
        return GetModuleHandleA(file.c_str()) != nullptr;
#else
        void *handle = dlopen(file.c_str(), RTLD_NOW | RTLD_NOLOAD);
        if (handle)
            dlclose(handle);
        return handle != nullptr;
#endif
    }
};

TEST_F(Loader, MissingEntryPointNamesSymbolAndFileAndUnloads)
{
    std::string error;
    EXPECT_FALSE(zirka_load_plugin(fixture("no_init"), ZIRKA_FIXTURE_PLUGINS, &error));
    EXPECT_EQ(error, "plug-in \"" + fixture("no_init") + "\" has no entry point ZIRKAPluginInit");
    EXPECT_FALSE(still_loaded(fixture("no_init")));
}

TEST_F(Loader, FailedInitNamesSymbolFileAndCodeAndUnloads)
{
    std::string error;
    size_t commands = zirka_commands().size();
    EXPECT_FALSE(zirka_load_plugin(fixture("init_fails"), ZIRKA_FIXTURE_PLUGINS, &error));
    EXPECT_EQ(error, "ZIRKAPluginInit of plug-in \"" + fixture("init_fails") + "\" failed with code 7");
    EXPECT_FALSE(still_loaded(fixture("init_fails")));
    // The command it registered before failing would call unloaded code.
    EXPECT_EQ(zirka_commands().size(), commands);
    EXPECT_EQ(zirka_command_find("fixture_failing"), nullptr);
    EXPECT_EQ(eval("info commands fixture_failing"), "");
    // So would its menu item, through the command.
    EXPECT_EQ(zirka_menu_find("Failing fixture..."), nullptr);
}

TEST_F(Loader, UnloadableFileIsReported)
{
    std::string junk = write_file("junk.p", "not a library");
    std::string error;
    EXPECT_FALSE(zirka_load_plugin(junk, temp_dir(), &error));
    EXPECT_EQ(error.rfind("cannot load plug-in \"" + junk + "\": ", 0), 0u) << error;
}

TEST_F(Loader, MissingOrEmptyFolderLoadsNothing)
{
    size_t errors = zirka_plugin_errors().size();
    ZirkaCaptured out = zirka_capture([&] {
        EXPECT_EQ(zirka_load_plugin_folder(temp_dir() + "/nowhere"), 0);
        write_file("readme.txt", "plug-ins end in .p");
        EXPECT_EQ(zirka_load_plugin_folder(temp_dir()), 0);
    });
    EXPECT_EQ(out.err, "");
    EXPECT_EQ(zirka_plugin_errors().size(), errors);
}

// The good plug-in is loaded once per process, here, from a folder that
// also holds the two bad ones, named so that they load first.
TEST_F(Loader, FolderLoadsTheGoodPluginDespiteTheBadOnes)
{
    std::string folder = temp_dir() + "/plugins";
    fs::create_directories(folder);
    std::string a = copy_fixture("no_init", folder, "a_no_init.p");
    std::string b = copy_fixture("init_fails", folder, "b_init_fails.p");
    std::string c = copy_fixture("good", folder, "c_good.p");
    size_t plugins = zirka_plugins().size();

    int loaded = 0;
    ZirkaCaptured out = zirka_capture([&] { loaded = zirka_load_plugin_folder(folder + "/"); });
    EXPECT_EQ(loaded, 1);
    EXPECT_EQ(out.err, "zirka: plug-in \"" + a + "\" has no entry point ZIRKAPluginInit\n"
                       "zirka: ZIRKAPluginInit of plug-in \"" + b + "\" failed with code 7\n");
    EXPECT_FALSE(still_loaded(a));
    EXPECT_FALSE(still_loaded(b));
    EXPECT_TRUE(still_loaded(c));

    // Init got the folder without its trailing separator.
    EXPECT_EQ(eval("set ::fixture_good_folder"), folder);
    ASSERT_EQ(zirka_plugins().size(), plugins + 1);
    EXPECT_EQ(eval("dict get [lindex [host::plugins] end] file"), c);
    EXPECT_EQ(eval("dict get [lindex [host::plugins] end] about"), "Good fixture");
    EXPECT_EQ(eval("dict get [lindex [host::plugins] end] info"), "Loads and registers fixture_good.");
    EXPECT_EQ(eval("dict get [host::commands] fixture_good"),
              "synopsis {?arg ...?} description {Shows its arguments} arg_style argv flags 0");

    // Its command runs, releases its list, and shows a message; so does its menu item.
    ZirkaScriptRun run = zirka_capture_eval("fixture_good a {b c}; host::menu invoke {Fixture good}");
    EXPECT_EQ(run.code, TCL_OK) << run.result;
    EXPECT_EQ(run.out, "3: fixture_good|a|b c\n2: fixture_good|from-menu\n");
    EXPECT_EQ(eval("host::lists"), "0");
    EXPECT_EQ(eval("host::menu help {Fixture good}"), "Runs the good fixture");
}

} // namespace
