// SPDX-License-Identifier: LGPL-2.1-or-later
// The exported functions. Each takes the library lock, so the
// application may call them from any thread; the capture work itself lives
// in CaptureSession.
#include "vidcore.h"

#include "capture_format.h"
#include "capture_session.h"
#include "debug_category.h"
#include "device_list.h"
#include "full_screen.h"
#include "gst_runtime.h"
#include "notice_delivery.h"
#include "notices.h"
#include "settings_dialog.h"

#include <QCoreApplication>

#include <cstring>
#include <malloc.h>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

using namespace vidcore;

namespace {

struct Library {
    std::mutex lock;
    std::vector<DeviceEntry> videoDevices;
    std::vector<DeviceEntry> audioDevices;
    bool videoListed = false;
    bool audioListed = false;
    int videoChoice = 0;
    int audioChoice = 0;
    std::string openedVideoKey; // the device of the last opening
    int width = kDefaultWidth;
    int height = kDefaultHeight;
    RecordingType recordingType = RecordingType::Avi;
    bool mirrored = false; // every preview from now on is turned left to right
    std::string captureFile;
    std::unique_ptr<CaptureSession> session;
};

Library& library()
{
    // Never destroyed: no teardown order at exit. Notices go to the Qt
    // application from the first call on.
    static Library* instance = [] {
        SetNoticeSink(&DeliverNotice);
        // The application's end comes before the process's exit handlers:
        // the plugin loading is over by then.
        if (QCoreApplication::instance())
            qAddPostRoutine(&FinishPreloading);
        return new Library;
    }();
    return *instance;
}

const std::vector<DeviceEntry>& Devices(Library& lib, DeviceKind kind)
{
    auto& listed = kind == DeviceKind::Video ? lib.videoListed : lib.audioListed;
    auto& list = kind == DeviceKind::Video ? lib.videoDevices : lib.audioDevices;
    if (!listed) {
        list = ListDevices(kind);
        listed = true;
    }
    return list;
}

const char* KindName(DeviceKind kind) { return kind == DeviceKind::Video ? "video" : "audio"; }

// Counting lists the devices afresh; names and choices use that listing.
void CountDevices(DeviceKind kind, int32_t* count)
{
    Library& lib = library();
    std::lock_guard guard(lib.lock);
    (kind == DeviceKind::Video ? lib.videoListed : lib.audioListed) = false;
    const auto& list = Devices(lib, kind);
    if (count)
        *count = int32_t(list.size());
}

void NameDevice(DeviceKind kind, char* name, int32_t* device)
{
    if (!name)
        return;
    name[0] = '\0';
    Library& lib = library();
    std::lock_guard guard(lib.lock);
    const auto& list = Devices(lib, kind);
    if (!device || *device < 0 || size_t(*device) >= list.size())
        return;
    const std::string& text = list[*device].name;
    const size_t length = std::min<size_t>(text.size(), 255);
    std::memcpy(name, text.data(), length);
    name[length] = '\0';
}

void ChooseDevice(DeviceKind kind, int32_t device)
{
    Library& lib = library();
    std::lock_guard guard(lib.lock);
    if (device < 0 || size_t(device) >= Devices(lib, kind).size()) {
        GST_WARNING("there is no %s device %d", KindName(kind), int(device));
        return;
    }
    GST_INFO("%s device %d chosen", KindName(kind), int(device));
    (kind == DeviceKind::Video ? lib.videoChoice : lib.audioChoice) = device;
}

void LeaveFullScreen(Library& lib)
{
    if (!FullScreenWindowOpen())
        return;
    if (lib.session)
        lib.session->PointPreviewAt(lib.session->Window());
    CloseFullScreenWindow();
}

// Ends the capture and gives its memory back. A capture's streaming and
// OpenGL threads are new threads each time, and glibc serves them from
// arenas of their own; what a closed capture freed there stays with the
// process unless it is trimmed, megabytes per reopening.
void DropSession(Library& lib)
{
    if (!lib.session)
        return;
    lib.session.reset();
    malloc_trim(0);
}

void CloseSession(Library& lib)
{
    if (lib.session) {
        GST_INFO("closing the capture of \"%s\"", lib.session->VideoDevice().name.c_str());
        lib.session->PointPreviewAt(lib.session->Window());
    }
    DropSession(lib);
    CloseFullScreenWindow();
}

// Opens the capture; a camera that cannot open is the application's news.
bool OpenSession(Library& lib, const CaptureOptions& options)
{
    std::string error;
    OpenFailure failure = OpenFailure::None;
    GST_INFO("opening \"%s\" at %dx%d, microphone %s", options.video.name.c_str(), options.width,
        options.height, options.audio ? ("\"" + options.audio->name + "\"").c_str() : "none");
    lib.session = CaptureSession::Open(options, &error, &failure);
    if (lib.session)
        return true;
    GST_ERROR("cannot open the capture: %s", error.c_str());
    // A failure after the source is the capture's own: no news of the camera.
    if (failure != OpenFailure::NotCamera)
        PostNotice(failure == OpenFailure::Busy ? VidcoreNotice::CameraBusy : VidcoreNotice::CameraFailed);
    return false;
}

} // namespace

