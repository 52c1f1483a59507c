// obj_write.cpp -- writing Wavefront OBJ files.
//
// The text is made in pieces of about a mebibyte: an object's "o" line with
// a run of its vertices, or a run of its surfaces. Each piece is formatted
// on its own into a buffer sized for it beforehand, so that a large file has
// its pieces formatted on two cores, a second thread taking every other one,
// while they are handed on in order. Floats are written with the shortest
// text that reads back to the same float (std::to_chars). A file is written
// beside its target and renamed over it only once it is whole and synced;
// the writer never holds more than three pieces.
#include "core_state.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <exception>
#include <filesystem>
#include <mutex>
#include <optional>
#include <thread>

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

// The most bytes one item can take: a float's shortest text is at most 15
// characters ("-1.17549435e-38"), an index a blank and at most 20.
const size_t float_bound = 16;
const size_t index_bound = 32;
const size_t vertex_bound = 2 + 3 * (float_bound + 1);
size_t surface_bound(const Surface *surface) { return 1 + index_bound * (size_t(surface->count) + 1) + 1; }

// What a piece holds at most, unless one surface alone needs more.
const size_t piece_budget = size_t(1) << 20;
// Text of at least this many bytes in all is formatted on two cores.
const size_t two_cores_from = size_t(8) << 20;

// A piece of the text: the object's "o" line (when from is 0) and its
// vertices from .. to - 1, or its surfaces from .. to - 1, whose vertices
// are numbered from base. bound: the most bytes it can take.
struct Piece {
    const Object *object;
    bool surfaces;
    size_t from, to;
    long base;
    size_t bound;
};

struct Plan {
    HostVector<Piece> pieces;
    size_t largest = 0; // the largest bound
    size_t total = 0;   // the sum of the bounds
};

void plan_add(Plan *plan, const Piece &piece)
{
    plan->pieces.push_back(piece);
    plan->largest = std::max(plan->largest, piece.bound);
    plan->total += piece.bound;
}

// Throws std::bad_alloc without memory for the plan.
void plan_pieces(const std::vector<Object *> &objects, Plan *plan)
{
    const size_t vertices_per_piece = piece_budget / vertex_bound;
    long base = 1; // OBJ numbers vertices from 1 across the file
    for (const Object *object : objects) {
        size_t count = object->records.vertices.size();
        size_t header = 3 + object->name.size();
        size_t from = 0;
        do {
            size_t to = std::min(count, from + vertices_per_piece);
            plan_add(plan, Piece{object, false, from, to, base, (from == 0 ? header : 0) + (to - from) * vertex_bound});
            from = to;
        } while (from < count);
        Piece piece{object, true, 0, 0, base, 0};
        object->records.surfaces.for_each([&](Surface *surface) {
            {
                size_t bound = surface_bound(surface);
                if (piece.bound > 0 && piece.bound + bound > piece_budget) {
                    plan_add(plan, piece);
                    piece = Piece{object, true, piece.to, piece.to, base, 0};
                }
                piece.bound += bound;
                piece.to++;
            }
        });
        if (piece.to > piece.from)
            plan_add(plan, piece);
        base += static_cast<long>(count);
    }
}

char *put_float(char *at, float f) { return std::to_chars(at, at + float_bound, f).ptr; }

char *put_index(char *at, long index)
{
    *at++ = ' ';
    return std::to_chars(at, at + index_bound - 1, index).ptr;
}

