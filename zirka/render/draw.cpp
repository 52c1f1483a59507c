// draw.cpp -- drawing a RenderMesh with OpenGL 3.3 (core profile): faces lit
// on both sides, polygon edges, line surfaces, the axes, and the id picture
// behind picking.
#include "render.h"

#define GL_GLEXT_PROTOTYPES
#include <GL/gl.h>
#include <GL/glext.h>

#include <algorithm>
#include <climits>
#include <cmath>

static const char *const uniform_names[] = {"clip", "eye", "lit", "front_colour", "back_colour", "colour", "checker"};
enum { U_CLIP, U_EYE, U_LIT, U_FRONT, U_BACK, U_COLOUR, U_CHECKER, U_COUNT };

struct RenderGl {
    GLuint program;
    GLint u[U_COUNT]; // the uniforms' locations
    GLuint vao, positions, normals, uvs, triangles, edges, lines, coarse;
    GLuint axes_vao, axes_positions;
    RenderTarget pick; // made by the first pick
};

static const char vertex_shader[] = R"glsl(#version 330 core
layout(location = 0) in vec3 position;
layout(location = 1) in vec3 normal;
layout(location = 2) in vec2 uv;
uniform mat4 clip, eye;
out vec3 v_normal, v_eye;
out vec2 v_uv;
void main()
{
    gl_Position = clip * vec4(position, 1.0);
    v_uv = uv;
    v_normal = mat3(eye) * normal;
    v_eye = (eye * vec4(position, 1.0)).xyz;
}
)glsl";

// A face takes its colour from the side that is seen, its brightness from
// the light above and to the left of the eye; lines and ids are unlit.
static const char fragment_shader[] = R"glsl(#version 330 core
in vec3 v_normal, v_eye;
in vec2 v_uv;
uniform bool lit, checker;
uniform vec3 front_colour, back_colour, colour;
out vec4 frag;
void main()
{
    if (!lit) {
        frag = vec4(colour, 1.0);
        return;
    }
    vec3 n = v_normal;
    if (dot(n, n) < 0.25)
        n = cross(dFdx(v_eye), dFdy(v_eye));
    float d = abs(dot(normalize(n), normalize(vec3(-0.4, 0.5, 1.0))));
    vec3 base = gl_FrontFacing ? front_colour : back_colour;
    if (checker && ((int(floor(8.0 * v_uv.x)) + int(floor(8.0 * v_uv.y))) & 1) == 1)
        base *= 0.45;
    frag = vec4(base * (0.25 + 0.75 * d), 1.0);
}
)glsl";


static const float background[4] = {0.925f, 0.937f, 0.953f, 1.0f};
static const float front_colour[3] = {0.55f, 0.68f, 0.85f};
static const float back_colour[3] = {0.86f, 0.34f, 0.27f};
static const float edge_colour[3] = {0.12f, 0.16f, 0.22f};
static const float wire_colour[3] = {0.2f, 0.3f, 0.5f};
static const float line_colour[3] = {0.08f, 0.08f, 0.1f};
static const float first_colour[3] = {1.0f, 0.55f, 0.1f};
static const float other_colour[3] = {0.85f, 0.2f, 0.65f};

static GLuint compile(GLenum type, const char *source, std::string *error)
{
    GLuint shader = glCreateShader(type);
    glShaderSource(shader, 1, &source, nullptr);
    glCompileShader(shader);
    GLint ok = GL_FALSE;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
    if (!ok) {
        char log[1024] = "";
        glGetShaderInfoLog(shader, sizeof log, nullptr, log);
        *error = std::string("cannot compile a shader: ") + log;
        glDeleteShader(shader);
        return 0;
    }
    return shader;
}

static GLuint new_buffer(GLenum target, size_t bytes, const void *data)
{
    GLuint buffer;
    glGenBuffers(1, &buffer);
    glBindBuffer(target, buffer);
    glBufferData(target, static_cast<GLsizeiptr>(bytes), bytes ? data : nullptr, GL_STATIC_DRAW);
    return buffer;
}

