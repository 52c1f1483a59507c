// extrude.cpp -- fuzzes the command on fuzzed outlines, paths, selections
// and amounts, calling its handler as the host calls a plug-in's command.
//
// Each input describes a world (objects of fuzzed surfaces and points, put
// in the world as one step), a selection of them in a fuzzed order and size,
// and the command's arguments. After every run of the command:
//
//   - the plug-in list nodes are back where they were (every list freed);
//   - every object that was in the world has its vertices unchanged, bit for
//     bit, and as many vertices and surfaces as before;
//   - at most one object is new in the world, with exactly one new undo step
//     "Extrude along path", every vertex finite, its vertices whole rings of
//     the outline and its surfaces quads of its own vertices; or nothing is
//     new, and the command said why: one message dialog, or one refusal line
//     (out of memory too, when the fuzzer has a table allocation fail);
//   - standard error holds only the command's lines: bare newlines, its
//     refusals and its warnings (with tracing on: its traces too), and
//     standard output one line per message dialog;
//   - after zirka_reset nothing is left behind (LeakSanitizer looks).
//
// EXTRUDE_FUZZ_SHOW=1 in the environment shows each run's outcome.
//
// The input is read front to back; past its end every read gives 0, so a
// short input reads as the plainest case (two objects, each an open line of
// no points, selected in order). Layout:
//
//   byte   run: bits 0-1 the arguments (0, 3: name amount; 1: name only;
//          2: name amount extra), bit 2 tracing (kvx_debug), bit 3 run the
//          command a second time, bit 4 undo the last step before it, bits
//          5-6 which of the command's first two table allocations fail
//   amount byte kind % 4: 0 text (byte length % 33, then its bytes);
//          1 a float's bits (4 bytes) as %.9g; 2 one of kAmounts (byte);
//          3 a whole number (2 bytes, signed)
//   byte   objects: (byte + 2) % 5
//   per object:
//     byte flags: bits 0-1 surfaces (byte + 1) % 4, bit 2 not an ordinary
//          object (type 1 + bits 5-6)
//     byte exponent: the grid points' scale, 2 to the power int8
//     byte kind: % 4 the first surface's type: open line, closed line,
//          polygon, or the next byte as a raw type
//     byte points % 17, then per point a byte mode % 4: 0 a point of the
//          grid of quarters (3 signed bytes, scaled); 1 three floats' bits
//          (12 bytes); 2 three of kSpecial (3 bytes); 3 the point k before
//          (1 byte), coincident
//     per further surface: byte kind (as above), byte entries % 9, then a
//          byte per entry: which of the object's vertices
//   byte   selected: (byte + 2) % 5, then a byte per selected object: object
//          (byte + i) % objects, so that zeros select in order (an object
//          picked again is left out: a selection holds each object once)
//   byte   with bit 7 of the run byte: kvx_extrude_along_path, its options
//          bits 0-2 -caps, -outward, -uv, in the order of bits 3-4 (0 as
//          listed, 1 reversed, 2 -uv first, 3 -caps given twice), bit 5
//          "--" before the amount; without bit 7 this byte is not read
//
// With -caps, a result of a closed outline of 3 points or more along an open
// path must be closed: every edge of its surfaces in exactly two of them,
// once in each direction; and only its two end surfaces may be other than
// quads.
#include "extrude_work.h"
#include "shapes.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

// The fuzzer's bytes, taken from the front; zeros once they run out.
struct Input {
    const uint8_t *at, *end;

    uint8_t byte() { return at < end ? *at++ : 0; }
    uint32_t u32()
    {
        uint32_t v = 0;
        for (int i = 0; i < 4; i++)
            v |= uint32_t(byte()) << (8 * i);
        return v;
    }
};

float float_of_bits(uint32_t bits)
{
    float f;
    std::memcpy(&f, &bits, sizeof f);
    return f;
}

