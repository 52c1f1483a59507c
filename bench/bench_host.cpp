// bench_host -- the host's part of the command, without the geometry: the
// calls the command makes on the stand-in host for an m-gon swept into n
// rings, timed per result vertex, with the peak memory they take.
//
//   bench_host M N [SCRATCH [CYCLES]]
//
// Per ring: SCRATCH free-standing vertices per ring vertex (new_vertex_set,
// held in a plug-in list that is released a ring later, as the sweep's
// scratch rings were before the command reused them; 0 by default, as the
// command now makes only a few rings of them in all) and m
// object_add_new_vertex. Then per quad new_surface, four
// zirka_object_get_vertex_at_index + surface_add_vertex(..., 0, 0) and
// object_add_surface; then object_calc_normals_force and
// add_undoable_world_add_object. With CYCLES > 1 the whole is repeated
// after an undo, in the same process, and the resident memory after each
// cycle is printed too.
//
// Prints one line: RESULT m=.. n=.. vertices=.. ns_per_vertex=.. (best of
// the cycles) first_ns_per_vertex=.. (the first, in fresh memory)
// peak_bytes_per_vertex=.. (of the first cycle) free_vertices=..
#include "zirka_core.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

// A field of /proc/self/status in bytes (0 where there is none).
static long long status_bytes(const char *key)
{
    std::FILE *file = std::fopen("/proc/self/status", "r");
    if (!file)
        return 0;
    char line[256];
    long long kib = 0;
    size_t n = std::strlen(key);
    while (std::fgets(line, sizeof line, file))
        if (std::strncmp(line, key, n) == 0 && line[n] == ':')
            kib = std::atoll(line + n + 1);
    std::fclose(file);
    return kib * 1024;
}

// Makes VmHWM start again from the present resident size.
static void reset_peak(void)
{
    std::FILE *file = std::fopen("/proc/self/clear_refs", "w");
    if (file) {
        std::fputs("5", file);
        std::fclose(file);
    }
}

static void run(int m, int n, int scratch)
{
    Object *result = new_object(ZIRKA_OBJECT_NORMAL);
    List *previous = nullptr;
    for (int j = 0; j < n; j++) {
        List *ring = nullptr;
        List **tail = &ring;
        for (int i = 0; i < m; i++) {
            Pos3 p{float(j), float(i), float(i + j)};
            for (int k = 0; k < scratch; k++) {
                list_add_item(tail, new_vertex_set(p.x, p.y, p.z));
                tail = &(*tail)->next;
            }
            object_add_new_vertex(result, &p);
        }
        list_free(&previous);
        previous = ring;
    }
    list_free(&previous);
    for (int j = 0; j + 1 < n; j++)
        for (int i = 0; i < m; i++) {
            int i1 = (i + 1) % m;
            Surface *quad = new_surface();
            surface_add_vertex(quad, zirka_object_get_vertex_at_index(result, j * m + i), 0, 0);
            surface_add_vertex(quad, zirka_object_get_vertex_at_index(result, j * m + i1), 0, 0);
            surface_add_vertex(quad, zirka_object_get_vertex_at_index(result, (j + 1) * m + i1), 0, 0);
            surface_add_vertex(quad, zirka_object_get_vertex_at_index(result, (j + 1) * m + i), 0, 0);
            object_add_surface(result, quad);
        }
    object_calc_normals_force(result);
    add_undoable_world_add_object("Extrude along path", result);
}

int main(int argc, char **argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: bench_host M N [SCRATCH [CYCLES]]\n");
        return 2;
    }
    int m = std::atoi(argv[1]), n = std::atoi(argv[2]);
    int scratch = argc > 3 ? std::atoi(argv[3]) : 0;
    int cycles = argc > 4 ? std::atoi(argv[4]) : 1;
    double vertices = double(m) * n;
    double best = 1e300;
    long long peak = 0;
    std::vector<long long> resident;
    std::vector<double> times;
    for (int c = 0; c < cycles; c++) {
        if (c > 0)
            zirka_undo();
        long long before = status_bytes("VmRSS");
        reset_peak();
        auto t0 = std::chrono::steady_clock::now();
        run(m, n, scratch);
        auto t1 = std::chrono::steady_clock::now();
        double ns = std::chrono::duration<double, std::nano>(t1 - t0).count();
        if (ns < best)
            best = ns;
        times.push_back(ns / vertices);
        if (c == 0)
            peak = status_bytes("VmHWM") - before;
        resident.push_back(status_bytes("VmRSS"));
    }
    std::printf("RESULT m=%d n=%d vertices=%.0f ns_per_vertex=%.1f first_ns_per_vertex=%.1f peak_bytes_per_vertex=%.1f "
                "free_vertices=%ld",
                m, n, vertices, best / vertices, times[0], double(peak) / vertices, zirka_free_vertex_count());
    if (cycles > 1) {
        std::printf(" resident_mb=");
        for (size_t c = 0; c < resident.size(); c++)
            std::printf("%s%.1f", c ? "," : "", double(resident[c]) / (1 << 20));
        double growth = double(resident.back() - resident[1]) / (double(peak) > 0 ? double(peak) : 1.0);
        std::printf(" growth_after_second=%.3f ns_per_vertex_each=", growth);
        for (size_t c = 0; c < times.size(); c++)
            std::printf("%s%.1f", c ? "," : "", times[c]);
    }
    std::printf("\n");
    return 0;
}
