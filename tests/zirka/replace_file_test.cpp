// replace_file_test.cpp -- zirka_replace_file as any caller uses it: the
// target is the whole new content, or the old one when the caller gives up.
#include "replace_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

std::string read_file(const fs::path &path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST(ReplaceFile, TargetIsTheWholeNewContentOrTheOldOne)
{
    struct Case {
        const char *name;
        const char *old_text; // nullptr: no file before
        bool through_link;    // replaced through a symbolic link to it
        bool filled;          // what the caller's fill returns
        const char *text_after;
    };
    const Case cases[] = {
        {"new file", nullptr, false, true, "new\n"},
        {"file replaced", "old\n", false, true, "new\n"},
        {"link kept", "old\n", true, true, "new\n"},
        {"caller gives up", "old\n", false, false, "old\n"},
    };
    const fs::path folder = fs::temp_directory_path() / ("zirka_replace_file." + std::to_string(getpid()));
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(folder);
        fs::create_directories(folder);
        const fs::path target = folder / "target.txt";
        if (c.old_text)
            std::ofstream(target, std::ios::binary) << c.old_text;
        const fs::path path = c.through_link ? folder / "link.txt" : target;
        if (c.through_link)
            fs::create_symlink("target.txt", path);
        std::string why = "none";
        bool done = zirka_replace_file(
            path.string(), [&](ReplacementFile *file) { return file->write("new\n", 4) && c.filled; }, &why);
        EXPECT_EQ(done, c.filled);
        EXPECT_EQ(why, c.filled ? "none" : "");
        EXPECT_EQ(read_file(target), c.text_after);
        EXPECT_EQ(fs::is_symlink(path), c.through_link);
        EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), c.through_link ? 2 : 1)
            << "no new file is left beside the target";
    }
    fs::remove_all(folder);
}

} // namespace