extern "C" {

AM_BOOL AM_OpenCaptureWindow(AM_HANDLE mainWindow, AM_HANDLE view, AM_HANDLE)
{
    Library& lib = library();
    std::lock_guard guard(lib.lock);
    CloseSession(lib);
    SetNoticeWindow(mainWindow);
    const auto& videos = Devices(lib, DeviceKind::Video);
    if (lib.videoChoice < 0 || size_t(lib.videoChoice) >= videos.size()) {
        GST_WARNING("no video device to open");
        return 0;
    }
    if (videos[lib.videoChoice].key != lib.openedVideoKey) {
        GST_DEBUG("another camera than last time: back to %dx%d", kDefaultWidth, kDefaultHeight);
        lib.width = kDefaultWidth;
        lib.height = kDefaultHeight;
    }
    CaptureOptions options;
    options.video = videos[lib.videoChoice];
    const auto& audios = Devices(lib, DeviceKind::Audio);
    if (lib.audioChoice >= 0 && size_t(lib.audioChoice) < audios.size())
        options.audio = audios[lib.audioChoice];
    options.width = lib.width;
    options.height = lib.height;
    options.window = view;
    options.mirrored = lib.mirrored;
    if (!OpenSession(lib, options))
        return 0;
    lib.openedVideoKey = options.video.key;
    return 1;
}

void AM_VidCapCloseWindow(AM_HANDLE)
{
    Library& lib = library();
    std::lock_guard guard(lib.lock);
    CloseSession(lib);
}

void AM_VidCapDestroyWindow(AM_HANDLE)
{
    Library& lib = library();
    std::lock_guard guard(lib.lock);
    CloseSession(lib);
}

void AM_VideoSource(AM_HANDLE mainWindow)
{
    Library& lib = library();
    std::lock_guard guard(lib.lock);
    if (!lib.session) {
        GST_WARNING("no capture is open; no source settings to show");
        return;
    }
    const DeviceEntry& device = lib.session->VideoDevice();
    std::vector<SourceControl> controls;
    if (device.IsSynthetic())
        controls = BalanceControls(lib.session->Balance());
    else
        controls = V4l2Controls(DeviceNodePath(device));
    ShowSettingsDialog(mainWindow, device.name, std::move(controls));
}

void AM_SetVideoFormat(int32_t width, int32_t height)
{
    Library& lib = library();
    std::lock_guard guard(lib.lock);
    if (!IsCaptureSize(width, height)) {
        GST_WARNING("%dx%d is not a capture size", int(width), int(height));
        return;
    }
    lib.width = width;
    lib.height = height;
    if (!lib.session)
        return;
    if (lib.session->IsRecording() || !lib.session->NeedsReopenFor(width, height)) {
        GST_INFO("size %dx%d: the running capture is scaled%s", int(width), int(height),
            lib.session->IsRecording() ? " (recording)" : "");
        lib.session->SetCaptureSize(width, height);
        return;
    }
    GST_INFO("size %dx%d needs another camera format: reopening", int(width), int(height));
    // Another of the camera's formats: the capture opens anew on the same
    // devices, drawing where it drew.
    CaptureOptions options;
    options.video = lib.session->VideoDevice();
    options.audio = lib.session->AudioDevice();
    options.width = width;
    options.height = height;
    options.window = lib.session->Window();
    options.previewTarget = lib.session->PreviewTarget() == options.window ? 0 : lib.session->PreviewTarget();
    options.mirrored = lib.mirrored;
    DropSession(lib);
    OpenSession(lib, options);
}

void AM_SetVideoType(int32_t type)
{
    Library& lib = library();
    std::lock_guard guard(lib.lock);
    if (!RecordingTypeOf(type, &lib.recordingType))
        GST_WARNING("unknown video type %d", int(type));
}

void AM_ChooseVideoDevice(int32_t device) { ChooseDevice(DeviceKind::Video, device); }

void AM_ChooseAudioDevice(int32_t device) { ChooseDevice(DeviceKind::Audio, device); }

void AM_SetCaptureFile(AM_HANDLE, const char* fileName)
{
    Library& lib = library();
    std::lock_guard guard(lib.lock);
    lib.captureFile = fileName ? fileName : "";
}

AM_BOOL AM_CaptureVideo(AM_HANDLE)
{
    Library& lib = library();
    std::lock_guard guard(lib.lock);
    if (!lib.session) {
        GST_WARNING("no capture is open to record from");
        return 0;
    }
    if (lib.captureFile.empty()) {
        GST_WARNING("no capture file is set");
        return 0;
    }
    std::string error;
    if (!lib.session->StartRecording(lib.captureFile, lib.recordingType, &error)) {
        GST_ERROR("cannot record: %s", error.c_str());
        return 0;
    }
    return 1;
}

void AM_CaptureVideoQuit(AM_HANDLE)
{
    Library& lib = library();
    std::lock_guard guard(lib.lock);
    if (lib.session)
        lib.session->StopRecording();
}

void AM_FullScreenMode(AM_BOOL on, AM_HANDLE messageWindow)
{
    Library& lib = library();
    std::lock_guard guard(lib.lock);
    GST_INFO("full screen %s", on ? "on" : "off");
    if (!on) {
        LeaveFullScreen(lib);
        return;
    }
    const uintptr_t window = OpenFullScreenWindow(messageWindow);
    if (window && lib.session)
        lib.session->PointPreviewAt(window);
}

void AM_SetPreviewMirror(AM_BOOL on)
{
    Library& lib = library();
    std::lock_guard guard(lib.lock);
    lib.mirrored = on != 0;
    if (lib.session)
        lib.session->SetPreviewMirrored(lib.mirrored);
}

void AM_GetDeviceNum(int32_t* count) { CountDevices(DeviceKind::Video, count); }

void AM_GetDeviceList(char* name, int32_t* device) { NameDevice(DeviceKind::Video, name, device); }

void AM_GetAudioDeviceNum(int32_t* count) { CountDevices(DeviceKind::Audio, count); }

void AM_GetAudioDeviceList(char* name, int32_t* device) { NameDevice(DeviceKind::Audio, name, device); }

} // extern "C"
