// window.cpp -- a GL context that draws into an X window: EGL on the X11
// platform, with a config of the window's own visual.
#include "render.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <X11/Xlib.h>

struct RenderWindow {
    EGLDisplay display;
    EGLSurface surface;
    EGLContext context;
};

RenderWindow *render_window_open(void *x_display, unsigned long x_window, std::string *error)
{
    Display *x = static_cast<Display *>(x_display);
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(x, x_window, &attributes)) {
        *error = "no such X window";
        return nullptr;
    }
    EGLDisplay display = eglGetPlatformDisplay(EGL_PLATFORM_X11_KHR, x, nullptr);
    EGLint major, minor;
    if (display == EGL_NO_DISPLAY || !eglInitialize(display, &major, &minor) || !eglBindAPI(EGL_OPENGL_API)) {
        *error = "no EGL display on this X server";
        return nullptr;
    }
    const EGLint config_attributes[] = {EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT, EGL_SURFACE_TYPE, EGL_WINDOW_BIT,
                                        EGL_DEPTH_SIZE, 24, EGL_NATIVE_VISUAL_ID,
                                        static_cast<EGLint>(XVisualIDFromVisual(attributes.visual)), EGL_NONE};
    const EGLint context_attributes[] = {EGL_CONTEXT_MAJOR_VERSION, 3, EGL_CONTEXT_MINOR_VERSION, 3,
                                         EGL_CONTEXT_OPENGL_PROFILE_MASK, EGL_CONTEXT_OPENGL_CORE_PROFILE_BIT,
                                         EGL_NONE};
    // EGL_NATIVE_VISUAL_ID is not a selection criterion: look through the list.
    EGLConfig configs[256];
    EGLint count = 0;
    eglChooseConfig(display, config_attributes, configs, 256, &count);
    RenderWindow *window = new RenderWindow{display, EGL_NO_SURFACE, EGL_NO_CONTEXT};
    for (EGLint i = 0; i < count && window->surface == EGL_NO_SURFACE; i++) {
        EGLint visual = 0;
        eglGetConfigAttrib(display, configs[i], EGL_NATIVE_VISUAL_ID, &visual);
        if (static_cast<VisualID>(visual) != XVisualIDFromVisual(attributes.visual))
            continue;
        window->context = eglCreateContext(display, configs[i], EGL_NO_CONTEXT, context_attributes);
        if (window->context == EGL_NO_CONTEXT)
            continue;
        window->surface = eglCreateWindowSurface(display, configs[i], static_cast<EGLNativeWindowType>(x_window), nullptr);
        if (window->surface == EGL_NO_SURFACE) {
            eglDestroyContext(display, window->context);
            window->context = EGL_NO_CONTEXT;
        }
    }
    if (window->surface == EGL_NO_SURFACE) {
        *error = "no OpenGL 3.3 config for the window's visual";
        delete window;
        return nullptr;
    }
    return window;
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
