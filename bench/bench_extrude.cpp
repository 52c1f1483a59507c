// The whole command on the stand-in host: a circle of m vertices swept along
// a helix of n points, n * m vertices in the result. Each path point costs a
// fixed number of passes over the ring, so the time per result vertex must
// stay flat as either grows.
#include "extrude.h"
#include "shapes.h"
#include "zirka_core.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>

#include <unistd.h>

static void extrude(benchmark::State &state)
{
    const int m = (int)state.range(0), n = (int)state.range(1);
    std::vector<Pos3> circle, helix;
    for (int i = 0; i < m; ++i) {
        double a = 2 * M_PI * i / m;
        circle.push_back({0, (float)std::cos(a), (float)std::sin(a)});
    }
    for (int k = 0; k < n; ++k) {
        double a = 0.3 * k;
        helix.push_back({(float)(20 * std::cos(a)), (float)(20 * std::sin(a)), (float)(0.5 * k)});
    }
    const char *argv[] = {"kvx_extrude_along_path_scale", "50"};

    for (auto _ : state) {
        state.PauseTiming();
        zirka_reset();
        Object *tmpl = line_object(circle, ZIRKA_SURFACE_CLOSED_LINE);
        Object *path = line_object(helix, ZIRKA_SURFACE_LINE);
        zirka_world_add_objects("bench", {tmpl, path});
        zirka_select({zirka_object_id(tmpl), zirka_object_id(path)});
        // The command writes its two bare newlines to stderr.
        fflush(stderr);
        int saved = dup(2);
        FILE *null = fopen("/dev/null", "w");
        dup2(fileno(null), 2);
        state.ResumeTiming();

        extrude_along_path(2, argv);

        state.PauseTiming();
        dup2(saved, 2);
        close(saved);
        fclose(null);
        state.ResumeTiming();
    }
    if (zirka_world_objects().size() != 3)
        state.SkipWithError("the command made no object");
    state.SetItemsProcessed(state.iterations() * (int64_t)m * n);
    state.SetComplexityN((int64_t)m * n);
}
BENCHMARK(extrude)
    ->Args({100, 100})
    ->Args({100, 1000})
    ->Args({1000, 1000})
    ->Args({100, 10000})
    ->Args({300, 300})
    ->Args({30, 3000})
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);

BENCHMARK_MAIN();