// A buffer of size floats per vertex, as the bound vertex array's attribute.
static GLuint new_attribute(GLuint location, const std::vector<float> &data, int size = 3)
{
    GLuint buffer = new_buffer(GL_ARRAY_BUFFER, data.size() * sizeof(float), data.data());
    glVertexAttribPointer(location, size, GL_FLOAT, GL_FALSE, 0, nullptr);
    glEnableVertexAttribArray(location);
    return buffer;
}

RenderGl *render_gl_upload(const RenderMesh &mesh, std::string *error)
{
    GLuint vs = compile(GL_VERTEX_SHADER, vertex_shader, error);
    GLuint fs = vs ? compile(GL_FRAGMENT_SHADER, fragment_shader, error) : 0;
    if (!fs) {
        glDeleteShader(vs);
        return nullptr;
    }
    RenderGl *gl = new RenderGl{};
    gl->program = glCreateProgram();
    glAttachShader(gl->program, vs);
    glAttachShader(gl->program, fs);
    glLinkProgram(gl->program);
    glDeleteShader(vs);
    glDeleteShader(fs);
    GLint ok = GL_FALSE;
    glGetProgramiv(gl->program, GL_LINK_STATUS, &ok);
    if (!ok) {
        *error = "cannot link the shaders";
        render_gl_release(gl);
        return nullptr;
    }
    for (int k = 0; k < U_COUNT; k++)
        gl->u[k] = glGetUniformLocation(gl->program, uniform_names[k]);

    glGenVertexArrays(1, &gl->vao);
    glBindVertexArray(gl->vao);
    gl->positions = new_attribute(0, mesh.positions);
    gl->normals = new_attribute(1, mesh.normals);
    gl->uvs = new_attribute(2, mesh.uvs, 2);
    gl->triangles = new_buffer(GL_ELEMENT_ARRAY_BUFFER, mesh.triangles.size() * 4, mesh.triangles.data());
    gl->edges = new_buffer(GL_ELEMENT_ARRAY_BUFFER, mesh.edges.size() * 4, mesh.edges.data());
    gl->lines = new_buffer(GL_ELEMENT_ARRAY_BUFFER, mesh.lines.size() * 4, mesh.lines.data());
    gl->coarse = new_buffer(GL_ELEMENT_ARRAY_BUFFER, mesh.coarse.size() * 4, mesh.coarse.data());

    // The axes: unit segments from the origin along x, y and z.
    static const std::vector<float> axes = {0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 1};
    glGenVertexArrays(1, &gl->axes_vao);
    glBindVertexArray(gl->axes_vao);
    gl->axes_positions = new_attribute(0, axes);
    glVertexAttrib3f(1, 0.0f, 0.0f, 0.0f);
    glBindVertexArray(0);
    return gl;
}

void render_gl_release(RenderGl *gl)
{
    if (!gl)
        return;
    GLuint buffers[] = {gl->positions, gl->normals, gl->uvs, gl->triangles, gl->edges, gl->lines, gl->coarse, gl->axes_positions};
    glDeleteBuffers(8, buffers);
    GLuint arrays[] = {gl->vao, gl->axes_vao};
    glDeleteVertexArrays(2, arrays);
    render_target_release(&gl->pick);
    glDeleteProgram(gl->program);
    delete gl;
}

static void draw_range(GLenum mode, GLuint buffer, RenderRange range)
{
    if (range.count == 0)
        return;
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, buffer);
    glDrawElements(mode, static_cast<GLsizei>(range.count), GL_UNSIGNED_INT,
                   reinterpret_cast<const void *>(static_cast<uintptr_t>(range.first) * 4));
}

