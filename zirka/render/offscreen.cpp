// offscreen.cpp -- render_offscreen: pictures without any display, through
// EGL on Mesa's surfaceless platform and a framebuffer object of our own.
#include "render.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>
#define GL_GLEXT_PROTOTYPES
#include <GL/gl.h>
#include <GL/glext.h>

#include <algorithm>

namespace {
// The process's offscreen context, made on first use and kept until exit.
struct Offscreen {
    bool tried;
    std::string error; // why there is none
    EGLDisplay display;
    EGLContext context;
};
} // namespace

static Offscreen offscreen;

static bool offscreen_open(std::string *error)
{
    if (offscreen.tried) {
        *error = offscreen.error;
        return offscreen.context != EGL_NO_CONTEXT;
    }
    offscreen.tried = true;
    offscreen.context = EGL_NO_CONTEXT;
    offscreen.display = eglGetPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
    EGLint major, minor, count = 0;
    EGLConfig config;
    const EGLint config_attributes[] = {EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT, EGL_SURFACE_TYPE, 0, EGL_NONE};
    const EGLint context_attributes[] = {EGL_CONTEXT_MAJOR_VERSION, 3, EGL_CONTEXT_MINOR_VERSION, 3,
                                         EGL_CONTEXT_OPENGL_PROFILE_MASK, EGL_CONTEXT_OPENGL_CORE_PROFILE_BIT,
                                         EGL_NONE};
    if (offscreen.display == EGL_NO_DISPLAY || !eglInitialize(offscreen.display, &major, &minor))
        offscreen.error = "no EGL surfaceless display (is Mesa's libegl-mesa0 installed?)";
    else if (!eglBindAPI(EGL_OPENGL_API) ||
             !eglChooseConfig(offscreen.display, config_attributes, &config, 1, &count) || count < 1)
        offscreen.error = "no EGL config for OpenGL";
    else if ((offscreen.context = eglCreateContext(offscreen.display, config, EGL_NO_CONTEXT, context_attributes)) ==
             EGL_NO_CONTEXT)
        offscreen.error = "cannot make an OpenGL 3.3 context";
    *error = offscreen.error;
    return offscreen.context != EGL_NO_CONTEXT;
}

static GLuint new_renderbuffer(GLint samples, GLenum format, int width, int height)
{
    GLuint buffer;
    glGenRenderbuffers(1, &buffer);
    glBindRenderbuffer(GL_RENDERBUFFER, buffer);
    glRenderbufferStorageMultisample(GL_RENDERBUFFER, samples, format, width, height);
    return buffer;
}

bool render_offscreen(const RenderMesh &mesh, const RenderCamera &camera, const RenderOptions &options,
                      RenderImage *image, std::string *error)
{
    if (options.width < 1 || options.height < 1 || options.width > 16384 || options.height > 16384) {
        *error = "picture size must be within 1 .. 16384 pixels";
        return false;
    }
    if (!offscreen_open(error))
        return false;
    if (!eglMakeCurrent(offscreen.display, EGL_NO_SURFACE, EGL_NO_SURFACE, offscreen.context)) {
        *error = "cannot use the offscreen OpenGL context";
        return false;
    }
    RenderGl *gl = render_gl_upload(mesh, error);
    if (!gl)
        return false;
    // Drawn with several samples per pixel, then resolved into one.
    GLint samples = 0;
    glGetIntegerv(GL_MAX_SAMPLES, &samples);
    samples = std::min(samples, 4);
    GLuint framebuffers[2];
    glGenFramebuffers(2, framebuffers);
    GLuint colour = new_renderbuffer(samples, GL_RGBA8, options.width, options.height);
    GLuint depth = new_renderbuffer(samples, GL_DEPTH_COMPONENT24, options.width, options.height);
    GLuint resolved = new_renderbuffer(0, GL_RGBA8, options.width, options.height);
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffers[0]);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, colour);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, depth);
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffers[1]);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, resolved);
    bool complete = glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffers[0]);
    complete = complete && glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
    if (complete) {
        render_gl_draw(gl, mesh, camera, options);
        glBindFramebuffer(GL_READ_FRAMEBUFFER, framebuffers[0]);
        glBindFramebuffer(GL_DRAW_FRAMEBUFFER, framebuffers[1]);
        glBlitFramebuffer(0, 0, options.width, options.height, 0, 0, options.width, options.height,
                          GL_COLOR_BUFFER_BIT, GL_NEAREST);
        glBindFramebuffer(GL_READ_FRAMEBUFFER, framebuffers[1]);
        render_gl_read(options.width, options.height, image);
    } else {
        *error = "cannot make an offscreen framebuffer of that size";
    }
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    GLuint renderbuffers[3] = {colour, depth, resolved};
    glDeleteRenderbuffers(3, renderbuffers);
    glDeleteFramebuffers(2, framebuffers);
    render_gl_release(gl);
    eglMakeCurrent(offscreen.display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    return complete;
}