// "f i j k", "l i j k" or, closed, "l i j k i": the entries whose vertex is
// the object's, numbered from base. Nothing when there is none.
char *put_surface(char *at, const Object *object, const Surface *surface, long base)
{
    long first = -1;
    const List *node = surface->vertices;
    for (; node && first < 0; node = node->next)
        first = storage_vertex_index(static_cast<const SurfaceVertex *>(node->item)->vertex, static_cast<uint32_t>(object->id));
    if (first < 0)
        return at;
    *at++ = surface->type == ZIRKA_SURFACE_LINE || surface->type == ZIRKA_SURFACE_CLOSED_LINE ? 'l' : 'f';
    at = put_index(at, base + first);
    for (; node; node = node->next) {
        long index = storage_vertex_index(static_cast<const SurfaceVertex *>(node->item)->vertex, static_cast<uint32_t>(object->id));
        if (index >= 0)
            at = put_index(at, base + index);
    }
    if (surface->type == ZIRKA_SURFACE_CLOSED_LINE)
        at = put_index(at, base + first);
    *at++ = '\n';
    return at;
}

// Formats the piece at `at`, which has room for its bound; returns the end.
char *put_piece(char *at, const Piece &piece)
{
    const Object *object = piece.object;
    if (piece.surfaces) {
        for (size_t i = piece.from; i < piece.to; i++)
            at = put_surface(at, object, object->records.surfaces[i], piece.base);
        return at;
    }
    if (piece.from == 0) {
        *at++ = 'o';
        *at++ = ' ';
        at = std::copy(object->name.begin(), object->name.end(), at);
        *at++ = '\n';
    }
    {
        for (size_t i = piece.from; i < piece.to; i++) {
            const Pos3 &p = object->records.vertices[i].pos;
            *at++ = 'v';
            *at++ = ' ';
            at = put_float(at, p.x);
            *at++ = ' ';
            at = put_float(at, p.y);
            *at++ = ' ';
            at = put_float(at, p.z);
            *at++ = '\n';
        }
    }
    return at;
}

// A block of the host's memory for one piece at a time.
class Buffer {
public:
    explicit Buffer(size_t size) : data_(static_cast<char *>(zirka_host_alloc(size))) {}
    ~Buffer() { zirka_host_free(data_); }
    Buffer(const Buffer &) = delete;
    Buffer &operator=(const Buffer &) = delete;
    char *data() const { return data_; }

private:
    char *data_;
};

// Where the text goes: a file (a failed write is remembered with its
// errno) or a string (std::bad_alloc is thrown without memory for it).
class Sink {
public:
    explicit Sink(std::FILE *file) : file_(file) {}
    explicit Sink(std::string *text) : text_(text) {}

    bool put(const char *data, size_t size)
    {
        if (text_) {
            text_->append(data, size);
        } else if (error_ == 0 && size > 0) {
            errno = 0;
            if (std::fwrite(data, 1, size, file_) != size)
                error_ = errno ? errno : EIO;
        }
        return error_ == 0;
    }
    int error() const { return error_; }

private:
    std::FILE *file_ = nullptr;
    std::string *text_ = nullptr;
    int error_ = 0;
};

// The second core: formats two of every three pieces (1, 2, 4, 5, 7 ...:
// the first core also hands every piece on) into two buffers of its own,
// one ahead of the one being handed on.
class Alternate {
public:
    explicit Alternate(const Plan &plan) : plan_(plan), slot_{plan.largest, plan.largest} {}
    Alternate(const Alternate &) = delete;
    Alternate &operator=(const Alternate &) = delete;
    ~Alternate()
    {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            stop_ = true;
        }
        changed_.notify_all();
        if (thread_.joinable())
            thread_.join();
    }

    // False without memory or a thread for it: then nothing runs.
    bool start()
    {
        if (!slot_[0].buffer.data() || !slot_[1].buffer.data())
            return false;
        try {
            thread_ = std::thread([this] { run(); });
        } catch (const std::exception &) {
            return false;
        }
        return true;
    }

    static bool takes(size_t j) { return j % 3 != 0; }

    // Waits for piece j (one it takes) and hands it to the sink; its buffer
    // is reused once that returns.
    bool put(size_t j, Sink *sink)
    {
        Slot &slot = slot_[turn(j) & 1];
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [&] { return slot.holds == j; });
        lock.unlock();
        bool ok = sink->put(slot.buffer.data(), slot.size);
        lock.lock();
        slot.holds = none;
        lock.unlock();
        changed_.notify_all();
        return ok;
    }