// Coordinates that make arithmetic go wrong: signed zeros, the smallest
// denormal and normal, the largest float, huge and tiny, infinities, NaN.
const float kSpecial[16] = {0.0f,          -0.0f,          1.0f,  -1.0f,     0x1p-149f, -0x1p-149f,
                            0x1p-126f,     0x1.fffffep127f, -0x1.fffffep127f, 1e30f, -1e30f,
                            INFINITY,      -INFINITY,      NAN,   1e-30f,    0.5f};

// Amounts as a user types them, and the ones that are no finite float.
const char *const kAmounts[16] = {"50", "100", "0",    "-100", "250",        "25",    "-0",   "1e39",
                                  "nan", "inf", "-inf", "1e-45", "3.4028235e38", "-3.4e38", "", " 7 x"};

std::string amount_text(Input *in)
{
    char text[64];
    switch (in->byte() % 4) {
    case 0: {
        std::string s;
        for (int n = in->byte() % 33; n > 0; n--)
            s.push_back(static_cast<char>(in->byte()));
        return s;
    }
    case 1:
        std::snprintf(text, sizeof text, "%.9g", float_of_bits(in->u32()));
        return text;
    case 2:
        return kAmounts[in->byte() % 16];
    default: {
        int16_t whole = static_cast<int16_t>(in->byte() | in->byte() << 8);
        std::snprintf(text, sizeof text, "%d", whole);
        return text;
    }
    }
}

int surface_type(Input *in)
{
    switch (in->byte() % 4) {
    case 0:
        return ZIRKA_SURFACE_LINE;
    case 1:
        return ZIRKA_SURFACE_CLOSED_LINE;
    case 2:
        return ZIRKA_SURFACE_POLYGON;
    default:
        return static_cast<int8_t>(in->byte());
    }
}

std::vector<Pos3> points(Input *in, int exponent)
{
    std::vector<Pos3> out;
    for (int n = in->byte() % 17; n > 0; n--) {
        Pos3 p;
        switch (in->byte() % 4) {
        case 0: {
            float c[3];
            for (float &v : c)
                v = std::ldexp(static_cast<int8_t>(in->byte()) / 4.0f, exponent);
            p = {c[0], c[1], c[2]};
            break;
        }
        case 1:
            p.x = float_of_bits(in->u32());
            p.y = float_of_bits(in->u32());
            p.z = float_of_bits(in->u32());
            break;
        case 2:
            p.x = kSpecial[in->byte() % 16];
            p.y = kSpecial[in->byte() % 16];
            p.z = kSpecial[in->byte() % 16];
            break;
        default: {
            size_t back = in->byte();
            p = out.empty() ? Pos3{0, 0, 0} : out[out.size() - 1 - back % out.size()];
        }
        }
        out.push_back(p);
    }
    return out;
}

// A further surface of the object, naming its vertices again.
void add_surface(Input *in, Object *object)
{
    Surface *surface = new_surface();
    int type = surface_type(in);
    int vertices = zirka_object_vertex_count(object);
    for (int n = in->byte() % 9; n > 0; n--) {
        int index = in->byte();
        if (vertices > 0)
            surface_add_vertex(surface, zirka_object_get_vertex_at_index(object, index % vertices), 0, 0);
    }
    zirka_surface_set_type(surface, type);
    object_add_surface(object, surface);
}

Object *fuzzed_object(Input *in)
{
    uint8_t flags = in->byte();
    int exponent = static_cast<int8_t>(in->byte());
    int type = surface_type(in);
    std::vector<Pos3> first = points(in, exponent);
    int surfaces = (flags + 1) % 4;
    Object *object;
    if (flags & 4 || surfaces == 0) {
        // Not an ordinary object, or one without surfaces: the points as its
        // vertices, and the first surface through them when it has one.
        object = new_object(flags & 4 ? 1 + (flags >> 5 & 3) : ZIRKA_OBJECT_NORMAL);
        Surface *surface = surfaces > 0 ? new_surface() : nullptr;
        for (const Pos3 &p : first) {
            Vertex *vertex = object_add_new_vertex(object, &p);
            if (surface)
                surface_add_vertex(surface, vertex, 0, 0);
        }
        if (surface) {
            zirka_surface_set_type(surface, type);
            object_add_surface(object, surface);
        }
    } else {
        object = line_object(first, type);
    }
    for (int i = 1; i < surfaces; i++)
        add_surface(in, object);
    return object;
}

} // namespace

