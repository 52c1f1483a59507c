// obj_lines.cpp -- the lines of an OBJ file, cut out of pieces of it.
#include "obj_lines.h"

#include <cerrno>
#include <cstring>

#include <sys/stat.h>

std::FILE *obj_open(const std::string &path, std::string *error)
{
    std::FILE *file = std::fopen(path.c_str(), "rb");
    if (!file) {
        *error = path + ":0: cannot open: " + std::strerror(errno);
        return nullptr;
    }
    struct stat info;
    if (fstat(fileno(file), &info) == 0 && S_ISDIR(info.st_mode)) {
        std::fclose(file);
        *error = path + ":0: cannot open: " + std::strerror(EISDIR);
        return nullptr;
    }
    return file;
}

ObjLineReader::ObjLineReader(std::FILE *file)
    : file_(file), buffer_(static_cast<char *>(zirka_host_alloc(size)))
{
}

ObjLineReader::~ObjLineReader() { zirka_host_free(buffer_); }

// The first "\n" or "\r" in [from, to), or to; "\r" is looked for only in a
// piece that holds one.
static const char *find_line_end(const char *from, const char *to, bool cr_too)
{
    const char *lf = static_cast<const char *>(std::memchr(from, '\n', static_cast<size_t>(to - from)));
    const char *limit = lf ? lf : to;
    if (!cr_too)
        return limit;
    const char *cr = static_cast<const char *>(std::memchr(from, '\r', static_cast<size_t>(limit - from)));
    return cr ? cr : limit;
}

ObjLineReader::Status ObjLineReader::next(std::string_view *text)
{
    if (!buffer_)
        return no_memory;
    if (done_)
        return end;
    carry_.clear();
    for (;;) {
        if (pos_ == end_) {
            Status filled = fill();
            if (filled == read_error)
                return read_error;
            if (filled == end) {
                // The last line: whatever followed the last line end.
                done_ = true;
                *text = std::string_view(carry_.data(), carry_.size());
                return line;
            }
        }
        if (skip_newline_) {
            // The "\n" of a "\r\n" whose "\r" ended the last piece.
            skip_newline_ = false;
            if (buffer_[pos_] == '\n' && ++pos_ == end_)
                continue;
        }
        const char *start = buffer_ + pos_;
        const char *stop = find_line_end(start, buffer_ + end_, piece_has_cr_);
        size_t n = static_cast<size_t>(stop - start);
        if (carry_.size() + n > obj_line_limit)
            return too_long;
        if (stop == buffer_ + end_) {
            // The line goes on in the next piece.
            try {
                carry_.append(start, n);
            } catch (const std::bad_alloc &e) {
                zirka_memory_caught(e);
                return no_memory;
            }
            pos_ = end_;
            continue;
        }
        pos_ += n + 1;
        if (*stop == '\r') {
            if (pos_ < end_)
                pos_ += buffer_[pos_] == '\n';
            else
                skip_newline_ = true;
        }
        if (carry_.empty()) {
            *text = std::string_view(start, n);
        } else {
            try {
                carry_.append(start, n);
            } catch (const std::bad_alloc &e) {
                zirka_memory_caught(e);
                return no_memory;
            }
            *text = std::string_view(carry_.data(), carry_.size());
        }
        return line;
    }
}

std::string ObjLineReader::problem(Status status)
{
    if (status == too_long)
        return "line longer than " + std::to_string(obj_line_limit) + " bytes";
    return std::string("cannot read: ") + std::strerror(errno);
}

ObjLineReader::Status ObjLineReader::fill()
{
    pos_ = 0;
    end_ = std::fread(buffer_, 1, size, file_);
    if (end_ > 0) {
        piece_has_cr_ = std::memchr(buffer_, '\r', end_) != nullptr;
        return line;
    }
    return std::ferror(file_) ? read_error : end;
}
