// exe_test.cpp -- the zirka executable as a user runs it: scripts, their
// arguments and exit status, OBJ files to open, --plugins, --help, --gui
// without a display, and bad options.
#include "zirka_fixture.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>

#ifndef _WIN32
#include <sys/wait.h>
#endif

namespace {

class Executable : public ZirkaTest {
protected:
    // Runs zirka with args (already quoted for the shell), no input; limits
    // are ulimit options for it ("-v 262144").
    RunRecord zirka(const std::string &args, const std::string &limits = "")
    {
        std::string out = temp_dir() + "/out.txt", err = temp_dir() + "/err.txt";
        std::string command = "'" ZIRKA_EXE "' " + args + " </dev/null >'" + out + "' 2>'" + err + "'";
        if (!limits.empty())
            command = "ulimit " + limits + " && exec " + command;
        int rc = std::system(command.c_str());
        RunRecord run;
        run.code = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
        run.out = read_file(out);
        run.err = read_file(err);
        return run;
    }
    std::string script(const std::string &text) { return "'" + write_file("script.tcl", text) + "'"; }
    std::string empty_folder()
    {
        write_file("empty/.keep", "");
        return "'" + temp_dir() + "/empty'";
    }
};

TEST_F(Executable, ScriptRunsWithItsArguments)
{
    RunRecord run = zirka("--plugins " + empty_folder() + " " +
                    script("puts [list [file tail $argv0] $argc $argv [host::plugins]]") + " one 'two words'");
    EXPECT_EQ(run.code, 0);
    EXPECT_EQ(run.out, "script.tcl 2 {one {two words}} {}\n");
    EXPECT_EQ(run.err, "");
}

TEST_F(Executable, ExitStatusComesFromTheScript)
{
    RunRecord run = zirka("--plugins " + empty_folder() + " " + script("puts -nonewline bye; exit 3"));
    EXPECT_EQ(run.code, 3);
    EXPECT_EQ(run.out, "bye");
}

TEST_F(Executable, ScriptErrorExitsOneWithTheMessage)
{
    RunRecord run = zirka("--plugins " + empty_folder() + " " + script("host::undo"));
    EXPECT_EQ(run.code, 1);
    EXPECT_EQ(run.err.rfind("nothing to undo\n", 0), 0u) << run.err;
}

TEST_F(Executable, PluginsOptionLoadsThatFolder)
{
    RunRecord run = zirka("--plugins '" ZIRKA_FIXTURE_PLUGINS "/good' " +
                    script("puts [dict get [lindex [host::plugins] 0] about]; fixture_good x; puts [host::messages]"));
    EXPECT_EQ(run.code, 0) << run.err;
    // The plug-in's exit entry runs at exit.
    EXPECT_EQ(run.out, "Good fixture\n2: fixture_good|x\n{2: fixture_good|x}\nfixture_good: exit\n");
    EXPECT_EQ(run.err, "");
}

TEST_F(Executable, FailingPluginDoesNotStopTheScript)
{
    RunRecord run = zirka("--plugins '" ZIRKA_FIXTURE_PLUGINS "/init_fails' " + script("puts [llength [host::plugins]]"));
    EXPECT_EQ(run.code, 0);
    EXPECT_EQ(run.out, "0\n");
    EXPECT_EQ(run.err, "zirka: ZIRKAPluginInit of plug-in \"" ZIRKA_FIXTURE_PLUGINS
                       "/init_fails/init_fails.p\" failed with code 7\n");
}

TEST_F(Executable, TruncatedPluginIsRefusedAlone)
{
    namespace fs = std::filesystem;
    std::string whole = read_file(ZIRKA_FIXTURE_PLUGINS "/good/good.p");
    std::string cut = write_file("plugins/a_cut.p", whole.substr(0, whole.size() / 3));
    fs::copy_file(ZIRKA_FIXTURE_PLUGINS "/good/good.p", temp_dir() + "/plugins/b_good.p");
    RunRecord run = zirka("--plugins '" + temp_dir() + "/plugins' " +
                       script("puts [llength [host::plugins]]; fixture_good started"));
    EXPECT_EQ(run.code, 0) << run.err;
    EXPECT_EQ(run.out, "1\n2: fixture_good|started\nfixture_good: exit\n");
    EXPECT_EQ(run.err.rfind("zirka: plug-in \"" + cut + "\" is not a complete library: its headers need ", 0), 0u)
        << run.err;
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
}

// The objects of a file: a closed m-gon outline at x = 0, then a path of
// n points along x, wavy in y.
static std::string ring_and_path(int m, int n)
{
    std::string text = "o ring\n";
    for (int i = 0; i < m; i++)
        text += "v 0 " + std::to_string(std::cos(6.283185307 * i / m)) + " " +
                std::to_string(std::sin(6.283185307 * i / m)) + "\n";
    text += "l";
    for (int i = 1; i <= m; i++)
        text += " " + std::to_string(i);
    text += " 1\no path\n";
    for (int j = 0; j < n; j++)
        text += "v " + std::to_string(0.5 * j) + " " + std::to_string(std::sin(0.1 * j)) + " 0\n";
    text += "l";
    for (int j = 1; j <= n; j++)
        text += " " + std::to_string(m + j);
    return text + "\n";
}

// A file size limit cuts a save short: the old file stays as it was, byte
// for byte, and the host says why and goes on.
TEST_F(Executable, SaveCutShortByAFileSizeLimitLeavesTheOldFile)
{
    namespace fs = std::filesystem;
    std::string old_text = "o old\n";
    while (old_text.size() < 555)
        old_text += "v 1 2 3\n";
    std::string target = write_file("out/kept.obj", old_text);
    // Far over 128 KiB when saved, and more than one buffer's worth.
    std::string big = write_file("big.obj", ring_and_path(65000, 65000));
    RunRecord run = zirka("--plugins " + empty_folder() + " " +
                           script("host::load " + big + "; puts [catch {host::save " + target + "} m]; puts $m; "
                                  "puts [llength [host::objects]]"),
                       "-f 128");
    EXPECT_EQ(run.code, 0) << run.err;
    EXPECT_EQ(run.out, "1\ncannot write \"" + target + "\": File too large\n2\n");
    EXPECT_TRUE(read_file(target) == old_text) << "the old file changed";
    EXPECT_EQ(std::distance(fs::directory_iterator(temp_dir() + "/out"), fs::directory_iterator()), 1)
        << "the temporary file is gone";
}

#if defined(__SANITIZE_ADDRESS__)
#define ZIRKA_ADDRESS_SPACE_LIMITS 0 // the sanitizer's shadow memory needs terabytes of address space
#else
#define ZIRKA_ADDRESS_SPACE_LIMITS 1
#endif

TEST_F(Executable, DevZeroIsRefusedAtOnce)
{
    if (!ZIRKA_ADDRESS_SPACE_LIMITS)
        GTEST_SKIP() << "no address-space limit under AddressSanitizer";
    RunRecord run = zirka("--plugins " + empty_folder() + " " +
                           script("puts [catch {host::load /dev/zero} m]; puts $m; puts [host::objects]"),
                       "-v 131072");
    EXPECT_EQ(run.code, 0) << run.err;
    EXPECT_EQ(run.out, "1\n/dev/zero:0: cannot open: not a regular file (a device, a FIFO or a socket)\n\n");
}

// A command that cannot fit in 512 MiB (5 million vertices): the host says
// so, is as it was, and runs the next command.
TEST_F(Executable, CommandThatCannotFitIsCancelled)
{
    if (!ZIRKA_ADDRESS_SPACE_LIMITS)
        GTEST_SKIP() << "no address-space limit under AddressSanitizer";
    std::string huge = write_file("huge.obj", ring_and_path(1000, 5000));
    std::string small = write_file("small.obj", ring_and_path(8, 4));
    RunRecord run = zirka("--plugins '" PIRREL_PLUGIN_DIR "' " +
                           script("lassign [host::load " + huge + "] t p; host::select $t $p\n"
                                  "puts \"made {[kvx_extrude_along_path_scale 50]}\"\n"
                                  "puts \"world [expr {[host::objects] eq [list $t $p]}] [host::history]\"\n"
                                  "lassign [host::load " + small + "] a b; host::select $a $b\n"
                                  "set made [kvx_extrude_along_path_scale 50]\n"
                                  "puts \"then [expr {$made - $b}] [dict get [host::info $made] vertices]\"\n"),
                       "-v 524288");
    EXPECT_EQ(run.code, 0) << run.err;
    EXPECT_EQ(run.out, "out of memory: kvx_extrude_along_path_scale was cancelled, nothing changed\n"
                       "made {}\n"
                       "world 1 {Load huge.obj}\n"
                       "then 1 32\n");
    EXPECT_NE(run.err.find("extrude_along_path(): out of memory!\n"), std::string::npos) << run.err;
}

// Input that is finite but whose arithmetic overflows is refused, and the
// refusal adds nothing and uses up no id.
TEST_F(Executable, OverflowingInputsAreRefusedLeavingNothing)
{
    const std::string square = "o template\nv 0 -1 -1\nv 0 1 -1\nv 0 1 1\nv 0 -1 1\nl 1 2 3 4 1\n";
    std::string far_path = write_file("far_path.obj", square + "o path\nv 0 0 0\nv 2e19 0 0\nv 2e19 2e19 0\n"
                                                               "v -2e19 2e19 1e19\nl 5 6 7 8\n");
    std::string huge_template = write_file("huge_template.obj", "o template\nv 0 -3e38 -3e38\nv 0 3e38 -3e38\n"
                                                                "v 0 3e38 3e38\nv 0 -3e38 3e38\nl 1 2 3 4 1\n"
                                                                "o path\nv 0 0 0\nv 2 0 0\nv 2 2 0\nl 5 6 7\n");
    std::string wide = write_file("wide.obj", "o template\nv 0 -1e3 -1e3\nv 0 1e3 -1e3\nv 0 1e3 1e3\n"
                                              "v 0 -1e3 1e3\nl 1 2 3 4 1\n"
                                              "o path\nv 0 0 0\nv 2 0 0\nv 2 2 0\nl 5 6 7\n");
    RunRecord run = zirka("--plugins '" PIRREL_PLUGIN_DIR "' " +
                       script("foreach {f amount} [list " + far_path + " 50 " + huge_template + " 50 " + wide +
                              " 3e38] {\n"
                              "  host::reset\n"
                              "  lassign [host::load $f] t p; host::select $t $p\n"
                              "  set made [kvx_extrude_along_path_scale $amount]\n"
                              "  puts \"[list $made] [expr {[host::objects] eq [list $t $p]}] [host::history] "
                              "[host::lists] [expr {[host::load $f] eq [list [incr p] [incr p]]}]\"\n"
                              "}\n"));
    EXPECT_EQ(run.code, 0) << run.err;
    EXPECT_EQ(run.out, "{} 1 {Load far_path.obj} 0 1\n"
                       "{} 1 {Load huge_template.obj} 0 1\n"
                       "{} 1 {Load wide.obj} 0 1\n");
    EXPECT_EQ(run.err, "\n\nextrude_along_path(): result would have coordinates that are not finite!\n"
                       "\n\nextrude_along_path(): result would have coordinates that are not finite!\n"
                       "\n\nextrude_along_path(): result would have coordinates that are not finite!\n");
}

// Files that hold nothing, or are no files, as a user loads them.
TEST_F(Executable, LoadsOfNothingLoadNothing)
{
    write_file("folder/keep.txt", "");
    std::string empty = write_file("empty.obj", "");
    std::string mac = write_file("mac.obj", "o classic\rv 1 2 3\rl 1\r");
    RunRecord run = zirka("--plugins " + empty_folder() + " " +
                       script("foreach f [list " + temp_dir() + "/folder " + empty + " " + mac + "] {\n"
                              "  puts [list [catch {host::load $f} m] $m]\n"
                              "}\n"
                              "puts [list [host::history] [dict get [host::info [lindex [host::objects] 0]] name]]\n"));
    EXPECT_EQ(run.code, 0) << run.err;
    EXPECT_EQ(run.out, "1 {" + temp_dir() + "/folder:0: cannot open: Is a directory}\n"
                       + empty + ": nothing to load, the file holds no vertices\n"
                       "0 {}\n"
                       "0 1\n"
                       "{{Load mac.obj}} classic\n");
}

TEST_F(Executable, UnknownOptionPrintsTheUsage)
{
    for (const char *args : {"--frob", "--plugins", "-x script.tcl"}) {
        RunRecord run = zirka(args);
        EXPECT_EQ(run.code, 2) << args;
        EXPECT_EQ(run.err, "usage: zirka [--plugins DIR] [--gui] [FILE.obj ...] [SCRIPT.tcl [ARGS...]]\n"
                           "(zirka --help says more)\n")
            << args;
        EXPECT_EQ(run.out, "");
    }
}

TEST_F(Executable, HelpExplainsEveryOptionWithAnExample)
{
    RunRecord run = zirka("--help");
    EXPECT_EQ(run.code, 0);
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.out.rfind("usage: zirka [--plugins DIR] [--gui] [FILE.obj ...] [SCRIPT.tcl [ARGS...]]\n", 0), 0u);
    for (const char *shown : {"\n  --plugins DIR ", "\n  --gui ", "\n  FILE.obj ...", "\n  SCRIPT.tcl ", "\n  --help ",
                              "zirka --plugins build/bin/plugins\n", "zirka --gui examples/fold.obj\n",
                              "zirka examples/fold.obj examples/ribbon.obj\n",
                              "zirka examples/run_example.tcl examples/fold.obj"})
        EXPECT_NE(run.out.find(shown), std::string::npos) << shown;
}

