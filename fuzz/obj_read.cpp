// obj_read.cpp -- fuzzes the OBJ reader, and the writer on whatever the
// reader accepts.
//
// Each input is the bytes of a file. What must hold, whatever the bytes:
//
//   - a refused file makes no object at all and says where: "FILE:LINE: why";
//   - an accepted file makes exactly the objects it hands back, none in the
//     world, and every entry of every surface names a vertex of its own
//     object; every surface is a polygon, a line or a closed line;
//   - the text of those objects (zirka_obj_format) is what zirka_obj_write
//     puts in a file, and reading that file back gives the same text again;
//   - after zirka_reset nothing is left behind (LeakSanitizer looks).
//
// The input lives in memory (memfd), named by its /proc/self/fd path, so
// that the reader opens it as it opens any file; the saved file is a real
// one in a folder of its own (in /dev/shm where there is one), since a save
// writes a file beside its target and renames it over it.
#include "zirka_obj.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

// An in-memory file and the path that opens it.
struct MemFile {
    int fd = -1;
    std::string path;
};

MemFile mem_file(const char *name)
{
    MemFile f;
    f.fd = memfd_create(name, 0);
    if (f.fd < 0) {
        std::perror("memfd_create");
        std::abort();
    }
    f.path = "/proc/self/fd/" + std::to_string(f.fd);
    return f;
}

void put(const MemFile &f, const uint8_t *data, size_t size)
{
    if (ftruncate(f.fd, 0) != 0 || (size > 0 && pwrite(f.fd, data, size, 0) != static_cast<ssize_t>(size))) {
        std::perror("writing the input file");
        std::abort();
    }
}

[[noreturn]] void fault(const char *what, const std::string &detail)
{
    std::fprintf(stderr, "obj_read fuzzer: %s\n%s\n", what, detail.c_str());
    std::abort();
}

// The id the next object made will get: made and released again at once
// by the next reset, it shows which objects a call made in between.
int next_object_id()
{
    return zirka_object_id(new_object(ZIRKA_OBJECT_NORMAL)) + 1;
}

// "FILE:LINE: why", LINE a number.
bool located(const std::string &error, const std::string &path)
{
    if (error.compare(0, path.size() + 1, path + ":") != 0)
        return false;
    size_t at = path.size() + 1, digits = at;
    while (digits < error.size() && error[digits] >= '0' && error[digits] <= '9')
        digits++;
    return digits > at && error.compare(digits, 2, ": ") == 0 && error.size() > digits + 2;
}

// The objects are new, not in the world, exactly those made since first_id,
// and every surface names only vertices of its own object.
void check_objects(const std::vector<Object *> &objects, int first_id)
{
    for (size_t i = 0; i < objects.size(); i++) {
        const Object *object = objects[i];
        if (!object || zirka_object_id(object) < first_id || zirka_object_in_world(object))
            fault("an object handed back is not a new one outside the world", "");
        int vertices = zirka_object_vertex_count(object);
        for (Surface *surface : zirka_object_surfaces(object)) {
            int type = surface_get_type(surface);
            if (type != ZIRKA_SURFACE_POLYGON && type != ZIRKA_SURFACE_LINE && type != ZIRKA_SURFACE_CLOSED_LINE)
                fault("a surface of an unknown type", std::to_string(type));
            std::vector<int> indices = zirka_surface_vertex_indices(object, surface);
            if (indices.size() != zirka_head_surface_count(surface))
                fault("a surface's count is not its number of entries", "");
            for (int index : indices)
                if (index < 0 || index >= vertices)
                    fault("a surface entry names no vertex of its object",
                          std::to_string(index) + " of " + std::to_string(vertices));
        }
    }
    if (zirka_object_by_id(first_id + static_cast<int>(objects.size())))
        fault("the reader made more objects than it handed back", "");
}

// The text of the file at path ("" when it cannot be read).
std::string file_text(const std::string &path)
{
    std::string text;
    if (std::FILE *f = std::fopen(path.c_str(), "rb")) {
        char buffer[1 << 16];
        for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, f)) > 0;)
            text.append(buffer, n);
        std::fclose(f);
    }
    return text;
}

MemFile input;
std::string output_folder, output;

void remove_output(void)
{
    std::remove(output.c_str());
    rmdir(output_folder.c_str());
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    input = mem_file("obj_read_input");
    char folder[] = "/dev/shm/obj_read.XXXXXX", fallback[] = "/tmp/obj_read.XXXXXX";
    const char *made = mkdtemp(folder);
    if (!made)
        made = mkdtemp(fallback);
    if (!made) {
        std::perror("mkdtemp");
        std::abort();
    }
    output_folder = made;
    output = output_folder + "/saved.obj";
    std::atexit(remove_output);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    put(input, data, size);
    int first_id = next_object_id();
    std::vector<Object *> objects;
    std::string error;
    if (!zirka_obj_read(input.path, &objects, &error)) {
        if (!located(error, input.path))
            fault("a refusal that does not say FILE:LINE: why", error);
        if (zirka_object_by_id(first_id))
            fault("a refused file made an object", error);
        zirka_reset();
        return 0;
    }
    check_objects(objects, first_id);

    std::string text = zirka_obj_format(objects);
    if (!zirka_obj_write(output, objects, &error))
        fault("the writer failed", error);
    if (file_text(output) != text)
        fault("zirka_obj_write wrote other text than zirka_obj_format makes", text);

    first_id = next_object_id();
    std::vector<Object *> again;
    if (!zirka_obj_read(output, &again, &error))
        fault("the reader refused what the writer wrote", error + "\n--- the text:\n" + text);
    check_objects(again, first_id);
    std::string text_again = zirka_obj_format(again);
    if (text_again != text)
        fault("saved and read back, the objects give other text", "--- first:\n" + text + "--- then:\n" + text_again);

    zirka_reset();
    return 0;
}
