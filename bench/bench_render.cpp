// Pictures of a large result: a tube of m vertices round, n rings long (the
// shape the command makes), n * m vertices and quads. Gathering the mesh
// from the world and drawing it offscreen must take seconds at 2.56 M
// vertices (256 x 10000), not minutes.
#include "render.h"
#include "zirka_core.h"

#include <benchmark/benchmark.h>

#include <cmath>

// A tube along a helix, quads joining ring j to ring j + 1, normals computed.
static Object *tube(int m, int n)
{
    Object *object = new_object(ZIRKA_OBJECT_NORMAL);
    std::vector<Vertex *> vertices;
    vertices.reserve(size_t(m) * n);
    for (int j = 0; j < n; j++) {
        double a = 0.3 * j;
        for (int i = 0; i < m; i++) {
            double b = 2 * M_PI * i / m;
            Pos3 p{float((20 + std::cos(b)) * std::cos(a)), float((20 + std::cos(b)) * std::sin(a)),
                   float(0.5 * j + std::sin(b))};
            vertices.push_back(object_add_new_vertex(object, &p));
        }
    }
    for (int j = 0; j + 1 < n; j++)
        for (int i = 0; i < m; i++) {
            Surface *quad = new_surface();
            int k = (i + 1) % m;
            for (int v : {j * m + i, j * m + k, (j + 1) * m + k, (j + 1) * m + i})
                surface_add_vertex(quad, vertices[size_t(v)], 0, 0);
            object_add_surface(object, quad);
        }
    object_calc_normals_force(object);
    return object;
}

static void gather(benchmark::State &state)
{
    zirka_reset();
    Object *object = tube(int(state.range(0)), int(state.range(1)));
    RenderMesh mesh;
    for (auto _ : state)
        render_mesh_build({object}, &mesh);
    state.counters["vertices"] = double(mesh.positions.size() / 3);
}

// range(2): the style (RENDER_SHADED, RENDER_WIREFRAME, RENDER_SHADED_EDGES).
static void draw(benchmark::State &state)
{
    zirka_reset();
    RenderMesh mesh;
    render_mesh_build({tube(int(state.range(0)), int(state.range(1)))}, &mesh);
    RenderCamera camera = render_camera_preset(RENDER_VIEW_ISO);
    RenderOptions options;
    options.style = RenderStyle(state.range(2));
    render_camera_fit(&camera, mesh, double(options.width) / options.height);
    RenderImage image;
    std::string error;
    // One context for every run, made at the first picture, as host::render
    // keeps its own: the figures are the drawing's, not EGL's start-up.
    static RenderOffscreen *const offscreen = render_offscreen_new();
    for (auto _ : state)
        if (!render_offscreen(offscreen, mesh, camera, options, &image, &error))
            state.SkipWithError(error.c_str());
    state.counters["vertices"] = double(mesh.positions.size() / 3);
}

BENCHMARK(gather)->Args({16, 1000})->Args({64, 10000})->Args({256, 10000})->Unit(benchmark::kMillisecond)->MinTime(1);
BENCHMARK(draw)
    ->ArgsProduct({{16, 64, 256}, {10000}, {RENDER_SHADED, RENDER_SHADED_EDGES}})
    ->Unit(benchmark::kMillisecond)
    ->MinTime(1);
BENCHMARK_MAIN();
