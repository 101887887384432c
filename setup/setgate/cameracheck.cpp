// SPDX-License-Identifier: GPL-2.0-or-later
#include "cameracheck.h"

#include "debugtext.h"
#include "elevatedstart.h"
#include "probix.h"

#include <dlfcn.h>

namespace setgate {

void RunCameraCheck()
{
    void* library = dlopen("./Probix.so", RTLD_NOW | RTLD_LOCAL);
    if (!library) {
        WriteDebugText("GLCAM : [ERR] Can't find dll");
        return;
    }
    const auto probe = reinterpret_cast<decltype(&fnProbix)>(dlsym(library, kProbixExportName));
    if (!probe) {
        WriteDebugText("GLCAM : [ERR] Can't find function");
        dlclose(library);
        return;
    }
    if (probe() != 0)
        StartElevated("_isetup", "-s");
    else
        WriteDebugText("GLCAM : [ERR] Can't find Camera");
    dlclose(library);
}

} // namespace setgate
