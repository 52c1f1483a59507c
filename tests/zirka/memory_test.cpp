// memory_test.cpp -- the host when memory runs out, with the real plug-in:
// the host's allocator is made to fail at the k-th allocation for every k of
// a small extrusion (through Tcl and through the core's command call), of
// host::load and of host::save. Each time the world, the undo history and
// the selection must be as they were, nothing of the command may be left,
// the user is told, and the host goes on; the sanitizer build's LeakSanitizer
// checks that nothing leaked.
#include "zirka_fixture.h"

#include <filesystem>
#include <string>
#include <vector>

namespace {

// A square outline at x = 0 and a path along +x that turns twice.
const char *const inputs = "o template\n"
                           "v 0 -1 -1\nv 0 1 -1\nv 0 1 1\nv 0 -1 1\n"
                           "l 1 2 3 4 1\n"
                           "o path\n"
                           "v 0 0 0\nv 2 0 0\nv 2 2 0\nv 4 2 1\n"
                           "l 5 6 7 8\n";

const char *const cancelled = "out of memory: kvx_extrude_along_path_scale was cancelled, nothing changed";

class OutOfMemory : public ZirkaTest {
protected:
    void TearDown() override
    {
        zirka_memory_fail_at(0, false);
        ZirkaTest::TearDown();
    }

    // What must be as it was after a command that ran out of memory.
    struct Seen {
        std::string objects, selection, history, redo, lists, free_vertices;
        long records;
        bool operator==(const Seen &o) const
        {
            return objects == o.objects && selection == o.selection && history == o.history && redo == o.redo &&
                   lists == o.lists && free_vertices == o.free_vertices && records == o.records;
        }
    };
    Seen seen()
    {
        std::string redo;
        for (const std::string &name : zirka_redo_names())
            redo += "{" + name + "}";
        return Seen{eval("host::objects"),    eval("host::select"), eval("host::history"), redo,
                    eval("host::lists"),      eval("host::free_vertices"), zirka_records_in_use()};
    }

    // A fresh world: the inputs loaded and selected, and a step to redo
    // (one more object, loaded and undone).
    void prepare()
    {
        eval("host::reset");
        eval("lassign [host::load " + input_file + "] ::mem_t ::mem_p");
        eval("set ::mem_extra [host::load " + extra_file + "]; host::undo");
        eval("host::select $::mem_t $::mem_p");
        eval("host::messages clear");
    }

    std::string input_file, extra_file;

    void SetUp() override
    {
        ZirkaTest::SetUp();
        ASSERT_NE(zirka_command_find("kvx_extrude_along_path_scale"), nullptr) << "the plug-in is not loaded";
        input_file = write_file("inputs.obj", inputs);
        extra_file = write_file("extra.obj", "o extra\nv 5 5 5\nl 1\n");
    }

    // Runs the command once with the k-th allocation failing (and every one
    // after it). Returns false once k is past the command's last allocation,
    // after checking that it then ran whole.
    bool run_failing_at(long k, bool every_after, bool through_tcl)
    {
        prepare();
        const Seen before = seen();
        const int next_id = std::stoi(eval("set ::mem_extra")) + 1;
        const long failures = zirka_memory_failures();
        zirka_memory_fail_at(k, every_after);
        ZirkaCommandOutcome outcome;
        RunRecord run{TCL_OK, "", "", ""};
        if (through_tcl) {
            run = zirka_capture_eval("kvx_extrude_along_path_scale 50");
        } else {
            const char *argv[] = {"kvx_extrude_along_path_scale", "50"};
            RunRecord out = zirka_capture([&] { zirka_command_call(argv[0], 2, argv, &outcome); });
            run.out = out.out;
            run.err = out.err;
            run.result = outcome.added.empty() ? "" : std::to_string(outcome.added[0]);
        }
        zirka_memory_fail_at(0, false);
        EXPECT_EQ(run.code, TCL_OK) << run.result;

        if (zirka_memory_failures() == failures) {
            EXPECT_EQ(run.result, std::to_string(next_id)) << "the ids of the objects it added";
            EXPECT_EQ(eval("host::history"), "{Load inputs.obj} {Extrude along path}");
            EXPECT_EQ(eval("dict get [host::info " + run.result + "] vertices"), "16");
            EXPECT_EQ(eval("host::messages"), "");
            return false;
        }
        EXPECT_EQ(run.result, "") << "no object added";
        EXPECT_TRUE(outcome.added.empty());
        EXPECT_TRUE(seen() == before) << "objects " << eval("host::objects") << ", history " << eval("host::history")
                                      << ", lists " << eval("host::lists") << ", records "
                                      << zirka_records_in_use() << " (before " << before.records << ")";
        EXPECT_EQ(eval("host::messages"), std::string("{") + cancelled + "}");
        EXPECT_NE(run.out.find(cancelled), std::string::npos) << run.out;
        EXPECT_EQ(run.err.find("Sanitizer"), std::string::npos) << run.err;
        // No id was used up, and the host goes on: the step to redo is
        // whole, and the command runs now.
        EXPECT_EQ(eval("host::redo"), "Load extra.obj");
        EXPECT_EQ(eval("host::undo"), "Load extra.obj");
        EXPECT_EQ(eval("kvx_extrude_along_path_scale 50"), std::to_string(next_id));
        return true;
    }

