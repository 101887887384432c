// SPDX-License-Identifier: LGPL-2.1-or-later
#include "gst_runtime.h"

#include "debug_category.h"
#include "gl_warmup.h"
#include "orc_guard.h"

#include <gst/gst.h>

#include <dlfcn.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>

namespace vidcore {

namespace {

    std::string PluginFolderBesideLibrary()
    {
        Dl_info info {};
        if (dladdr(reinterpret_cast<void*>(&EnsureGstReady), &info) == 0 || !info.dli_fname)
            return {};
        std::string path = info.dli_fname;
        const auto slash = path.rfind('/');
        if (slash == std::string::npos)
            return "plugins";
        return path.substr(0, slash) + "/plugins";
    }

    // Loading a plugin the first time costs up to a few hundred milliseconds
    // (the encoders' one registers every codec of its library). The device
    // lists are asked for well before a capture opens, so the plugins a capture
    // and a recording use are loaded meanwhile, off the caller's thread.
    void PreloadCapturePlugins(const std::atomic<bool>& stop)
    {
        static constexpr const char* kFactories[] = {
            "v4l2src",
            "pipewiresrc",
            "pulsesrc",
            "alsasrc",
            "videotestsrc",
            "audiotestsrc",
            "timeoverlay",
            "videobalance",
            "capsfilter",
            "jpegparse",
            "jpegdec",
            "videoconvert",
            "videoscale",
            "tee",
            "queue",
            "glimagesink",
            "ximagesink",
            "fakesink",
            "videorate",
            "audioconvert",
            "audioresample",
            "fdsink",
            "Snapwell_Quillon",
            "avenc_wmv2",
            "avenc_wmav2",
            "avmux_asf",
            "avimux",
        };
        for (const char* name : kFactories) {
            if (stop)
                return;
            g_autoptr(GstElementFactory) factory = gst_element_factory_find(name);
            g_autoptr(GstPluginFeature) loaded
                = factory ? gst_plugin_feature_load(GST_PLUGIN_FEATURE(factory)) : nullptr;
        }
    }

    // The loading runs on a thread of its own that the process waits for at
    // exit: a plugin library opened while the process unloads its libraries can
    // abort it (libgomp's constructor asserts, for one).
    class Preloader {
    public:
        void Start()
        {
            thread_ = std::thread([this] {
                PreloadCapturePlugins(stop_);
                if (!stop_)
                    KeepOpenGLWarm();
            });
        }
        // Called on the main thread only: from the application's end, then
        // from the destructor, where it finds nothing left to wait for.
        void Finish()
        {
            stop_ = true;
            if (thread_.joinable())
                thread_.join();
        }
        ~Preloader() { Finish(); }

    private:
        std::atomic<bool> stop_ { false };
        std::thread thread_;
    };

    Preloader& ThePreloader()
    {
        static Preloader preloader;
        return preloader;
    }

} // namespace

void EnsureGstReady()
{
    static std::once_flag once;
    std::call_once(once, [] {
        const bool orcKeptOff = KeepOrcOffAFullRuntimeFolder();
        if (!gst_is_initialized())
            gst_init(nullptr, nullptr);
        // Registered now, so that GST_DEBUG names it before anything is logged.
        DebugCategory();
        if (orcKeptOff)
            GST_WARNING("the runtime folder is full: ORC runs its portable code (ORC_CODE=backup)");
        const std::string folder = PluginFolderBesideLibrary();
        if (!folder.empty() && g_file_test(folder.c_str(), G_FILE_TEST_IS_DIR)) {
            GST_INFO("plugins beside the library: %s", folder.c_str());
            gst_registry_scan_path(gst_registry_get(), folder.c_str());
        } else {
            GST_INFO("no plugins folder beside the library (%s)", folder.c_str());
        }
        ThePreloader().Start();
    });
}

void FinishPreloading() { ThePreloader().Finish(); }

} // namespace vidcore
