// SPDX-License-Identifier: LGPL-2.1-or-later
#include "gst_runtime.h"

#include <gst/gst.h>

#include <dlfcn.h>

#include <mutex>
#include <string>

namespace vidcore {

namespace {

std::string PluginFolderBesideLibrary()
{
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&EnsureGstReady), &info) == 0 || !info.dli_fname)
        return {};
    std::string path = info.dli_fname;
    const auto slash = path.rfind('/');
    if (slash == std::string::npos)
        return "plugins";
    return path.substr(0, slash) + "/plugins";
}

}  // namespace

void EnsureGstReady()
{
    static std::once_flag once;
    std::call_once(once, [] {
        if (!gst_is_initialized())
            gst_init(nullptr, nullptr);
        const std::string folder = PluginFolderBesideLibrary();
        if (!folder.empty() && g_file_test(folder.c_str(), G_FILE_TEST_IS_DIR))
            gst_registry_scan_path(gst_registry_get(), folder.c_str());
    });
}

}  // namespace vidcore
