// replace_file.cpp -- replacing a file whole or not at all: a new file
// beside the target, synced, then renamed over it (replace_file.h).
#include "replace_file.h"

#include "memory.h"

#include <algorithm>
#include <climits>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>

#include <fcntl.h>
#include <sys/stat.h>

#ifdef _WIN32
#include <io.h>
#include <windows.h>
static int close_file(int fd) { return _close(fd); }
static int sync_file(int fd) { return _commit(fd); }
static unsigned long process_id(void) { return GetCurrentProcessId(); }
#else
#include <dirent.h>
#include <signal.h>
#include <unistd.h>
static int close_file(int fd) { return close(fd); }
static int sync_file(int fd) { return fsync(fd); }
static long process_id(void) { return getpid(); }
#endif

namespace {

// Causes of our own, beside the system's errno values.
const int given_up = -1;    // fill returned false with no write failed
const int not_regular = -2; // the target is a device, a FIFO or a socket
const int no_folder = -3;   // the folder the new file would go in is missing

// The temporary files of a save are named ".zirka-save-PID-N".
const char temporary_prefix[] = ".zirka-save-";

std::string folder_of(const std::string &path)
{
    size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
}

// The new file beside the target: closed and removed when it goes before
// it has been renamed.
struct NewFile {
    std::string target; // the file replaced: the path, or the file its symbolic links lead to
    std::string path;   // the temporary name, "" while it has none and once renamed
    int fd = -1;
    int mode = -1;      // the target's permissions, when it exists

