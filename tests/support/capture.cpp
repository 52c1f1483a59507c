// capture.cpp -- standard output and error sent to temporary files for the
// length of a call, by file descriptor, so that what the plug-in and the
// host write through the C runtime is caught as well as our own writes.
#include "capture.h"

#include <cstdio>
#include <cstdlib>
#include <string>

#include <unistd.h>

namespace {

struct Redirect {
    int fd;       // the descriptor redirected
    int saved;    // a copy of what it was
    FILE *file;   // where it goes meanwhile
};

Redirect redirect(int fd)
{
    Redirect r{fd, dup(fd), std::tmpfile()};
    if (r.saved < 0 || !r.file || dup2(fileno(r.file), fd) < 0)
        std::abort(); // a test that cannot capture cannot check anything
    return r;
}

std::string restore(Redirect &r)
{
    dup2(r.saved, r.fd);
    close(r.saved);
    std::string text;
    std::rewind(r.file);
    char buffer[4096];
    for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, r.file)) > 0;)
        text.append(buffer, n);
    std::fclose(r.file);
    return text;
}

} // namespace

RunRecord capture_output(const std::function<void()> &fn, const std::function<void()> &flush)
{
    auto flush_all = [&] {
        if (flush)
            flush();
        std::fflush(stdout);
        std::fflush(stderr);
    };
    flush_all();
    Redirect out = redirect(1), err = redirect(2);
    fn();
    flush_all();
    RunRecord captured;
    captured.err = restore(err);
    captured.out = restore(out);
    return captured;
}
