// obj_lines.h -- the lines of an OBJ file, cut out of pieces of 1 MiB of it.
#ifndef ZIRKA_OBJ_LINES_H
#define ZIRKA_OBJ_LINES_H

#include "memory.h"

#include <cstddef>
#include <cstdio>
#include <string>
#include <string_view>

// The longest line taken, its line end not counted: room for an element of
// 65535 vertices written "i/t/n" with ten-digit indices.
constexpr size_t obj_line_limit = size_t(4) << 20;

// NULL with "PATH:0: cannot open: CAUSE" in *error unless a regular file.
std::FILE *obj_open(const std::string &path, std::string *error);

// The lines end in "\n", "\r\n" or a lone "\r"; the text after the last line
// end is a line too. Throws HostBadAlloc without memory.
class ObjLines {
public:
    explicit ObjLines(std::FILE *file);
    ~ObjLines() { zirka_host_free(buffer_); }
    ObjLines(const ObjLines &) = delete;
    ObjLines &operator=(const ObjLines &) = delete;

    // The next line, valid until the next call; false at the end, with the
    // error if any in *error.
    bool next(std::string_view *text, std::string *error);

private:
    static const size_t size = size_t(1) << 20;

    std::FILE *file_;
    char *buffer_;
    size_t pos_ = 0, end_ = 0;
    HostString carry_; // a line that crosses pieces
    bool skip_newline_ = false, piece_has_cr_ = false, done_ = false;
};

#endif /* ZIRKA_OBJ_LINES_H */
