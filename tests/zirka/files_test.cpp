// files_test.cpp -- nothing the host touches is harmed, through the real
// zirka: special files, links, unwritable files, odd names, pictures over
// old ones, abandoned temporary files, and numbers and ids out of range.
// Every special file is made here, in the test's own folder.
#include "zirka_fixture.h"

#include <filesystem>

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

class Files : public ZirkaTest {
protected:
    // Runs zirka on script (no plug-ins) under a UTF-8 locale, as user
    // (empty: this one) and with ulimit options limits; at most 20 s.
    RunRecord zirka(const std::string &script, const std::string &user = "", const std::string &limits = "")
    {
        std::string file = write_file("script.tcl", script), out = temp_dir() + "/out.txt",
                    err = temp_dir() + "/err.txt";
        write_file("empty/.keep", "");
        std::string command = "LC_ALL=C.UTF-8 timeout 20 " + user + " '" ZIRKA_EXE "' --plugins '" + temp_dir() +
                              "/empty' '" + file + "' </dev/null >'" + out + "' 2>'" + err + "'";
        if (!limits.empty())
            command = "ulimit " + limits + " && " + command;
        int rc = std::system(("sh -c \"" + command + "\"").c_str());
        RunRecord run;
        run.code = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
        run.out = read_file(out);
        run.err = read_file(err);
        return run;
    }
    // A script line that prints 0 and the result, or 1 and the message.
    static std::string attempt(const std::string &command) { return "puts [list [catch {" + command + "} m] $m]\n"; }
    std::string at(const std::string &name) { return temp_dir() + "/" + name; }
};

// A save and a picture onto each kind of special target are refused with a
// clear message and leave it as it was; loading one never waits.
TEST_F(Files, SpecialTargetsAreLeftAsTheyWere)
{
    struct Case {
        const char *name;
        const char *cause;
        bool root_only;
    } cases[] = {
        {"fifo", "not a regular file (a device, a FIFO or a socket)", false},
        {"device", "not a regular file (a device, a FIFO or a socket)", true},
        {"socket", "not a regular file (a device, a FIFO or a socket)", false},
        {"folder", "Is a directory", false},
        {"loop", "Too many levels of symbolic links", false},
        {"link_nowhere", "cannot make a file beside it: No such file or directory", false},
    };
    ASSERT_EQ(mkfifo(at("fifo").c_str(), 0644), 0);
    bool root = geteuid() == 0;
    if (root) {
        ASSERT_EQ(mknod(at("device").c_str(), S_IFCHR | 0666, makedev(1, 3)), 0); // a null device of our own
    }
    int sock = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s", at("socket").c_str());
    ASSERT_EQ(bind(sock, reinterpret_cast<sockaddr *>(&address), sizeof address), 0);
    fs::create_directory(at("folder"));
    fs::create_symlink("loop2", at("loop"));
    fs::create_symlink("loop", at("loop2"));
    fs::create_symlink("missing/file.obj", at("link_nowhere"));
    std::string script = "host::load " + write_file("p.obj", "v 0 0 0\n") + "\n";
    for (const Case &c : cases)
        script += attempt("host::save " + at(c.name)) + attempt("host::render " + at(c.name));
    script += attempt("host::load " + at("fifo")) + attempt("host::load " + at("socket"));
    RunRecord run = zirka(script);
    close(sock);
    std::string expected;
    for (const Case &c : cases) {
        std::string refusal = "1 {cannot write \"" + at(c.name) + "\": " + c.cause + "}\n";
        expected += c.root_only && !root ? "" : refusal + refusal;
        if (c.root_only && !root)
            expected += "1 {cannot write \"" + at(c.name) + "\": cannot make a file beside it: No such file or directory}\n"
                        "1 {cannot write \"" + at(c.name) + "\": cannot make a file beside it: No such file or directory}\n";
    }
    for (const char *name : {"fifo", "socket"})
        expected += "1 {" + at(name) + ":0: cannot open: not a regular file (a device, a FIFO or a socket)}\n";
    EXPECT_EQ(run.out, expected) << run.err;
    EXPECT_TRUE(fs::is_fifo(at("fifo")));
    EXPECT_TRUE(fs::is_socket(at("socket")));
    EXPECT_TRUE(!root || fs::is_character_file(at("device")));
    EXPECT_TRUE(fs::is_symlink(at("loop")) && fs::is_symlink(at("link_nowhere")));
    EXPECT_TRUE(fs::is_empty(at("folder")));
    if (!root)
        GTEST_LOG_(INFO) << "the device node needs root: that case was skipped";
}

// A link stays a link: a dangling one's file is made where its folder
// exists, and one to a file has that file replaced.
TEST_F(Files, LinksLeadToTheFileTheyName)
{
    fs::create_directory(at("real"));
    fs::create_symlink("real/new.obj", at("dangling"));
    std::string old = write_file("real/old.obj", "old\n");
    fs::create_symlink(old, at("to_old"));
    RunRecord run = zirka("host::load " + write_file("p.obj", "v 1 2 3\n") + "\n" + attempt("host::save " + at("dangling")) +
                          attempt("host::save " + at("to_old")));
    EXPECT_EQ(run.out, "0 {}\n0 {}\n") << run.err;
    EXPECT_TRUE(fs::is_symlink(at("dangling")) && fs::is_symlink(at("to_old")));
    EXPECT_EQ(read_file(at("real/new.obj")), "o p\nv 1 2 3\n");
    EXPECT_EQ(read_file(old), "o p\nv 1 2 3\n");
}