private:
    static const size_t none = ~size_t(0);
    // How many pieces it takes before piece j.
    static size_t turn(size_t j) { return 2 * (j / 3) + j % 3 - 1; }
    struct Slot {
        Buffer buffer;
        size_t holds = none; // the piece it holds, ready
        size_t size = 0;
        Slot(size_t bytes) : buffer(bytes) {}
    };

    void run()
    {
        for (size_t j = 1; j < plan_.pieces.size(); j++) {
            if (!takes(j))
                continue;
            Slot &slot = slot_[turn(j) & 1];
            {
                std::unique_lock<std::mutex> lock(mutex_);
                changed_.wait(lock, [&] { return stop_ || slot.holds == none; });
                if (stop_)
                    return;
            }
            char *end = put_piece(slot.buffer.data(), plan_.pieces[j]);
            {
                std::lock_guard<std::mutex> lock(mutex_);
                slot.size = static_cast<size_t>(end - slot.buffer.data());
                slot.holds = j;
            }
            changed_.notify_all();
        }
    }

    const Plan &plan_;
    Slot slot_[2];
    std::mutex mutex_;
    std::condition_variable changed_;
    bool stop_ = false;
    std::thread thread_;
};

// Formats the pieces in order, in own (room for the largest) and on a
// second core when the text is large, and hands them to the sink. Returns 0
// or the sink's errno.
int write_pieces(const Plan &plan, const Buffer &own, Sink *sink)
{
    std::optional<Alternate> second;
    if (plan.total >= two_cores_from && plan.pieces.size() > 1) {
        second.emplace(plan);
        if (!second->start())
            second.reset(); // all on this core
    }
    for (size_t j = 0; j < plan.pieces.size(); j++) {
        bool ok;
        if (second && Alternate::takes(j)) {
            ok = second->put(j, sink);
        } else {
            char *end = put_piece(own.data(), plan.pieces[j]);
            ok = sink->put(own.data(), static_cast<size_t>(end - own.data()));
        }
        if (!ok)
            return sink->error();
    }
    return 0;
}

// A file being written beside its target, renamed over it once it is whole;
// removed when it goes before that.
struct SaveFile {
    std::string target;    // the file replaced: the path, or where its symbolic link points
    std::string temporary; // "" until made, and once renamed
    std::FILE *file = nullptr;

    SaveFile() = default;
    SaveFile(const SaveFile &) = delete;
    SaveFile &operator=(const SaveFile &) = delete;
    ~SaveFile()
    {
        if (file)
            std::fclose(file);
        if (!temporary.empty())
            std::remove(temporary.c_str());
    }
};

#ifndef _WIN32
// A file size limit makes a write fail (EFBIG) rather than kill the host.
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

// Makes the temporary file in the target's folder, with the target's
// permissions (or those a new file gets). Returns 0 or an errno.
int save_open(SaveFile *save)
{
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::path target = fs::u8path(save->target);
    if (fs::is_symlink(target, ec)) {
        fs::path resolved = fs::weakly_canonical(target, ec);
        if (!ec)
            save->target = resolved.u8string();
    }
    fs::path path = fs::u8path(save->target);
    std::string folder = path.parent_path().u8string();
    std::string base = (folder.empty() ? "" : folder + "/") + "." + path.filename().u8string();
#ifdef _WIN32
    int fd = -1;
    for (int attempt = 0; fd < 0 && attempt < 100; attempt++) {
        save->temporary = base + ".save" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(attempt);
        fd = _open(save->temporary.c_str(), _O_CREAT | _O_EXCL | _O_WRONLY | _O_BINARY, 0666);
        if (fd < 0 && errno != EEXIST)
            break;
    }
    if (fd < 0) {
        int why = errno;
        save->temporary.clear();
        return why;
    }
    save->file = _fdopen(fd, "wb");
#else
    std::string name = base + ".XXXXXX";
    int fd = mkstemp(&name[0]);
    if (fd < 0)
        return errno;
    save->temporary = name;
    struct stat info;
    mode_t mode;
    if (stat(save->target.c_str(), &info) == 0) {
        mode = info.st_mode & 07777;
    } else {
        mode_t mask = umask(0);
        umask(mask);
        mode = 0666 & ~mask;
    }
    fchmod(fd, mode);
    save->file = fdopen(fd, "wb");
#endif
    if (!save->file) {
        int why = errno;
#ifdef _WIN32
        _close(fd);
#else
        close(fd);
#endif
        return why;
    }
    // The writer's buffer is the only one.
    std::setvbuf(save->file, nullptr, _IONBF, 0);
    return 0;
}

