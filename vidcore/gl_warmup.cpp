// SPDX-License-Identifier: LGPL-2.1-or-later
#include "gl_warmup.h"

#include "debug_category.h"

#include <gst/gl/gl.h>
#include <gst/gl/x11/gstgldisplay_x11.h>

#include <cstdlib>
#include <mutex>

namespace vidcore {

namespace {

    // Opened once, on the first thread that asks, and kept for the process.
    std::once_flag displayOpened;
    GstGLDisplay* x11Display = nullptr;

    // Held for the whole making of the context, so that two threads never
    // each make one.
    std::mutex warmUpLock;
    bool warmUpTried = false;
    GstGLContext* warmContext = nullptr;

    GstGLDisplay* OpenX11Display()
    {
        const char* name = std::getenv("DISPLAY");
        if (!name || !*name)
            return nullptr;
        GstGLDisplayX11* display = gst_gl_display_x11_new(name);
        if (!display) {
            GST_WARNING("the X display %s cannot be opened for OpenGL", name);
            return nullptr;
        }
        GST_INFO("OpenGL draws on the X display %s", name);
        return GST_GL_DISPLAY(display);
    }

    // The X11 OpenGL display of the host's windows; nullptr without one.
    GstGLDisplay* ProcessX11Display()
    {
        std::call_once(displayOpened, [] { x11Display = OpenX11Display(); });
        return x11Display;
    }

} // namespace

void KeepOpenGLWarm()
{
    // The first context of a process loads and initialises the driver, and
    // with software rendering compiles its pipeline code: about 100 ms of a
    // capture's opening on a machine without a GPU. A context that stays
    // alive keeps that work done for every later opening.
    std::lock_guard guard(warmUpLock);
    if (warmUpTried)
        return;
    warmUpTried = true;
    GstGLDisplay* display = ProcessX11Display();
    if (!display)
        return;
    g_autoptr(GError) error = nullptr;
    if (!gst_gl_display_create_context(display, nullptr, &warmContext, &error)) {
        GST_INFO("no OpenGL context to keep warm: %s", error ? error->message : "unknown error");
        return;
    }
    GST_DEBUG("an OpenGL context is kept warm for the preview");
}

bool X11OpenGLWorks()
{
    KeepOpenGLWarm();
    std::lock_guard guard(warmUpLock);
    return warmContext != nullptr;
}

void ShareOpenGLDisplay(GstElement* pipeline)
{
    // A display without OpenGL is not handed on: the OpenGL elements would
    // fail on it as soon as they are linked, before the preview can choose
    // another sink.
    if (!X11OpenGLWorks())
        return;
    // A new display connection chooses its OpenGL configuration again, about
    // 40 ms with software rendering; the warm one has done so.
    GstGLDisplay* display = ProcessX11Display();
    GstContext* context = gst_context_new(GST_GL_DISPLAY_CONTEXT_TYPE, TRUE);
    gst_context_set_gl_display(context, display);
    gst_element_set_context(pipeline, context);
    gst_context_unref(context);
}

} // namespace vidcore