namespace {

[[noreturn]] void fault(const char *what, const std::string &detail)
{
    std::fprintf(stderr, "extrude fuzzer: %s\n%s\n", what, detail.c_str());
    std::abort();
}

// What an object in the world was before the command ran.
struct Snapshot {
    Object *object;
    int surfaces;
    std::vector<uint32_t> bits; // x, y, z of every vertex
};

std::vector<Snapshot> snapshot_world()
{
    std::vector<Snapshot> world;
    for (Object *object : zirka_world_objects()) {
        Snapshot s{object, static_cast<int>(zirka_object_surfaces(object).size()), {}};
        int n = zirka_object_vertex_count(object);
        s.bits.resize(3 * static_cast<size_t>(n));
        for (int i = 0; i < n; i++)
            std::memcpy(&s.bits[3 * static_cast<size_t>(i)], zirka_head_vertex_pos(zirka_object_get_vertex_at_index(object, i)),
                        3 * sizeof(uint32_t));
        world.push_back(std::move(s));
    }
    return world;
}

void check_untouched(const std::vector<Snapshot> &before)
{
    for (const Snapshot &s : before) {
        Object *object = s.object;
        int n = zirka_object_vertex_count(object);
        if (3 * static_cast<size_t>(n) != s.bits.size() ||
            static_cast<int>(zirka_object_surfaces(object).size()) != s.surfaces)
            fault("an object in the world gained or lost vertices or surfaces", zirka_object_name(object));
        for (int i = 0; i < n; i++)
            if (std::memcmp(&s.bits[3 * static_cast<size_t>(i)],
                            zirka_head_vertex_pos(zirka_object_get_vertex_at_index(object, i)), 3 * sizeof(uint32_t)))
                fault("the command moved a vertex of an object in the world", "vertex " + std::to_string(i));
    }
}

// With caps: every directed edge of the result's surfaces once, and the
// edge the other way once too.
void check_closed(Object *result)
{
    std::vector<std::pair<int, int>> edges;
    for (Surface *surface : zirka_object_surfaces(result)) {
        std::vector<int> s = zirka_surface_vertex_indices(result, surface);
        for (size_t k = 0; k < s.size(); k++)
            edges.push_back({s[k], s[(k + 1) % s.size()]});
    }
    std::sort(edges.begin(), edges.end());
    for (size_t k = 0; k < edges.size(); k++) {
        if (k + 1 < edges.size() && edges[k] == edges[k + 1])
            fault("an edge of the capped result lies twice in one direction",
                  std::to_string(edges[k].first) + ">" + std::to_string(edges[k].second));
        if (!std::binary_search(edges.begin(), edges.end(), std::make_pair(edges[k].second, edges[k].first)))
            fault("an edge of the capped result has no face on its other side",
                  std::to_string(edges[k].first) + ">" + std::to_string(edges[k].second));
    }
}

// The new object: finite vertices, whole rings of the outline's m points,
// quads of its own vertices (and with caps two end surfaces of m entries).
void check_result(Object *result, int m, bool caps)
{
    int n = zirka_object_vertex_count(result);
    if (n == 0 || m == 0 || n % m != 0)
        fault("the result is not whole rings of the outline",
              std::to_string(n) + " vertices, outline of " + std::to_string(m));
    for (int i = 0; i < n; i++) {
        const Pos3 *p = zirka_head_vertex_pos(zirka_object_get_vertex_at_index(result, i));
        if (!std::isfinite(p->x) || !std::isfinite(p->y) || !std::isfinite(p->z))
            fault("the result has a vertex that is not finite", "vertex " + std::to_string(i));
    }
    int ends = 0;
    for (Surface *surface : zirka_object_surfaces(result)) {
        std::vector<int> indices = zirka_surface_vertex_indices(result, surface);
        if (caps && indices.size() == static_cast<size_t>(m) && m != 4)
            ends++;
        else if (indices.size() != 4)
            fault("a surface of the result is no quad", std::to_string(indices.size()) + " entries");
        for (int index : indices)
            if (index < 0 || index >= n)
                fault("a quad of the result names a vertex that is not the result's", std::to_string(index));
    }
    if (ends > 2)
        fault("the result has more than two end surfaces", std::to_string(ends));
    if (caps)
        check_closed(result);
}

// Whether -caps must close the result: a closed outline of 3 points or more
// along an open path (the selection's first two objects, first surfaces).
bool caps_apply(const std::vector<Object *> &selection)
{
    if (selection.size() != 2)
        return false;
    std::vector<Surface *> t = zirka_object_surfaces(selection[0]), p = zirka_object_surfaces(selection[1]);
    return !t.empty() && !p.empty() && surface_get_type(t[0]) != ZIRKA_SURFACE_LINE &&
           zirka_head_surface_count(t[0]) >= 3 && surface_get_type(p[0]) == ZIRKA_SURFACE_LINE;
}

// What the command wrote to standard error: only its own lines.
void check_lines(const std::string &err, bool tracing, bool made, size_t messages)
{
    if (!err.empty() && err.back() != '\n')
        fault("standard error ends inside a line", err);
    const std::string own = "extrude_along_path(): ";
    int refusals = 0, warnings = 0;
    for (size_t at = 0; at < err.size();) {
        size_t end = err.find('\n', at);
        std::string line = err.substr(at, end - at);
        at = end + 1;
        if (line.empty())
            continue;
        if (tracing && line.compare(0, 4, "kvx_") == 0)
            continue;
        if (line.compare(0, own.size(), own) != 0)
            fault("a line on standard error that is not the command's", err);
        if (line.compare(own.size(), 9, "warning: ") == 0)
            warnings++;
        else
            refusals++;
    }
    if (tracing)
        return;
    if (made && (refusals > 0 || messages > 0))
        fault("the command made an object and refused too", err);
    if (!made && refusals + static_cast<int>(messages) != 1)
        fault("the command made nothing and did not say why in one line or one message",
              err + "(" + std::to_string(messages) + " messages)");
    if (!made && warnings > 0)
        fault("the command warned of a result it did not make", err);
}

// The command's table allocations: those whose bit is set in
// failing_tables (the first is bit 0) get no memory.
unsigned failing_tables, tables_asked;

void *table_alloc(size_t size)
{
    bool fail = tables_asked < 8 && (failing_tables >> tables_asked & 1);
    tables_asked++;
    return fail ? nullptr : std::malloc(size);
}

// EXTRUDE_FUZZ_SHOW=1 in the environment: every run says what the command
// made and wrote, for looking at the starting inputs and findings.
const bool show_runs = std::getenv("EXTRUDE_FUZZ_SHOW") != nullptr;

// Runs the command once with argv on the current selection, and checks:
// kvx_extrude_along_path_scale, or with options kvx_extrude_along_path
// (caps: -caps among its arguments).
void run_command(int argc, const char **argv, bool tracing, bool options, bool caps)
{
    std::vector<Snapshot> before = snapshot_world();
    std::vector<Object *> selection = zirka_selection();
    int m = selection.empty() || zirka_object_surfaces(selection[0]).empty()
                ? 0
                : zirka_head_surface_count(zirka_object_surfaces(selection[0])[0]);
    long nodes = zirka_plugin_list_nodes();
    size_t steps = zirka_undo_names().size();
    size_t messages = zirka_messages().size();

    // The command's output goes to memory: C stdio's stderr and stdout are
    // swapped for the call. The sanitizers and libFuzzer write to the file
    // descriptors, and go on being heard.
    char *err_text = nullptr, *out_text = nullptr;
    size_t err_size = 0, out_size = 0;
    FILE *err = open_memstream(&err_text, &err_size), *out = open_memstream(&out_text, &out_size);
    if (!err || !out)
        fault("open_memstream failed", "");
    FILE *saved_err = stderr, *saved_out = stdout;
    stderr = err;
    stdout = out;
    tables_asked = 0;
    if (options)
        extrude_along_path_with_options(argc, argv);
    else
        extrude_along_path(argc, argv);
    stderr = saved_err;
    stdout = saved_out;
    std::fclose(err);
    std::fclose(out);
    std::string err_lines(err_text, err_size), out_lines(out_text, out_size);
    std::free(err_text);
    std::free(out_text);

    if (show_runs)
        std::fprintf(stderr, "--- %d arguments, amount \"%s\": %zu new objects, %zu messages\n%s", argc,
                     argc > 1 ? argv[1] : "", zirka_world_objects().size() - before.size(),
                     zirka_messages().size() - messages, err_lines.c_str());
    if (zirka_plugin_list_nodes() != nodes)
        fault("the command left list nodes allocated", std::to_string(zirka_plugin_list_nodes() - nodes));
    check_untouched(before);
    std::vector<Object *> world = zirka_world_objects();
    if (world.size() < before.size() || world.size() > before.size() + 1)
        fault("the world changed by more than one new object", std::to_string(world.size()));
    bool made = world.size() == before.size() + 1;
    std::vector<std::string> names = zirka_undo_names();
    if (names.size() != steps + (made ? 1 : 0) || (made && names.back() != "Extrude along path"))
        fault("not one undo step \"Extrude along path\" per new object", std::to_string(names.size() - steps));
    if (made)
        check_result(world.back(), m, caps && caps_apply(selection));
    size_t shown = zirka_messages().size() - messages;
    check_lines(err_lines, tracing, made, shown);
    if (static_cast<size_t>(std::count(out_lines.begin(), out_lines.end(), '\n')) != shown)
        fault("standard output holds more than the message dialogs", out_lines);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    Input in{data, data + size};
    uint8_t run = in.byte();
    std::string amount = amount_text(&in);
    std::vector<Object *> objects;
    for (int n = (in.byte() + 2) % 5; n > 0; n--)
        objects.push_back(fuzzed_object(&in));
    if (!objects.empty())
        zirka_world_add_objects("shapes", objects);
    std::vector<int> selected;
    for (int i = 0, n = (in.byte() + 2) % 5; i < n && !objects.empty(); i++) {
        int id = zirka_object_id(objects[(in.byte() + static_cast<size_t>(i)) % objects.size()]);
        if (std::find(selected.begin(), selected.end(), id) == selected.end()) // a selection holds each once
            selected.push_back(id);
    }
    if (!zirka_select(selected))
        fault("the objects could not be selected", "");

    std::vector<const char *> argv = {"kvx_extrude_along_path_scale"};
    const bool options = run & 128;
    bool caps = false;
    if (options) {
        argv[0] = "kvx_extrude_along_path";
        uint8_t chosen = in.byte();
        std::vector<const char *> named;
        if (chosen & 1)
            named.push_back("-caps");
        if (chosen & 2)
            named.push_back("-outward");
        if (chosen & 4)
            named.push_back("-uv");
        switch (chosen >> 3 & 3) {
        case 1:
            std::reverse(named.begin(), named.end());
            break;
        case 2:
            std::stable_partition(named.begin(), named.end(), [](const char *o) { return o[1] == 'u'; });
            break;
        case 3:
            if (chosen & 1)
                named.push_back("-caps");
            break;
        }
        caps = (chosen & 1) && (chosen >> 3 & 3) != 3;
        argv.insert(argv.end(), named.begin(), named.end());
        if (chosen & 32)
            argv.push_back("--");
    }
    if ((run & 3) != 1)
        argv.push_back(amount.c_str());
    if ((run & 3) == 2)
        argv.push_back("extra");
    const int argc = static_cast<int>(argv.size());
    bool tracing = run & 4;
    kvx_debug = tracing;
    failing_tables = run >> 5 & 3;
    extrude_table_alloc = table_alloc;
    run_command(argc, argv.data(), tracing, options, caps);
    if (run & 8) {
        if (run & 16)
            zirka_undo();
        run_command(argc, argv.data(), tracing, options, caps);
    }
    kvx_debug = 0;
    extrude_table_alloc = std::malloc;
    zirka_reset();
    return 0;
}
