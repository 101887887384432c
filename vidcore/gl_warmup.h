// SPDX-License-Identifier: LGPL-2.1-or-later
// Keeps one OpenGL context alive for the life of the process, so that the
// preview sink's own context is not the first one the driver makes.
#pragma once

namespace vidcore {

// Makes the context unless there is no X display or no OpenGL. Costs a few
// hundred milliseconds the first time: call it off the user's thread.
void KeepOpenGLWarm();

} // namespace vidcore
