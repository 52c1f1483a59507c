// loader_test.cpp -- loading plug-ins: a good one, one whose
// initialisation fails and one without an entry point, each built as a
// small fixture plug-in (fixtures/).
#include "zirka_fixture.h"

#include <filesystem>
#include <fstream>

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

TEST_F(Loader, MissingEntryPointIsReported)
{
    std::string error;
    EXPECT_FALSE(zirka_load_plugin(fixture("no_init"), ZIRKA_FIXTURE_PLUGINS, &error));
    EXPECT_EQ(error, "plug-in \"" + fixture("no_init") + "\" has no entry point ZIRKAPluginInit");
    EXPECT_FALSE(still_loaded(fixture("no_init")));
}

TEST_F(Loader, FailedInitIsReported)
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

// A copy cut short: its headers name parts past its end, and the platform's
// loader would touch pages that are not there.
TEST_F(Loader, TruncatedLibraryIsRefusedBeforeTheLoaderSeesIt)
{
    const std::string whole = read_file(fixture("good"));
    ASSERT_GT(whole.size(), 4096u);
    EXPECT_TRUE(zirka_library_complete(fixture("good"), nullptr));
    for (size_t size : {whole.size() - 1, whole.size() / 2, size_t(100), size_t(5)}) {
        SCOPED_TRACE(size);
        std::string cut = write_file("cut.p", whole.substr(0, size));
        std::string error;
        EXPECT_FALSE(zirka_load_plugin(cut, temp_dir(), &error));
        std::string start = "plug-in \"" + cut + "\" is not a complete library: its headers need ";
        EXPECT_EQ(error.substr(0, start.size()), start) << error;
        EXPECT_NE(error.find(" bytes, the file has " + std::to_string(size) + " (an interrupted copy?)"),
                  std::string::npos)
            << error;
        EXPECT_FALSE(still_loaded(cut));
    }
    // The section headers are the last part of this file.
    std::string error;
    EXPECT_FALSE(zirka_library_complete(write_file("cut.p", whole.substr(0, whole.size() - 1)), &error));
    EXPECT_NE(error.find("need " + std::to_string(whole.size()) + " bytes"), std::string::npos) << error;
}

// A PE file (as pirrel.p is on Windows): one section of 0x100 bytes at 0x200.
TEST_F(Loader, TruncatedWindowsLibraryIsRefused)
{
    std::string pe(0x300, '\0');
    auto put = [&](size_t at, uint32_t value, int width) {
        for (int i = 0; i < width; i++)
            pe[at + i] = static_cast<char>((value >> (8 * i)) & 0xff);
    };
    pe[0] = 'M';
    pe[1] = 'Z';
    put(0x3c, 0x40, 4);
    pe.replace(0x40, 4, std::string("PE\0\0", 4));
    put(0x44, 0x14c, 2); // i386
    put(0x46, 1, 2);     // one section
    put(0x58 + 16, 0x100, 4);
    put(0x58 + 20, 0x200, 4);
    EXPECT_TRUE(zirka_library_complete(write_file("whole.p", pe), nullptr));
    std::string cut = write_file("cut.p", pe.substr(0, 0x2ff));
    std::string error;
    EXPECT_FALSE(zirka_library_complete(cut, &error));
    EXPECT_EQ(error, "plug-in \"" + cut + "\" is not a complete library: its headers need 768 bytes, "
                     "the file has 767 (an interrupted copy?)");
    // The section table itself cut off.
    EXPECT_FALSE(zirka_library_complete(write_file("cut.p", pe.substr(0, 0x60)), nullptr));
    // The cross-built plug-in, when there is one, whole and cut.
    const std::string built = PIRREL_BINARY_DIR "/win-cross/bin/plugins/pirrel.p";
    if (std::filesystem::exists(built)) {
        std::string dll = read_file(built);
        EXPECT_TRUE(zirka_library_complete(built, nullptr));
        EXPECT_FALSE(zirka_library_complete(write_file("cut.p", dll.substr(0, dll.size() - 1)), nullptr));
    }
}

TEST_F(Loader, MissingOrEmptyFolderLoadsNothing)
{
    size_t errors = zirka_plugin_errors().size();
    RunRecord out = zirka_capture([&] {
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
    RunRecord out = zirka_capture([&] { loaded = zirka_load_plugin_folder(folder + "/"); });
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
    RunRecord run = zirka_capture_eval("fixture_good a {b c}; host::menu invoke {Fixture good}");
    EXPECT_EQ(run.code, TCL_OK) << run.result;
    EXPECT_EQ(run.out, "3: fixture_good|a|b c\n2: fixture_good|from-menu\n");
    EXPECT_EQ(eval("host::lists"), "0");
    EXPECT_EQ(eval("host::menu help {Fixture good}"), "Runs the good fixture");
}

} // namespace