// Clears the viewport to colour and sets up the camera to draw the mesh.
static void begin(RenderGl *gl, const RenderMesh &mesh, const RenderCamera &camera, const RenderOptions &options,
                  const float colour[4])
{
    glViewport(0, 0, options.width, options.height);
    glClearColor(colour[0], colour[1], colour[2], colour[3]);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glDisable(GL_CULL_FACE);
    float clip[16], eye[16];
    render_camera_matrices(camera, mesh, double(options.width) / options.height, clip, eye);
    glUseProgram(gl->program);
    glUniformMatrix4fv(gl->u[U_CLIP], 1, GL_FALSE, clip);
    glUniformMatrix4fv(gl->u[U_EYE], 1, GL_FALSE, eye);
    glUniform1i(gl->u[U_CHECKER], options.checker);
    glBindVertexArray(gl->vao);
}

// The axes in a square in the lower left corner, turned with the camera.
static void draw_axes(RenderGl *gl, const RenderCamera &camera, const RenderOptions &options)
{
    int side = std::min(std::min(options.width, options.height) / 5, 90 * options.scale);
    if (side < 8 * options.scale)
        return;
    RenderCamera turned{camera.yaw, camera.pitch, {0.0, 0.0, 0.0}, 1.15};
    RenderMesh unit;
    unit.lo[0] = unit.lo[1] = unit.lo[2] = -1.0f;
    unit.hi[0] = unit.hi[1] = unit.hi[2] = 1.0f;
    float clip[16], eye[16];
    render_camera_matrices(turned, unit, 1.0, clip, eye);
    glViewport(4 * options.scale, 4 * options.scale, side, side);
    glClear(GL_DEPTH_BUFFER_BIT);
    glUniformMatrix4fv(gl->u[U_CLIP], 1, GL_FALSE, clip);
    glUniform1i(gl->u[U_LIT], 0);
    glLineWidth(2.0f * options.scale);
    glBindVertexArray(gl->axes_vao);
    static const float colours[3][3] = {{0.85f, 0.1f, 0.1f}, {0.1f, 0.6f, 0.1f}, {0.1f, 0.25f, 0.9f}};
    for (int k = 0; k < 3; k++) {
        glUniform3fv(gl->u[U_COLOUR], 1, colours[k]);
        glDrawArrays(GL_LINES, 2 * k, 2);
    }
    glViewport(0, 0, options.width, options.height);
}

// Each object's faces, polygon edges and lines. In the id picture (ids)
// each is flat in the colour that spells its index + 1: its faces, or its
// edges in wireframe, and its lines 3 pixels wide.
static void draw_objects(RenderGl *gl, const RenderMesh &mesh, const RenderOptions &options, bool ids)
{
    bool faces = options.style != RENDER_WIREFRAME;
    long pixels = long(options.width / options.scale) * (options.height / options.scale);
    bool coarse = !ids && options.quick && !mesh.coarse.empty();
    bool edges = ids ? !faces : options.style != RENDER_SHADED && long(mesh.edges.size() / 2) <= pixels / 4 && !coarse;
    for (size_t i = 0; i < mesh.objects.size(); i++) {
        const RenderObject &part = mesh.objects[i];
        const float *mark = part.selection == 1 ? first_colour : part.selection > 1 ? other_colour : nullptr;
        uint32_t code = static_cast<uint32_t>(i) + 1;
        const float id[3] = {(code & 0xff) / 255.0f, ((code >> 8) & 0xff) / 255.0f, ((code >> 16) & 0xff) / 255.0f};
        if (faces) {
            // A selected object's faces tinted with its mark, their shading kept.
            float front[3], back[3];
            for (int k = 0; k < 3; k++) {
                front[k] = mark ? 0.7f * front_colour[k] + 0.3f * mark[k] : front_colour[k];
                back[k] = mark ? 0.7f * back_colour[k] + 0.3f * mark[k] : back_colour[k];
            }
            glUniform1i(gl->u[U_LIT], !ids);
            glUniform3fv(gl->u[U_FRONT], 1, front);
            glUniform3fv(gl->u[U_BACK], 1, back);
            glUniform3fv(gl->u[U_COLOUR], 1, id);
            // Faces a little behind their edges, so that the edges show.
            if (!ids)
                glEnable(GL_POLYGON_OFFSET_FILL);
            glPolygonOffset(1.0f, 1.0f);
            draw_range(GL_TRIANGLES, coarse ? gl->coarse : gl->triangles, coarse ? part.coarse : part.triangles);
            glDisable(GL_POLYGON_OFFSET_FILL);
        }
        glUniform1i(gl->u[U_LIT], 0);
        if (!ids) // the id picture's edges keep the width last set: its lines', after the first object
            glLineWidth(float(options.scale));
        if (edges) {
            glUniform3fv(gl->u[U_COLOUR], 1, ids ? id : mark && !faces ? mark : faces ? edge_colour : wire_colour);
            draw_range(GL_LINES, gl->edges, part.edges);
        }
        glLineWidth((ids ? 3.0f : 2.0f) * options.scale);
        glUniform3fv(gl->u[U_COLOUR], 1, ids ? id : mark ? mark : line_colour);
        draw_range(GL_LINES, gl->lines, part.lines);
    }
}

