// zirka_fixture.cpp -- the test interpreter, output capture and the
// ZirkaTest fixture's helpers.
#include "zirka_fixture.h"

#include "capture.h"
#include "zirka_tcl.h"

#include <atomic>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#ifdef _WIN32
#include <process.h>
#define getpid _getpid
#else
#include <unistd.h>
#endif

// The process's test interpreter, once booted.
static Tcl_Interp *test_interp = nullptr;

Tcl_Interp *zirka_test_interp(void)
{
    Tcl_Interp *&interp = test_interp;
    if (interp)
        return interp;
    const char *plugin_dir = zirka_test_boot_plugins;
    Tcl_FindExecutable(nullptr);
    Tcl_Interp *fresh = Tcl_CreateInterp();
    if (Tcl_Init(fresh) != TCL_OK || zirka_tcl_init(fresh, false) != TCL_OK) {
        ADD_FAILURE() << "cannot boot the test interpreter: " << Tcl_GetStringResult(fresh);
        return nullptr;
    }
    interp = fresh;
    if (plugin_dir && *plugin_dir)
        zirka_load_plugin_folder(plugin_dir);
    return interp;
}

// Tcl's stdout and stderr channels buffer what scripts write with puts.
static void flush_tcl(void)
{
    if (test_interp)
        Tcl_EvalEx(test_interp, "catch {flush stdout}; catch {flush stderr}", -1, TCL_EVAL_GLOBAL);
}

RunRecord zirka_capture(const std::function<void()> &fn)
{
    return capture_output(fn, flush_tcl);
}

RunRecord zirka_capture_eval_in(Tcl_Interp *interp, const std::string &script)
{
    RunRecord run;
    if (!interp) {
        run.code = TCL_ERROR;
        run.result = "no test interpreter";
        return run;
    }
    RunRecord captured = zirka_capture([&] {
        run.code = Tcl_EvalEx(interp, script.c_str(), -1, TCL_EVAL_GLOBAL);
        run.result = Tcl_GetStringResult(interp);
    });
    run.out = captured.out;
    run.err = captured.err;
    return run;
}

std::string ZirkaTest::eval(const std::string &script)
{
    Tcl_Interp *in = interp();
    if (Tcl_EvalEx(in, script.c_str(), -1, TCL_EVAL_GLOBAL) != TCL_OK) {
        const char *info = Tcl_GetVar(in, "errorInfo", TCL_GLOBAL_ONLY);
        ADD_FAILURE() << "script failed: " << script << "\nerror: " << Tcl_GetStringResult(in)
                      << "\n" << (info ? info : "");
        return "";
    }
    return Tcl_GetStringResult(in);
}

std::string ZirkaTest::eval_error(const std::string &script)
{
    Tcl_Interp *in = interp();
    if (Tcl_EvalEx(in, script.c_str(), -1, TCL_EVAL_GLOBAL) == TCL_OK) {
        ADD_FAILURE() << "script did not fail: " << script << "\nresult: " << Tcl_GetStringResult(in);
        return "";
    }
    return Tcl_GetStringResult(in);
}

std::string ZirkaTest::temp_dir()
{
    namespace fs = std::filesystem;
    if (temp_dir_.empty()) {
        static std::atomic<int> counter{0};
        const ::testing::TestInfo *test = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string name = "zirka-test-" + std::to_string(getpid()) + "-" + std::to_string(counter++) + "-";
        if (test)
            for (const char *c = test->name(); *c; c++)
                name += std::isalnum(static_cast<unsigned char>(*c)) ? *c : '_';
        fs::path dir = fs::temp_directory_path() / name;
        std::error_code ec;
        fs::remove_all(dir, ec);
        fs::create_directories(dir);
        temp_dir_ = dir.generic_u8string();
    }
    return temp_dir_;
}

std::string ZirkaTest::write_file(const std::string &name, const std::string &text)
{
    namespace fs = std::filesystem;
    fs::path path = fs::u8path(temp_dir()) / fs::u8path(name);
    fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary);
    out << text;
    EXPECT_TRUE(out.good()) << "cannot write " << path;
    return path.generic_u8string();
}

std::string ZirkaTest::read_file(const std::string &path)
{
    std::ifstream in(std::filesystem::u8path(path), std::ios::binary);
    EXPECT_TRUE(in.good()) << "cannot read " << path;
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void ZirkaTest::TearDown()
{
    if (!temp_dir_.empty()) {
        std::error_code ec;
        std::filesystem::remove_all(std::filesystem::u8path(temp_dir_), ec);
        temp_dir_.clear();
    }
}