// A file the user may not write (0444 in a folder of the user's) is refused
// and kept; run as another user, for to root everything is writable.
TEST_F(Files, UnwritableFileIsRefused)
{
    std::string user;
    if (geteuid() == 0)
        user = "setpriv --reuid=65534 --regid=65534 --clear-groups";
    fs::create_directory(at("mine"));
    std::string kept = write_file("mine/kept.obj", "kept\n");
    std::string input = write_file("p.obj", "v 0 0 0\n");
    chmod(kept.c_str(), 0444);
    if (!user.empty()) {
        for (const std::string &p : {temp_dir(), at("mine"), kept, input, at("empty"), at("script.tcl")})
            (void)!chown(p.c_str(), 65534, 65534);
        chmod(temp_dir().c_str(), 0755);
    }
    write_file("out.txt", "");
    write_file("err.txt", "");
    (void)!chown(at("out.txt").c_str(), 65534, 65534);
    (void)!chown(at("err.txt").c_str(), 65534, 65534);
    RunRecord run = zirka("host::load " + input + "\n" + attempt("host::save " + kept) + attempt("host::render " + kept), user);
    std::string refusal = "1 {cannot write \"" + kept + "\": Permission denied}\n";
    EXPECT_EQ(run.out, refusal + refusal) << run.err;
    EXPECT_EQ(read_file(kept), "kept\n");
}

// Any name the system accepts works, to its length limit: a character
// outside the Basic Multilingual Plane, and a name of 250 bytes.
TEST_F(Files, OddNamesWork)
{
    std::string emoji = at("smile_\xF0\x9F\x98\x80"), lengthy = at(std::string(246, 'n') + ".obj");
    std::string input = write_file("p.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n");
    RunRecord run = zirka("host::load " + input + "\n" + attempt("host::save " + emoji + ".obj") +
                          attempt("host::render " + emoji + ".png -size 8") + attempt("host::save " + lengthy) +
                          attempt("host::reset; host::load " + emoji + ".obj") + attempt("host::history"));
    EXPECT_EQ(run.out, "0 {}\n0 {}\n0 {}\n0 2\n0 {{Load smile_\xF0\x9F\x98\x80.obj}}\n") << run.err;
    EXPECT_TRUE(fs::exists(fs::u8path(emoji + ".obj")) && fs::exists(fs::u8path(emoji + ".png")));
    EXPECT_EQ(read_file(lengthy), read_file(emoji + ".obj"));
}

// A picture over an old one under a file-size limit fails like a save: the
// host goes on, the old picture stays whole.
TEST_F(Files, PictureCutShortLeavesTheOldOne)
{
    std::string picture = write_file("old.png", "old picture\n");
    RunRecord run = zirka("host::load " + write_file("p.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n") + "\n" +
                              attempt("host::render " + picture + " -size 512") + "puts alive\n",
                          "", "-f 1");
    EXPECT_EQ(run.out, "1 {cannot write \"" + picture + "\": File too large}\nalive\n") << run.err;
    EXPECT_EQ(read_file(picture), "old picture\n");
}

// A save killed part way leaves a temporary file behind only where the
// system cannot make one without a name; the next save to the folder
// removes those of processes that are gone, never those of one running.
TEST_F(Files, AbandonedTemporaryFilesGo)
{
    std::string gone = write_file(".zirka-save-999999999-0", "half"), running = write_file(".zirka-save-1-0", "half");
    RunRecord run = zirka("host::load " + write_file("p.obj", "v 0 0 0\n") + "\n" + attempt("host::save " + at("x.obj")));
    EXPECT_EQ(run.out, "0 {}\n") << run.err;
    EXPECT_FALSE(fs::exists(gone));
    EXPECT_TRUE(fs::exists(running));
}

// Numbers are read in their range, the same way everywhere, and refusals
// name the value as given; an object selected twice is refused.
TEST_F(Files, NumbersOutOfRangeAreRefused)
{
    struct Case {
        const char *command, *message;
    } cases[] = {
        {"host::render X -size 4294967297", "expected a size W or WxH within 1 .. 16384 but got \"4294967297\""},
        {"host::render X -size 4294967297x480", "expected a size W or WxH within 1 .. 16384 but got \"4294967297x480\""},
        {"host::render X -size 16385", "expected a size W or WxH within 1 .. 16384 but got \"16385\""},
        {"host::info 2147483648", "no object with id 2147483648"},
        {"host::info 4294967297", "no object with id 4294967297"},
        {"host::info 0", "no object with id 0"},
        {"host::select 1 1", "object 1 is selected once already"},
        {"host::memory_fail_at -1", "expected a count within 0 .. 9223372036854775807 but got \"-1\""},
    };
    std::string script = "host::load " + write_file("p.obj", "o a\nv 0 0 0\no b\nv 1 0 0\n") + "\nhost::select 2\n";
    for (const Case &c : cases)
        script += attempt(c.command);
    script += "puts [host::select]\n";
    RunRecord run = zirka(script);
    std::string expected;
    for (const Case &c : cases)
        expected += "1 {" + std::string(c.message) + "}\n";
    EXPECT_EQ(run.out, expected + "2\n") << run.err;
}

} // namespace
