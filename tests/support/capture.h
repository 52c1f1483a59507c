// capture.h -- what a piece of code writes to standard output and standard
// error, for tests of exact texts.
#ifndef TEST_CAPTURE_H
#define TEST_CAPTURE_H

#include <functional>
#include <string>

struct Captured {
    std::string out; // every byte written to file descriptor 1
    std::string err; // every byte written to file descriptor 2
};

// Runs fn with file descriptors 1 and 2 sent to temporary files and returns
// what reached them. C stdio is flushed before and after, and so is whatever
// flush flushes (another library's buffered streams). Captures do not nest.
Captured capture_output(const std::function<void()> &fn, const std::function<void()> &flush = nullptr);

#endif