TEST_F(Executable, GuiWithoutDisplaySaysSo)
{
    const char *display = std::getenv("DISPLAY");
    std::string kept = display ? display : "";
    unsetenv("DISPLAY");
    RunRecord run = zirka("--plugins " + empty_folder() + " --gui " + script("puts ran"));
    if (display)
        setenv("DISPLAY", kept.c_str(), 1);
    EXPECT_EQ(run.code, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "zirka: --gui needs a display: DISPLAY is not set (run under xvfb-run, or without --gui)\n");
}

TEST_F(Executable, ObjFilesOpenBeforeTheScript)
{
    std::string a = write_file("a.obj", "o first\nv 0 0 0\nv 1 0 0\nl 1 2\n");
    std::string b = write_file("B.OBJ", "o second\nv 0 0 0\nv 0 1 0\nl 1 2\n");
    RunRecord run = zirka("--plugins " + empty_folder() + " '" + a + "' '" + b + "' " +
                          script("puts [host::history]; puts $argc"));
    EXPECT_EQ(run.code, 0) << run.err;
    EXPECT_EQ(run.out, "{Load a.obj} {Load B.OBJ}\n0\n");
}

TEST_F(Executable, ArgumentsAfterTheScriptAreItsOwn)
{
    std::string a = write_file("a.obj", "o first\nv 0 0 0\nv 1 0 0\nl 1 2\n");
    RunRecord run = zirka("--plugins " + empty_folder() + " " + script("puts [list [host::history] $argv]") + " '" +
                          a + "' other.tcl");
    EXPECT_EQ(run.code, 0) << run.err;
    EXPECT_EQ(run.out, "{} {" + a + " other.tcl}\n");
}

TEST_F(Executable, ObjFileThatCannotBeReadEndsZirkaWithOneLine)
{
    RunRecord run = zirka("--plugins " + empty_folder() + " '" + temp_dir() + "/missing.obj' " + script("puts ran"));
    EXPECT_EQ(run.code, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "zirka: " + temp_dir() + "/missing.obj:0: cannot open: No such file or directory\n");
}

} // namespace
