// capture.h -- what a piece of code writes to standard output and standard
// error, for tests of exact texts.
#ifndef TEST_CAPTURE_H
#define TEST_CAPTURE_H

#include <functional>
#include <string>

// What a run produced, whatever ran: a function, a Tcl script, a program.
struct RunRecord {
    int code = 0;        // its completion code: a Tcl code, an exit status, 0 for a function
    std::string result;  // a script's result or error message ("" for the others)
    std::string out;     // every byte written to file descriptor 1 (standard output)
    std::string err;     // every byte written to file descriptor 2 (standard error)
};

// Runs fn with file descriptors 1 and 2 sent to temporary files and returns
// what reached them (code 0). C stdio is flushed before and after, and so is whatever
// flush flushes (another library's buffered streams). Captures do not nest.
RunRecord capture_output(const std::function<void()> &fn, const std::function<void()> &flush = nullptr);

#endif
