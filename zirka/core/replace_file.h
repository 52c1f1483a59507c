// replace_file.h -- replacing a file whole or not at all: the new content
// goes to a new file beside the target, synced, then renamed over it, so
// that whatever happens meanwhile (a full disk, a file size limit, a crash)
// the target is the old file or the whole new one. A symbolic link stays
// one: the file it names is replaced and keeps its permissions; a new file
// gets those the process gives new files.
#ifndef ZIRKA_REPLACE_FILE_H
#define ZIRKA_REPLACE_FILE_H

#include <cstddef>
#include <string>

class ReplacementFile;

// Replaces the file at path (or the file a symbolic link there names) with
// what fill(file, context) writes. True once the new file is in place and
// it and its rename are synced. Otherwise false, the target as it was, the
// new file removed, and in *why: "cannot make a file beside it: REASON",
// the system's reason for the write, sync or rename that failed (e.g.
// "File too large"), "out of memory", or "" when fill returned false with
// no write failed. Never throws std::bad_alloc; any other exception from
// fill reaches the caller once the new file is removed.
bool zirka_replace_file(const std::string &path, bool (*fill)(ReplacementFile *file, void *context), void *context,
                        std::string *why);

// The same with any callable: fill(ReplacementFile *) returns false to give up.
template <class Fill> bool zirka_replace_file(const std::string &path, Fill fill, std::string *why)
{
    auto call = [](ReplacementFile *file, void *context) -> bool { return (*static_cast<Fill *>(context))(file); };
    return zirka_replace_file(path, +call, &fill, why);
}

// The new file while it is being filled. Each write goes straight to the
// system: a caller writes from a buffer of its own.
class ReplacementFile {
public:
    ReplacementFile(const ReplacementFile &) = delete;
    ReplacementFile &operator=(const ReplacementFile &) = delete;

    // Writes size bytes; false once a write has failed, after which nothing
    // more is written and the replacement fails with that write's cause.
    bool write(const char *data, size_t size);

private:
    friend bool zirka_replace_file(const std::string &, bool (*)(ReplacementFile *, void *), void *, std::string *);
    explicit ReplacementFile(int fd) : fd_(fd) {}
    int fd_;
    int error_ = 0; // the errno of the failed write
};

#endif // ZIRKA_REPLACE_FILE_H
