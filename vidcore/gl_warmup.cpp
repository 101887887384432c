// SPDX-License-Identifier: LGPL-2.1-or-later
#include "gl_warmup.h"

#include "debug_category.h"

#include <gst/gl/gl.h>

#include <cstdlib>
#include <mutex>

namespace vidcore {

namespace {

    // Made once on the preloading thread, read by every opening.
    std::mutex warmLock;
    GstGLDisplay* warmDisplay = nullptr;
    GstGLContext* warmContext = nullptr;

} // namespace

void KeepOpenGLWarm()
{
    // The first context of a process loads and initialises the driver, and
    // with software rendering compiles its pipeline code: about 100 ms of a
    // capture's opening on a machine without a GPU. A context that stays
    // alive keeps that work done for every later opening.
    const char* display = std::getenv("DISPLAY");
    if (!display || !*display)
        return;
    {
        std::lock_guard guard(warmLock);
        if (warmContext)
            return;
    }
    g_autoptr(GstGLDisplay) glDisplay = gst_gl_display_new();
    GstGLContext* context = nullptr;
    g_autoptr(GError) error = nullptr;
    if (!glDisplay || !gst_gl_display_create_context(glDisplay, nullptr, &context, &error)) {
        GST_INFO("no OpenGL context to keep warm: %s", error ? error->message : "no display");
        return;
    }
    GST_DEBUG("an OpenGL context is kept warm for the preview");
    std::lock_guard guard(warmLock);
    warmDisplay = static_cast<GstGLDisplay*>(g_steal_pointer(&glDisplay));
    warmContext = context;
}

void ShareWarmOpenGLDisplay(GstElement* pipeline)
{
    // A new display connection chooses its OpenGL configuration again, about
    // 40 ms with software rendering; the warm one has done so.
    std::lock_guard guard(warmLock);
    if (!warmDisplay)
        return;
    GstContext* context = gst_context_new(GST_GL_DISPLAY_CONTEXT_TYPE, TRUE);
    gst_context_set_gl_display(context, warmDisplay);
    gst_element_set_context(pipeline, context);
    gst_context_unref(context);
}

} // namespace vidcore
