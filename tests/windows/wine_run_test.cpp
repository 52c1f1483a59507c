// zirka.exe under Wine against the same driver on Linux (fixture
// windows_run_cases): what the plug-in registered, the script it had
// sourced, and every case's files, which must be equal byte for byte.
#include "windows_test_util.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>

namespace {

namespace fs = std::filesystem;

const std::string run_dir = PIRREL_WINDOWS_RUN_DIR;
const std::string linux_dir = run_dir + "/linux";
const std::string windows_dir = run_dir + "/windows";

std::string windows_file(const std::string &name)
{
    bool ok = false;
    std::string text = read_file(windows_dir + "/" + name, &ok);
    EXPECT_TRUE(ok) << "zirka.exe wrote no " << name;
    return text;
}

std::set<std::string> file_names(const std::string &folder)
{
    std::set<std::string> names;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
        names.insert(it->path().filename().string());
    return names;
}

// The first line where a and b differ, for the failure message.
std::string first_difference(const std::string &a, const std::string &b)
{
    std::vector<std::string> la = split_lines(a), lb = split_lines(b);
    for (size_t i = 0; i < std::max(la.size(), lb.size()); i++) {
        std::string x = i < la.size() ? la[i] : "<end>", y = i < lb.size() ? lb[i] : "<end>";
        if (x != y)
            return "line " + std::to_string(i + 1) + ": Linux \"" + x + "\", Windows \"" + y + "\"";
    }
    return "same lines, different line ends";
}

std::string forward_slashes(std::string path)
{
    for (char &c : path)
        if (c == '\\')
            c = '/';
    return path;
}

} // namespace

TEST(WineRun, AboutTextIsTheLinuxOne)
{
    const std::string about = windows_file("about.txt");
    EXPECT_GT(about.size(), 1u);
    EXPECT_EQ(about, read_file(linux_dir + "/about.txt"));
}

// zirka.exe hands the plug-in its folder with backslashes, as the real host
// does; the script is sourced from it with forward slashes.
TEST(WineRun, ScriptIsSourcedFromThePluginFolderWithForwardSlashes)
{
    const std::string folder = read_file(run_dir + "/windows-plugin-folder.txt");
    ASSERT_NE(folder.find('\\'), std::string::npos) << folder;
    ASSERT_EQ(folder.find('/'), std::string::npos) << folder;
    EXPECT_EQ(windows_file("tcl.txt"), "source \"" + forward_slashes(folder) + "/pirrel.tcl\"\n");

    // On Linux a backslash would be part of a name: the folder stays as given.
    const std::string linux_folder = read_file(run_dir + "/linux-plugin-folder.txt");
    EXPECT_EQ(read_file(linux_dir + "/tcl.txt"), "source \"" + linux_folder + "/pirrel.tcl\"\n");
}

TEST(WineRun, EveryCaseGivesTheLinuxResultByteForByte)
{
    std::set<std::string> linux_names = file_names(linux_dir), windows_names = file_names(windows_dir);
    // The script's path is the one output that differs by platform.
    EXPECT_EQ(linux_names.erase("tcl.txt") + windows_names.erase("tcl.txt"), 2u);
    EXPECT_EQ(windows_names, linux_names);
    int made = 0, cases = 0;
    for (const std::string &name : linux_names) {
        const std::string linux_text = read_file(linux_dir + "/" + name);
        const std::string windows_text = read_file(windows_dir + "/" + name);
        EXPECT_TRUE(linux_text == windows_text) << name << " differs, " << first_difference(linux_text, windows_text);
        if (fs::path(name).extension() == ".obj") {
            cases++;
            made += linux_text.rfind("o ", 0) == 0;
        }
    }
    // Not a comparison of empty files: most cases make an object.
    EXPECT_GE(cases, 30);
    EXPECT_GE(made, 20);
}
