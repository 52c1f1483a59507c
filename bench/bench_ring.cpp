// One ring through the kernel the way the sweep handles it at a corner:
// build it, move it along a segment, scale and turn it, scale the copy, and
// release the lists. Every step walks the ring once, so the time per vertex
// must stay flat as the ring grows.
#include "kvx_geom.h"
#include "zirka_core.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

static void ring_transform(benchmark::State &state)
{
    const long n = (long)state.range(0);
    std::vector<Pos3> outline((size_t)n);
    for (long i = 0; i < n; ++i) {
        const double a = 2 * M_PI * (double)i / (double)n;
        outline[(size_t)i] = {(float)std::cos(a), (float)std::sin(a), 0};
    }
    const Pos3 centre = {0, 0, 1}, offset = {0, 0, 1}, axis = {1, 0, 0};

    for (auto _ : state) {
        // The host keeps every free-standing vertex until it is reset.
        state.PauseTiming();
        zirka_reset();
        state.ResumeTiming();

        List *ring = NULL, **tail = &ring;
        for (const Pos3 &p : outline)
            tail = kvx_list_append(tail, new_vertex_set(p.x, p.y, p.z));
        List *moved = kvx_vtx_list_translate(ring, &offset, NULL);
        List *turned = kvx_vtx_list_scale_rotate(moved, &centre, &axis, 0.5, 0.9, NULL);
        List *scaled = kvx_vtx_list_scale(turned, &centre, 1.1, NULL);
        benchmark::DoNotOptimize(scaled);
        list_free(&ring);
        list_free(&moved);
        list_free(&turned);
        list_free(&scaled);
    }
    state.SetItemsProcessed(state.iterations() * n);
    state.SetComplexityN(n);
}
BENCHMARK(ring_transform)
    ->RangeMultiplier(10)
    ->Range(10000, 1000000)
    ->Unit(benchmark::kMillisecond)
    // Long enough that the first pass over fresh heap pages does not decide
    // the figure for the largest ring.
    ->MinTime(2.0)
    ->Complexity(benchmark::oN);

BENCHMARK_MAIN();