    NewFile() = default;
    NewFile(const NewFile &) = delete;
    NewFile &operator=(const NewFile &) = delete;
    ~NewFile()
    {
        if (fd >= 0)
            close_file(fd);
        if (!path.empty())
            std::remove(path.c_str());
    }
};

// Gives the new file the first free temporary name beside the target that
// make(name) accepts: make returns 0, or errno (EEXIST: try the next name).
template <class Make> int name_beside(NewFile *file, Make make)
{
    std::string base = folder_of(file->target) + "/" + temporary_prefix + std::to_string(process_id()) + "-";
    int why = EEXIST;
    for (int attempt = 0; why == EEXIST && attempt < 100; attempt++) {
        std::string name = base + std::to_string(attempt);
        if ((why = make(name)) == 0)
            file->path = name;
    }
    return why;
}

#ifdef _WIN32

int find_target(const std::string &path, NewFile *file)
{
    file->target = path;
    struct _stat info;
    if (_stat(path.c_str(), &info) != 0)
        return errno == ENOENT ? 0 : errno;
    if (info.st_mode & _S_IFDIR)
        return EISDIR;
    if (!(info.st_mode & _S_IFREG))
        return not_regular;
    return _access(path.c_str(), 2) == 0 ? 0 : errno;
}

int make_beside(NewFile *file)
{
    return name_beside(file, [&](const std::string &name) {
        file->fd = _open(name.c_str(), _O_CREAT | _O_EXCL | _O_WRONLY | _O_BINARY, 0666);
        return file->fd < 0 ? errno : 0;
    });
}

int rename_over(NewFile *file)
{
    if (!MoveFileExA(file->path.c_str(), file->target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return EACCES;
    file->path.clear();
    return 0;
}

#else

// Follows path's symbolic links to the file to replace: a regular file the
// user may write, or a name that does not exist yet in a folder that does.
int find_target(const std::string &path, NewFile *file)
{
    std::string at = path;
    for (int links = 0;; links++) {
        struct stat info;
        if (lstat(at.c_str(), &info) != 0) {
            if (errno != ENOENT)
                return errno;
            struct stat folder;
            if (stat(folder_of(at).c_str(), &folder) != 0 || !S_ISDIR(folder.st_mode))
                return no_folder;
            file->target = at;
            return 0;
        }
        if (S_ISLNK(info.st_mode)) {
            if (links == 40)
                return ELOOP;
            std::string to(static_cast<size_t>(info.st_size > 0 ? info.st_size : PATH_MAX), '\0');
            ssize_t n = readlink(at.c_str(), &to[0], to.size());
            if (n < 0)
                return errno;
            to.resize(static_cast<size_t>(n));
            at = to[0] == '/' ? to : folder_of(at) + "/" + to;
            continue;
        }
        if (S_ISDIR(info.st_mode))
            return EISDIR;
        if (!S_ISREG(info.st_mode))
            return not_regular;
        if (access(at.c_str(), W_OK) != 0)
            return errno;
        file->target = at;
        file->mode = info.st_mode & 07777;
        return 0;
    }
}

// Removes the temporary files that saves of processes no longer running
// left in folder (killed part way); those of a save still running stay.
void remove_abandoned(const std::string &folder)
{
    DIR *dir = opendir(folder.c_str());
    if (!dir)
        return;
    const size_t prefix = sizeof temporary_prefix - 1;
    while (struct dirent *entry = readdir(dir)) {
        if (std::strncmp(entry->d_name, temporary_prefix, prefix) != 0)
            continue;
        long pid = std::strtol(entry->d_name + prefix, nullptr, 10);
        if (pid > 0 && kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH)
            unlinkat(dirfd(dir), entry->d_name, 0);
    }
    closedir(dir);
}

// Where the system allows, the new file has no name until it is whole
// (O_TMPFILE), so that a save killed part way leaves nothing behind.
int make_beside(NewFile *file)
{
    std::string folder = folder_of(file->target);
    remove_abandoned(folder);
#ifdef O_TMPFILE
    if (access("/proc/self/fd", X_OK) == 0)
        file->fd = open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
#endif
    int why = file->fd >= 0 ? 0 : name_beside(file, [&](const std::string &name) {
        file->fd = open(name.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0666);
        return file->fd < 0 ? errno : 0;
    });
    if (!why && file->mode >= 0)
        fchmod(file->fd, static_cast<mode_t>(file->mode));
    return why;
}

int rename_over(NewFile *file)
{
    if (std::rename(file->path.c_str(), file->target.c_str()) != 0)
        return errno;
    file->path.clear();
    int dir = open(folder_of(file->target).c_str(), O_RDONLY | O_CLOEXEC);
    if (dir >= 0) {
        fsync(dir);
        close(dir);
    }
    return 0;
}

// A file size limit makes a write fail (EFBIG) rather than kill the
// process: SIGXFSZ is ignored while a file is replaced.
struct FileSizeSignalIgnored {
    struct sigaction old;
    bool set;
    FileSizeSignalIgnored()
    {
        struct sigaction ignore = {};
        ignore.sa_handler = SIG_IGN;
        sigemptyset(&ignore.sa_mask);
        set = sigaction(SIGXFSZ, &ignore, &old) == 0;
    }
    ~FileSizeSignalIgnored()
    {
        if (set)
            sigaction(SIGXFSZ, &old, nullptr);
    }
};

#endif

int sync_and_close(NewFile *file)
{
    int why = sync_file(file->fd) != 0 ? errno : 0;
#ifndef _WIN32
    // A file without a name gets one beside the target now that it is whole.
    if (!why && file->path.empty()) {
        std::string self = "/proc/self/fd/" + std::to_string(file->fd);
        why = name_beside(file, [&](const std::string &name) {
            return linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0 ? 0 : errno;
        });
    }
#endif
    if (close_file(file->fd) != 0 && !why)
        why = errno;
    file->fd = -1;
    return why;
}

std::string cause(int error)
{
    switch (error) {
    case given_up:
        return "";
    case not_regular:
        return "not a regular file (a device, a FIFO or a socket)";
    case no_folder:
        return "cannot make a file beside it: No such file or directory";
    default:
        return std::strerror(error);
    }
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
    try {
#ifndef _WIN32
        FileSizeSignalIgnored file_size_signal;
#endif
        NewFile file;
        int error = find_target(path, &file);
        if (!error && (error = make_beside(&file)) != 0) {
            *why = "cannot make a file beside it: " + cause(error);
            return false;
        }
        if (!error) {
            ReplacementFile out(file.fd);
            bool filled = fill(&out, context);
            error = out.error_ ? out.error_ : filled ? 0 : given_up;
        }
        if (!error)
            error = sync_and_close(&file);
        if (!error)
            error = rename_over(&file);
        if (error)
            *why = cause(error);
        return error == 0;
    } catch (const std::bad_alloc &e) {
        zirka_memory_caught(e);
        *why = "out of memory";
        return false;
    }
}