// Flushes the file to the disk and closes it. Returns 0 or an errno.
int save_close(SaveFile *save)
{
    int why = 0;
    if (std::fflush(save->file) != 0)
        why = errno;
#ifdef _WIN32
    if (!why && _commit(_fileno(save->file)) != 0)
        why = errno;
#else
    if (!why && fsync(fileno(save->file)) != 0)
        why = errno;
#endif
    if (std::fclose(save->file) != 0 && !why)
        why = errno;
    save->file = nullptr;
    return why;
}

// Renames the whole file over the target and makes the rename last.
int save_commit(SaveFile *save)
{
#ifdef _WIN32
    if (!MoveFileExA(save->temporary.c_str(), save->target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return EACCES;
#else
    if (std::rename(save->temporary.c_str(), save->target.c_str()) != 0)
        return errno;
    std::string folder = std::filesystem::u8path(save->target).parent_path().u8string();
    int dir = open(folder.empty() ? "." : folder.c_str(), O_RDONLY);
    if (dir >= 0) {
        fsync(dir);
        close(dir);
    }
#endif
    save->temporary.clear();
    return 0;
}

} // namespace

std::string zirka_obj_format(const std::vector<Object *> &objects)
{
    Plan plan;
    plan_pieces(objects, &plan);
    Buffer own(std::max(plan.largest, size_t(1)));
    if (!own.data())
        throw HostBadAlloc();
    std::string text;
    Sink sink(&text);
    write_pieces(plan, own, &sink);
    return text;
}

// Writes the text to a temporary file beside the target, syncs it and
// renames it over the target: the target is either what it was or the
// whole new text, whatever happens meanwhile. Returns "" or the cause.
static std::string save(const std::string &path, const std::vector<Object *> &objects)
{
    // The plan and the buffer before any file: without memory nothing is touched.
    Plan plan;
    plan_pieces(objects, &plan);
    Buffer own(std::max(plan.largest, size_t(1)));
    if (!own.data())
        return "out of memory";
    SaveFile save_file;
    save_file.target = path;
#ifndef _WIN32
    FileSizeSignalIgnored file_size_signal;
#endif
    if (int why = save_open(&save_file))
        return std::string("cannot make a file beside it: ") + std::strerror(why);
    Sink sink(save_file.file);
    int why = write_pieces(plan, own, &sink);
    if (!why)
        why = save_close(&save_file);
    if (!why)
        why = save_commit(&save_file);
    return why ? std::strerror(why) : ""; // a temporary file left goes with save_file
}

bool zirka_obj_write(const std::string &path, const std::vector<Object *> &objects, std::string *error)
{
    std::string why;
    try {
        why = save(path, objects);
    } catch (const std::bad_alloc &e) {
        zirka_memory_caught(e);
        why = "out of memory";
    }
    if (why.empty())
        return true;
    try {
        *error = "cannot write \"" + path + "\": " + why;
    } catch (const std::bad_alloc &) {
        error->clear();
    }
    return false;
}
