// obj_lines.cpp -- the lines of an OBJ file, cut out of pieces of it: the
// reader never holds more than a piece and a line that runs on into the next.
#include "obj_lines.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#ifndef _WIN32
#include <unistd.h>
#endif

// Opened without waiting (a FIFO with no writer would block), then checked:
// only a regular file is read.
std::FILE *obj_open(const std::string &path, std::string *error)
{
    std::string cause;
#ifdef _WIN32
    std::FILE *file = std::fopen(path.c_str(), "rb");
    struct _stat info;
    if (!file)
        cause = std::strerror(errno);
    else if (_fstat(_fileno(file), &info) == 0 && !(info.st_mode & _S_IFREG))
        cause = info.st_mode & _S_IFDIR ? std::strerror(EISDIR) : "not a regular file";
#else
    std::FILE *file = nullptr;
    struct stat info;
    int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) // a socket cannot be opened at all
        cause = errno == ENXIO ? "not a regular file (a device, a FIFO or a socket)" : std::strerror(errno);
    else if (fstat(fd, &info) != 0)
        cause = std::strerror(errno);
    else if (S_ISDIR(info.st_mode))
        cause = std::strerror(EISDIR);
    else if (!S_ISREG(info.st_mode))
        cause = "not a regular file (a device, a FIFO or a socket)";
    else if (fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0 || !(file = fdopen(fd, "rb")))
        cause = std::strerror(errno);
    if (!file && fd >= 0)
        close(fd);
#endif
    if (!cause.empty()) {
        if (file)
            std::fclose(file);
        *error = path + ":0: cannot open: " + cause;
        return nullptr;
    }
    return file;
}

ObjLines::ObjLines(std::FILE *file) : file_(file), buffer_(static_cast<char *>(zirka_host_alloc(size)))
{
    if (!buffer_)
        throw HostBadAlloc();
}

bool ObjLines::next(std::string_view *text, std::string *error)
{
    if (done_)
        return false;
    carry_.clear();
    for (;;) {
        if (pos_ == end_) {
            pos_ = 0;
            end_ = std::fread(buffer_, 1, size, file_);
            if (end_ == 0 && std::ferror(file_)) {
                *error = std::string("cannot read: ") + std::strerror(errno);
                return false;
            }
            if (end_ == 0) {
                // The last line: whatever followed the last line end.
                done_ = true;
                *text = std::string_view(carry_.data(), carry_.size());
                return true;
            }
            piece_has_cr_ = std::memchr(buffer_, '\r', end_) != nullptr;
        }
        if (skip_newline_) {
            // The "\n" of a "\r\n" whose "\r" ended the last piece.
            skip_newline_ = false;
            if (buffer_[pos_] == '\n' && ++pos_ == end_)
                continue;
        }
        const char *start = buffer_ + pos_, *stop = buffer_ + end_;
        if (const void *lf = std::memchr(start, '\n', end_ - pos_))
            stop = static_cast<const char *>(lf);
        if (piece_has_cr_)
            if (const void *cr = std::memchr(start, '\r', static_cast<size_t>(stop - start)))
                stop = static_cast<const char *>(cr);
        size_t n = static_cast<size_t>(stop - start);
        if (carry_.size() + n > obj_line_limit) {
            *error = "line longer than " + std::to_string(obj_line_limit) + " bytes";
            return false;
        }
        if (stop == buffer_ + end_) {
            // The line goes on in the next piece.
            carry_.append(start, n);
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
            carry_.append(start, n);
            *text = std::string_view(carry_.data(), carry_.size());
        }
        return true;
    }
}