void render_gl_draw(RenderGl *gl, const RenderMesh &mesh, const RenderCamera &camera, const RenderOptions &options)
{
    begin(gl, mesh, camera, options, background);
    draw_objects(gl, mesh, options, false);
    // The selected lines show through whatever hides them: a path inside its
    // own extrusion can still be seen to be selected.
    glDisable(GL_DEPTH_TEST);
    for (const RenderObject &part : mesh.objects)
        if (part.selection) {
            glUniform3fv(gl->u[U_COLOUR], 1, part.selection == 1 ? first_colour : other_colour);
            draw_range(GL_LINES, gl->lines, part.lines);
        }
    glEnable(GL_DEPTH_TEST);
    if (options.axes)
        draw_axes(gl, camera, options);
    glBindVertexArray(0);
}

void render_gl_read(int width, int height, RenderImage *image)
{
    image->width = width;
    image->height = height;
    image->rgba.resize(size_t(width) * height * 4);
    std::vector<uint8_t> rows(image->rgba.size());
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, rows.data());
    // GL's first row is the bottom one.
    size_t stride = size_t(width) * 4;
    for (int y = 0; y < height; y++)
        std::copy_n(&rows[size_t(height - 1 - y) * stride], stride, &image->rgba[size_t(y) * stride]);
}

int render_gl_pick(RenderGl *gl, const RenderMesh &mesh, const RenderCamera &camera, const RenderOptions &options,
                   int x, int y, int radius)
{
    GLint bound = 0;
    glGetIntegerv(GL_DRAW_FRAMEBUFFER_BINDING, &bound);
    render_target_bind(&gl->pick, options.width, options.height);
    static const float none[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    begin(gl, mesh, camera, options, none);
    draw_objects(gl, mesh, options, true);
    glBindVertexArray(0);

    RenderImage ids;
    render_gl_read(options.width, options.height, &ids);
    int found = 0;
    long best = LONG_MAX;
    for (int row = std::min(y + radius, options.height - 1); row >= std::max(y - radius, 0); row--)
        for (int col = std::max(x - radius, 0); col <= std::min(x + radius, options.width - 1); col++) {
            const uint8_t *p = &ids.rgba[(size_t(row) * ids.width + col) * 4];
            uint32_t code = p[0] | (p[1] << 8) | (p[2] << 16);
            long d = long(col - x) * (col - x) + long(row - y) * (row - y);
            if (code && code <= mesh.objects.size() && d < best)
                best = d, found = mesh.objects[code - 1].id;
        }
    glBindFramebuffer(GL_FRAMEBUFFER, static_cast<GLuint>(bound));
    return found;
}
