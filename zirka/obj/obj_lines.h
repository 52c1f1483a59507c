// obj_lines.h -- the lines of an OBJ file. The file is taken in pieces of
// 1 MiB and its lines are cut out of them, so that the reader never holds
// the whole text: at most a piece, and the line that runs on into the next
// one, which is at most obj_line_limit bytes.
#ifndef ZIRKA_OBJ_LINES_H
#define ZIRKA_OBJ_LINES_H

#include "memory.h"

#include <cstddef>
#include <cstdio>
#include <string>
#include <string_view>

// The longest line the reader takes, its line end not counted: room for an
// element of 65535 vertices written "i/t/n" with ten-digit indices.
constexpr size_t obj_line_limit = size_t(4) << 20;

// Opens the file to be read; NULL with "PATH:0: cannot open: CAUSE" in
// *error when it cannot be opened, or is a folder.
std::FILE *obj_open(const std::string &path, std::string *error);

// The file's lines, without their line ends: "\n", "\r\n" or a lone "\r".
// The text after the last line end is a line too (so a file of n line ends
// has n + 1 lines).
class ObjLineReader {
public:
    enum Status { line, end, too_long, read_error, no_memory };

    explicit ObjLineReader(std::FILE *file);
    ~ObjLineReader();
    ObjLineReader(const ObjLineReader &) = delete;
    ObjLineReader &operator=(const ObjLineReader &) = delete;

    // line: *text is the next line, valid until the next call; end: every
    // line has been handed out. The others are errors (read_error: errno).
    Status next(std::string_view *text);

    // What is wrong, for too_long, or for read_error just met (errno still
    // holding its cause).
    static std::string problem(Status status);

private:
    static const size_t size = size_t(1) << 20;

    Status fill();

    std::FILE *file_;
    char *buffer_;
    size_t pos_ = 0, end_ = 0;
    HostString carry_; // a line that crosses pieces
    bool skip_newline_ = false;
    bool piece_has_cr_ = false;
    bool done_ = false;
};

#endif /* ZIRKA_OBJ_LINES_H */
