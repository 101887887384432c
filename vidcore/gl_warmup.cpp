// SPDX-License-Identifier: LGPL-2.1-or-later
#include "gl_warmup.h"

#include "debug_category.h"

#include <gst/gl/gl.h>

#include <cstdlib>

namespace vidcore {

void KeepOpenGLWarm()
{
    // The first context of a process loads and initialises the driver, and
    // with software rendering compiles its pipeline code: about 100 ms of a
    // capture's opening on a machine without a GPU. A context that stays
    // alive keeps that work done for every later opening.
    const char* display = std::getenv("DISPLAY");
    if (!display || !*display)
        return;
    static GstGLContext* warmContext = nullptr;
    if (warmContext)
        return;
    g_autoptr(GstGLDisplay) glDisplay = gst_gl_display_new();
    GstGLContext* context = nullptr;
    g_autoptr(GError) error = nullptr;
    if (!glDisplay || !gst_gl_display_create_context(glDisplay, nullptr, &context, &error)) {
        GST_INFO("no OpenGL context to keep warm: %s", error ? error->message : "no display");
        return;
    }
    GST_DEBUG("an OpenGL context is kept warm for the preview");
    warmContext = context;
}

} // namespace vidcore
