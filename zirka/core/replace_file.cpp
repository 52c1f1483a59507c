// replace_file.cpp -- replacing a file whole or not at all: a new file
// beside the target, synced, then renamed over it (replace_file.h).
#include "replace_file.h"

#include "memory.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <new>

#include <sys/stat.h>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>
#endif

namespace {

// The new file beside the target: closed and removed when it goes before
// it has been renamed.
struct NewFile {
    std::string target; // the file replaced: the path, or where its symbolic link points
    std::string path;   // "" until made, and once renamed
    int fd = -1;

    NewFile() = default;
    NewFile(const NewFile &) = delete;
    NewFile &operator=(const NewFile &) = delete;
    ~NewFile()
    {
        if (fd >= 0) {
#ifdef _WIN32
            _close(fd);
#else
            close(fd);
#endif
        }
        if (!path.empty())
            std::remove(path.c_str());
    }
};

#ifndef _WIN32
// A file size limit makes a write fail (EFBIG) rather than kill the process.
class FileSizeSignalIgnored {
public:
    FileSizeSignalIgnored()
    {
        struct sigaction ignore;
        std::memset(&ignore, 0, sizeof ignore);
        ignore.sa_handler = SIG_IGN;
        sigemptyset(&ignore.sa_mask);
        kept_ = sigaction(SIGXFSZ, &ignore, &old_) == 0;
    }
    ~FileSizeSignalIgnored()
    {
        if (kept_)
            sigaction(SIGXFSZ, &old_, nullptr);
    }
    FileSizeSignalIgnored(const FileSizeSignalIgnored &) = delete;
    FileSizeSignalIgnored &operator=(const FileSizeSignalIgnored &) = delete;

private:
    struct sigaction old_;
    bool kept_;
};
#endif

// Makes the new file in the target's folder, with the target's permissions
// (or those a new file gets). Returns 0 or an errno.
int make_beside(const std::string &path, NewFile *file)
{
    namespace fs = std::filesystem;
    std::error_code ec;
    file->target = path;
    if (fs::is_symlink(fs::u8path(path), ec)) {
        fs::path resolved = fs::weakly_canonical(fs::u8path(path), ec);
        if (!ec)
            file->target = resolved.u8string();
    }
    fs::path target = fs::u8path(file->target);
    std::string folder = target.parent_path().u8string();
    std::string base = (folder.empty() ? "" : folder + "/") + "." + target.filename().u8string();
#ifdef _WIN32
    for (int attempt = 0; file->fd < 0 && attempt < 100; attempt++) {
        file->path = base + ".save" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(attempt);
        file->fd = _open(file->path.c_str(), _O_CREAT | _O_EXCL | _O_WRONLY | _O_BINARY, 0666);
        if (file->fd < 0 && errno != EEXIST)
            break;
    }
    if (file->fd < 0) {
        int why = errno;
        file->path.clear();
        return why;
    }
#else
    std::string name = base + ".XXXXXX";
    file->fd = mkstemp(&name[0]);
    if (file->fd < 0)
        return errno;
    file->path = name;
    struct stat info;
    mode_t mode;
    if (stat(file->target.c_str(), &info) == 0) {
        mode = info.st_mode & 07777;
    } else {
        mode_t mask = umask(0);
        umask(mask);
        mode = 0666 & ~mask;
    }
    fchmod(file->fd, mode);
#endif
    return 0;
}

// Flushes the file to the disk and closes it. Returns 0 or an errno.
int sync_and_close(NewFile *file)
{
    int why = 0;
#ifdef _WIN32
    if (_commit(file->fd) != 0)
        why = errno;
    if (_close(file->fd) != 0 && !why)
        why = errno;
#else
    if (fsync(file->fd) != 0)
        why = errno;
    if (close(file->fd) != 0 && !why)
        why = errno;
#endif
    file->fd = -1;
    return why;
}

// Renames the whole file over the target and makes the rename last.
// Returns 0 or an errno.
int rename_over(NewFile *file)
{
#ifdef _WIN32
    if (!MoveFileExA(file->path.c_str(), file->target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return EACCES;
#else
    if (std::rename(file->path.c_str(), file->target.c_str()) != 0)
        return errno;
    std::string folder = std::filesystem::u8path(file->target).parent_path().u8string();
    int dir = open(folder.empty() ? "." : folder.c_str(), O_RDONLY);
    if (dir >= 0) {
        fsync(dir);
        close(dir);
    }
#endif
    file->path.clear();
    return 0;
}

} // namespace

bool ReplacementFile::write(const char *data, size_t size)
{
    while (error_ == 0 && size > 0) {
#ifdef _WIN32
        int n = _write(fd_, data, static_cast<unsigned>(std::min(size, size_t(1) << 30)));
#else
        ssize_t n = ::write(fd_, data, size);
#endif
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            error_ = n < 0 && errno ? errno : EIO;
        } else {
            data += n;
            size -= static_cast<size_t>(n);
        }
    }
    return error_ == 0;
}

bool zirka_replace_file(const std::string &path, bool (*fill)(ReplacementFile *file, void *context), void *context,
                        std::string *why)
{
    const int given_up = -1; // fill returned false with no write failed
    try {
        int error;
        bool made;
        {
#ifndef _WIN32
            FileSizeSignalIgnored file_size_signal;
#endif
            NewFile file;
            error = make_beside(path, &file);
            made = error == 0;
            if (made) {
                ReplacementFile out(file.fd);
                bool filled = fill(&out, context);
                error = out.error_ ? out.error_ : filled ? 0 : given_up;
            }
            if (made && !error)
                error = sync_and_close(&file);
            if (made && !error)
                error = rename_over(&file);
        } // a new file not renamed is removed here
        if (error == given_up)
            why->clear();
        else if (!made)
            *why = std::string("cannot make a file beside it: ") + std::strerror(error);
        else if (error)
            *why = std::strerror(error);
        return error == 0;
    } catch (const std::bad_alloc &e) {
        zirka_memory_caught(e);
        *why = "out of memory";
        return false;
    }
}