    void sweep(bool through_tcl)
    {
        for (bool every_after : {false, true}) {
            long k = 1;
            for (; k < 5000; k++) {
                SCOPED_TRACE("allocation " + std::to_string(k) + (every_after ? " and every one after it" : ""));
                if (!run_failing_at(k, every_after, through_tcl))
                    break;
                if (HasFatalFailure() || HasNonfatalFailure())
                    return; // one k's report is enough
            }
            EXPECT_LT(k, 5000);
            EXPECT_GT(k, 10) << "the command makes more allocations than this";
        }
    }
};

TEST_F(OutOfMemory, EveryAllocationOfTheCommandThroughTcl) { sweep(true); }

TEST_F(OutOfMemory, EveryAllocationOfTheCommandThroughTheCaseDriversCall) { sweep(false); }

TEST_F(OutOfMemory, EveryAllocationOfALoad)
{
    for (bool every_after : {false, true}) {
        long k = 1;
        for (; k < 5000; k++) {
            SCOPED_TRACE("allocation " + std::to_string(k) + (every_after ? " and every one after it" : ""));
            eval("host::reset");
            const std::string next = eval("host::load " + extra_file + "; host::reset; host::load " + extra_file);
            eval("host::reset");
            const long failures = zirka_memory_failures();
            zirka_memory_fail_at(k, every_after);
            RunRecord run = zirka_capture_eval("host::load " + input_file);
            zirka_memory_fail_at(0, false);
            if (zirka_memory_failures() == failures) {
                EXPECT_EQ(run.code, TCL_OK) << run.result;
                EXPECT_EQ(run.result, std::to_string(std::stoi(next) + 1) + " " + std::to_string(std::stoi(next) + 2));
                break;
            }
            EXPECT_EQ(run.code, TCL_ERROR);
            EXPECT_EQ(run.result, input_file + ": out of memory: nothing was loaded");
            EXPECT_EQ(eval("list [host::objects] [host::history] [host::lists] [host::free_vertices]"), "{} {} 0 0");
            EXPECT_EQ(zirka_records_in_use(), 0);
            // No id used up.
            EXPECT_EQ(eval("host::load " + extra_file), std::to_string(std::stoi(next) + 1));
        }
        EXPECT_LT(k, 5000);
        EXPECT_GT(k, 5);
    }
}

TEST_F(OutOfMemory, EveryAllocationOfASave)
{
    namespace fs = std::filesystem;
    eval("host::load " + input_file);
    const std::string target = write_file("out/saved.obj", "old text\n");
    for (bool every_after : {false, true}) {
        long k = 1;
        for (; k < 5000; k++) {
            SCOPED_TRACE("allocation " + std::to_string(k) + (every_after ? " and every one after it" : ""));
            const long failures = zirka_memory_failures();
            zirka_memory_fail_at(k, every_after);
            RunRecord run = zirka_capture_eval("host::save " + target);
            zirka_memory_fail_at(0, false);
            int files = 0;
            for (const auto &entry : fs::directory_iterator(fs::u8path(temp_dir() + "/out")))
                files += entry.is_regular_file() ? 1 : 0;
            EXPECT_EQ(files, 1) << "no temporary file is left";
            if (zirka_memory_failures() == failures) {
                EXPECT_EQ(run.code, TCL_OK) << run.result;
                EXPECT_EQ(read_file(target), inputs);
                write_file("out/saved.obj", "old text\n");
                break;
            }
            EXPECT_EQ(run.code, TCL_ERROR);
            EXPECT_EQ(run.result, "cannot write \"" + target + "\": out of memory");
            EXPECT_EQ(read_file(target), "old text\n");
        }
        EXPECT_LT(k, 5000);
        EXPECT_GT(k, 1);
    }
}

TEST_F(OutOfMemory, TheProbesMakeTheChosenAllocationFail)
{
    const std::string failures = eval("host::memory_fail_at 0");
    EXPECT_EQ(eval("host::memory_allocations"), "0");
    eval("host::load " + input_file);
    EXPECT_GT(std::stol(eval("host::memory_allocations")), 2) << "two objects take records of their own";
    EXPECT_EQ(eval("host::memory_fail_at 1 true"), failures) << "no failure yet";
    EXPECT_EQ(eval_error("host::load " + input_file), input_file + ": out of memory: nothing was loaded");
    EXPECT_GT(std::stol(eval("host::memory_fail_at 0")), std::stol(failures));
    EXPECT_EQ(eval("llength [host::objects]"), "2");
    EXPECT_EQ(eval_error("host::memory_fail_at x"), "expected integer but got \"x\"");
}

TEST_F(OutOfMemory, SelectingWithoutMemoryChangesNothing)
{
    eval("lassign [host::load " + input_file + "] ::mem_t ::mem_p; host::select $::mem_p");
    zirka_memory_fail_at(1, true);
    std::string error = eval_error("host::select $::mem_t $::mem_p");
    zirka_memory_fail_at(0, false);
    EXPECT_EQ(error, "out of memory");
    EXPECT_EQ(eval("lindex $errorCode 1"), "MEMORY");
    EXPECT_EQ(eval("host::select"), eval("set ::mem_p"));
    EXPECT_EQ(list_count(zirka_selection_get_objects_ordered()), 1);
}

} // namespace
