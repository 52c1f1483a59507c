// offscreen.cpp -- OpenGL 3.3 contexts through EGL: offscreen ones on Mesa's
// surfaceless platform, drawing into a framebuffer object of our own (a
// RenderTarget, which picking draws into too), and ones on an X window.
#include "render.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>
#define GL_GLEXT_PROTOTYPES
#include <GL/gl.h>
#include <GL/glext.h>
#include <X11/Xlib.h>

#include <algorithm>

// A context of config; EGL_NO_CONTEXT when the display cannot make one.
static EGLContext new_context(EGLDisplay display, EGLConfig config)
{
    const EGLint attributes[] = {EGL_CONTEXT_MAJOR_VERSION, 3, EGL_CONTEXT_MINOR_VERSION, 3,
                                 EGL_CONTEXT_OPENGL_PROFILE_MASK, EGL_CONTEXT_OPENGL_CORE_PROFILE_BIT, EGL_NONE};
    return eglCreateContext(display, config, EGL_NO_CONTEXT, attributes);
}

// Up to 256 of the display's configs for OpenGL on surfaces of that type
// (0 for none); none when EGL cannot start there.
static std::vector<EGLConfig> configs(EGLDisplay display, EGLint surface, EGLint depth)
{
    EGLint major, minor, count = 0;
    std::vector<EGLConfig> found(256);
    const EGLint attributes[] = {EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT, EGL_SURFACE_TYPE, surface, EGL_DEPTH_SIZE, depth, EGL_NONE};
    if (display == EGL_NO_DISPLAY || !eglInitialize(display, &major, &minor) || !eglBindAPI(EGL_OPENGL_API) ||
        !eglChooseConfig(display, attributes, found.data(), 256, &count))
        count = 0;
    found.resize(size_t(count));
    return found;
}

// One offscreen context: made at the first picture, kept for the next ones
// until render_offscreen_free.
struct RenderOffscreen {
    bool tried;
    std::string error; // why there is none
    EGLDisplay display;
    EGLContext context;
};

RenderOffscreen *render_offscreen_new(void) { return new RenderOffscreen{false, "", EGL_NO_DISPLAY, EGL_NO_CONTEXT}; }

void render_offscreen_free(RenderOffscreen *offscreen)
{
    if (offscreen && offscreen->context != EGL_NO_CONTEXT)
        eglDestroyContext(offscreen->display, offscreen->context);
    delete offscreen;
}

// Makes the context at the first call; false, with the reason, without one.
static bool offscreen_open(RenderOffscreen *offscreen, std::string *error)
{
    if (!offscreen->tried) {
        offscreen->tried = true;
        offscreen->display = eglGetPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
        std::vector<EGLConfig> found = configs(offscreen->display, 0, 0);
        if (found.empty())
            offscreen->error = "no EGL surfaceless display for OpenGL (is Mesa's libegl-mesa0 installed?)";
        else if ((offscreen->context = new_context(offscreen->display, found[0])) == EGL_NO_CONTEXT)
            offscreen->error = "cannot make an OpenGL 3.3 context";
    }
    *error = offscreen->error;
    return offscreen->context != EGL_NO_CONTEXT;
}

bool render_target_bind(RenderTarget *target, int width, int height)
{
    if (!target->framebuffer) {
        glGenFramebuffers(1, &target->framebuffer);
        glGenRenderbuffers(1, &target->colour);
        glGenRenderbuffers(1, &target->depth);
    }
    glBindFramebuffer(GL_FRAMEBUFFER, target->framebuffer);
    if (target->width != width || target->height != height) {
        const struct { unsigned buffer; GLenum format, attachment; } parts[] = {
            {target->colour, GL_RGBA8, GL_COLOR_ATTACHMENT0}, {target->depth, GL_DEPTH_COMPONENT24, GL_DEPTH_ATTACHMENT}};
        for (const auto &part : parts) {
            glBindRenderbuffer(GL_RENDERBUFFER, part.buffer);
            glRenderbufferStorage(GL_RENDERBUFFER, part.format, width, height);
            glFramebufferRenderbuffer(GL_FRAMEBUFFER, part.attachment, GL_RENDERBUFFER, part.buffer);
        }
        target->width = width;
        target->height = height;
    }
    return glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
}

void render_target_release(RenderTarget *target)
{
    glDeleteFramebuffers(1, &target->framebuffer);
    GLuint renderbuffers[] = {target->colour, target->depth};
    glDeleteRenderbuffers(2, renderbuffers);
    *target = RenderTarget{};
}

