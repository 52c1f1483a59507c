/*
 * zirka_fixture.h -- GoogleTest fixture for tests that run inside the
 * stand-in host: one real Tcl interpreter with the host:: commands and the
 * plug-ins of the build's plug-in folder.
 *
 * Use:
 *
 *   #include "zirka_fixture.h"
 *
 *   TEST_F(ZirkaTest, LoadsATriangle) {
 *       std::string obj = write_file("tri.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n");
 *       EXPECT_EQ(eval("llength [host::load " + obj + "]"), "1");
 *       EXPECT_EQ(eval_error("host::undo; host::undo"), "nothing to undo");
 *   }
 *
 * The interpreter is booted once per test process, on the first SetUp
 * (Tcl_FindExecutable, Tcl_CreateInterp, Tcl_Init, host:: commands and front
 * end), and the plug-ins of the build's plug-in folder are loaded then,
 * once, in test binaries made with pirrel_test(... TCL PLUGINS); binaries
 * made without PLUGINS boot with no plug-in at all. The interpreter lives until the process ends; Tcl procedures
 * and variables that a test defines stay for later tests, so use names of
 * your own.
 *
 * Every SetUp calls zirka_reset: world, selection, undo history, messages,
 * Tcl log, redraw count and list node count start empty. Registered commands,
 * menu items and loaded plug-ins stay. Every test has its own temporary
 * folder (temp_dir), removed in TearDown.
 *
 * Link: zirka_test_support (with zirka_tcl and zirka_core), which
 * pirrel_test(... TCL) adds.
 */
#ifndef ZIRKA_FIXTURE_H
#define ZIRKA_FIXTURE_H

#include "capture.h"
#include "zirka_core.h"

#include <gtest/gtest.h>
#include <tcl.h>

#include <functional>
#include <string>

// The plug-in folder this test binary boots its interpreter with, "" for
// none: the build's own in binaries made with pirrel_test(... PLUGINS), none
// otherwise (boot_plugins.cpp or boot_none.cpp, which pirrel_test links in).
extern const char *const zirka_test_boot_plugins;

// Returns the process's interpreter, booting it on the first call and then
// loading the plug-ins of zirka_test_boot_plugins.
Tcl_Interp *zirka_test_interp(void);

// Runs fn with stdout and stderr captured (both C streams and Tcl's
// channels are flushed before the capture ends). Captures do not nest.
RunRecord zirka_capture(const std::function<void()> &fn);

// Evaluates script at global level in interp with stdout and stderr
// captured: the Tcl code, the result or error message, the output. Never
// fails the test by itself.
RunRecord zirka_capture_eval_in(Tcl_Interp *interp, const std::string &script);

// The same in the test interpreter (booted with the build's plug-ins if no
// test has booted it yet).
inline RunRecord zirka_capture_eval(const std::string &script)
{
    return zirka_capture_eval_in(zirka_test_interp(), script);
}

class ZirkaTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // The process's interpreter.
    Tcl_Interp *interp() const { return zirka_test_interp(); }

    // Evaluates script at global level. Returns its result; an error fails
    // the test (ADD_FAILURE with the script and the error message) and
    // returns "".
    std::string eval(const std::string &script);

    // Evaluates script at global level, expecting an error. Returns the
    // error message; success fails the test and returns "".
    std::string eval_error(const std::string &script);

    // This test's temporary folder (made on first use, removed in TearDown).
    std::string temp_dir();

    // Writes text to name inside temp_dir (sub-folders made as needed).
    // Returns the file's full path, in the form that may stand as one word
    // of a Tcl script (no blanks or special characters in it).
    std::string write_file(const std::string &name, const std::string &text);

    // Reads a whole file; "" when it cannot be read (the test fails then).
    std::string read_file(const std::string &path);

private:
    std::string temp_dir_;
};

inline void ZirkaTest::SetUp()
{
    ASSERT_NE(interp(), nullptr);
    zirka_reset();
}

#endif /* ZIRKA_FIXTURE_H */
