// exe_test.cpp -- the zirka executable as a user runs it: scripts, their
// arguments and exit status, --plugins, and bad options.
#include "zirka_fixture.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#ifndef _WIN32
#include <sys/wait.h>
#endif

namespace {

struct ExeRun {
    int status; // exit status
    std::string out, err;
};

class Executable : public ZirkaTest {
protected:
    // Runs zirka with args (already quoted for the shell), no input.
    ExeRun zirka(const std::string &args)
    {
        std::string out = temp_dir() + "/out.txt", err = temp_dir() + "/err.txt";
        std::string command = "'" ZIRKA_EXE "' " + args + " </dev/null >'" + out + "' 2>'" + err + "'";
        int rc = std::system(command.c_str());
        ExeRun run;
        run.status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
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

TEST_F(Executable, ScriptRunsWithArgumentsAndExitsZero)
{
    ExeRun run = zirka("--plugins " + empty_folder() + " " +
                    script("puts [list [file tail $argv0] $argc $argv [host::plugins]]") + " one 'two words'");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "script.tcl 2 {one {two words}} {}\n");
    EXPECT_EQ(run.err, "");
}

TEST_F(Executable, ExitStatusComesFromTheScript)
{
    ExeRun run = zirka("--plugins " + empty_folder() + " " + script("puts -nonewline bye; exit 3"));
    EXPECT_EQ(run.status, 3);
    EXPECT_EQ(run.out, "bye");
}

TEST_F(Executable, ScriptErrorExitsOneWithTheMessage)
{
    ExeRun run = zirka("--plugins " + empty_folder() + " " + script("host::undo"));
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err.rfind("nothing to undo\n", 0), 0u) << run.err;
}

TEST_F(Executable, PluginsOptionLoadsThatFolder)
{
    ExeRun run = zirka("--plugins '" ZIRKA_FIXTURE_PLUGINS "/good' " +
                    script("puts [dict get [lindex [host::plugins] 0] about]; fixture_good x; puts [host::messages]"));
    EXPECT_EQ(run.status, 0) << run.err;
    // The plug-in's exit entry runs at exit.
    EXPECT_EQ(run.out, "Good fixture\n2: fixture_good|x\n{2: fixture_good|x}\nfixture_good: exit\n");
    EXPECT_EQ(run.err, "");
}

TEST_F(Executable, FailingPluginIsReportedAndTheScriptStillRuns)
{
    ExeRun run = zirka("--plugins '" ZIRKA_FIXTURE_PLUGINS "/init_fails' " + script("puts [llength [host::plugins]]"));
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "0\n");
    EXPECT_EQ(run.err, "zirka: ZIRKAPluginInit of plug-in \"" ZIRKA_FIXTURE_PLUGINS
                       "/init_fails/init_fails.p\" failed with code 7\n");
}

TEST_F(Executable, TruncatedPluginIsReportedAndTheOthersLoad)
{
    namespace fs = std::filesystem;
    std::string whole = read_file(ZIRKA_FIXTURE_PLUGINS "/good/good.p");
    std::string cut = write_file("plugins/a_cut.p", whole.substr(0, whole.size() / 3));
    fs::copy_file(ZIRKA_FIXTURE_PLUGINS "/good/good.p", temp_dir() + "/plugins/b_good.p");
    ExeRun run = zirka("--plugins '" + temp_dir() + "/plugins' " +
                       script("puts [llength [host::plugins]]; fixture_good started"));
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "1\n2: fixture_good|started\nfixture_good: exit\n");
    EXPECT_EQ(run.err.rfind("zirka: plug-in \"" + cut + "\" is not a complete library: its headers need ", 0), 0u)
        << run.err;
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
}

TEST_F(Executable, UnknownOptionPrintsUsageAndExitsTwo)
{
    for (const char *args : {"--frob", "--plugins", "-x script.tcl"}) {
        ExeRun run = zirka(args);
        EXPECT_EQ(run.status, 2) << args;
        EXPECT_EQ(run.err, "usage: zirka [--plugins DIR] [--gui] [SCRIPT [ARGS...]]\n") << args;
        EXPECT_EQ(run.out, "");
    }
}

} // namespace