// Each 2 x 2 block of the bound framebuffer's pixels becomes one of *image,
// rounded to nearest.
static void read_halved(int width, int height, RenderImage *image)
{
    RenderImage big;
    render_gl_read(2 * width, 2 * height, &big);
    image->width = width;
    image->height = height;
    image->rgba.resize(size_t(width) * height * 4);
    size_t stride = size_t(big.width) * 4;
    for (size_t i = 0; i < image->rgba.size(); i++) {
        const uint8_t *p = &big.rgba[(i / 4 / width) * 2 * stride + (i / 4 % width) * 8 + i % 4];
        image->rgba[i] = uint8_t((p[0] + p[4] + p[stride] + p[stride + 4] + 2) / 4);
    }
}

bool render_offscreen(RenderOffscreen *offscreen, const RenderMesh &mesh, const RenderCamera &camera,
                      const RenderOptions &options, RenderImage *image, std::string *error)
{
    if (options.width < 1 || options.height < 1 || options.width > 16384 || options.height > 16384) {
        *error = "picture size must be within 1 .. 16384 pixels";
        return false;
    }
    if (!offscreen_open(offscreen, error))
        return false;
    if (!eglMakeCurrent(offscreen->display, EGL_NO_SURFACE, EGL_NO_SURFACE, offscreen->context)) {
        *error = "cannot use the offscreen OpenGL context";
        return false;
    }
    RenderGl *gl = render_gl_upload(mesh, error);
    if (!gl)
        return false;
    GLint largest = 0, viewport[2] = {0, 0};
    glGetIntegerv(GL_MAX_RENDERBUFFER_SIZE, &largest);
    glGetIntegerv(GL_MAX_VIEWPORT_DIMS, viewport);
    // Twice as big, then halved: llvmpipe does that much faster than 4 samples a pixel.
    RenderOptions big = options;
    big.scale = 2 * options.width <= std::min(largest, viewport[0]) && 2 * options.height <= std::min(largest, viewport[1]) ? 2 : 1;
    big.width *= big.scale;
    big.height *= big.scale;
    RenderTarget target;
    bool complete = render_target_bind(&target, big.width, big.height);
    if (complete) {
        render_gl_draw(gl, mesh, camera, big);
        if (big.scale == 2)
            read_halved(options.width, options.height, image);
        else
            render_gl_read(big.width, big.height, image);
        if (!mesh.triangles.empty() && options.style != RENDER_WIREFRAME)
            render_key(image);
    } else {
        *error = "cannot make an offscreen framebuffer of that size";
    }
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    render_target_release(&target);
    render_gl_release(gl);
    eglMakeCurrent(offscreen->display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    return complete;
}

struct RenderWindow {
    EGLDisplay display;
    EGLSurface surface;
    EGLContext context;
};

RenderWindow *render_window_open(void *x_display, unsigned long x_window, std::string *error)
{
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(static_cast<Display *>(x_display), x_window, &attributes)) {
        *error = "no such X window";
        return nullptr;
    }
    EGLDisplay display = eglGetPlatformDisplay(EGL_PLATFORM_X11_KHR, x_display, nullptr);
    RenderWindow *window = new RenderWindow{display, EGL_NO_SURFACE, EGL_NO_CONTEXT};
    // EGL_NATIVE_VISUAL_ID is not a selection criterion: look through the list.
    for (EGLConfig config : configs(display, EGL_WINDOW_BIT, 24)) {
        EGLint visual = 0;
        eglGetConfigAttrib(display, config, EGL_NATIVE_VISUAL_ID, &visual);
        if (static_cast<VisualID>(visual) != XVisualIDFromVisual(attributes.visual) ||
            (window->context = new_context(display, config)) == EGL_NO_CONTEXT)
            continue;
        window->surface = eglCreateWindowSurface(display, config, static_cast<EGLNativeWindowType>(x_window), nullptr);
        if (window->surface != EGL_NO_SURFACE)
            return window;
        eglDestroyContext(display, window->context);
    }
    *error = "no OpenGL 3.3 config for the window's visual on this X server";
    delete window;
    return nullptr;
}

bool render_window_use(RenderWindow *window)
{
    return eglMakeCurrent(window->display, window->surface, window->surface, window->context);
}

void render_window_show(RenderWindow *window) { eglSwapBuffers(window->display, window->surface); }

void render_window_close(RenderWindow *window)
{
    if (!window)
        return;
    eglMakeCurrent(window->display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    eglDestroySurface(window->display, window->surface);
    eglDestroyContext(window->display, window->context);
    delete window;
}
