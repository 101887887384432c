// SPDX-License-Identifier: GPL-2.0-or-later
#include "camera/CamControllerUnit.h"

#include "camera/CameraLogging.h"
#include "camera/FrameBitmap.h"
#include "camera/SnapshotLoader.h"
#include "camera/Snapwell.h"
#include "core/Assertion.h"
#include "core/OwnTempFolder.h"
#include "core/WorkingFolder.h"
#include "filter/frameblock.h"
#include "vidcore/vidcore.h"
#include "vidcore/vidcore_notice.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <atomic>
#include <chrono>
#include <cstring>

TCamController* CamController = nullptr;

namespace {

using namespace std::chrono_literals;

// A frame copy takes a few milliseconds; past this the sink is not copying.
constexpr auto kSnapshotFrameWait = 200ms;
// Frames of a newly opened camera may take a while; past this none will come.
constexpr auto kRecordingFrameWait = 3s;

void SetGrabPermission(uint32_t* permission, uint32_t value) { frameblock::StoreWord(permission, 0, value); }

// Stops the sink from overwriting the pixel area for as long as it lives, and
// gives the permission back on every way out, an error included. A running
// recording keeps it: no frames are copied from its start to its end.
class TGrabPause {
public:
    TGrabPause(uint32_t* permission, bool recording)
        : FPermission(permission)
        , FRestored(recording ? 0 : 1)
    {
        SetGrabPermission(FPermission, 0);
        // The pause must reach the sink before FrameReady and the pixels are read.
        std::atomic_thread_fence(std::memory_order_seq_cst);
    }
    ~TGrabPause() { SetGrabPermission(FPermission, FRestored); }
    TGrabPause(const TGrabPause&) = delete;
    TGrabPause& operator=(const TGrabPause&) = delete;

private:
    uint32_t* FPermission;
    uint32_t FRestored;
};

} // namespace

TCamController::TCamController()
{
    // The library posts its notices to the main window, or before any
    // opening to the application: the controller takes them wherever they land.
    if (QCoreApplication* app = QCoreApplication::instance())
        app->installEventFilter(this);
}

TCamController::~TCamController()
{
    if (FWindowOpen) {
        AM_VidCapCloseWindow(FViewHandle);
        AM_VidCapDestroyWindow(FViewHandle);
    }
}

void TCamController::SetWindows(uintptr_t owner, uintptr_t view, uintptr_t instance)
{
    FOwnerHandle = owner;
    FViewHandle = view;
    FInstanceHandle = instance;
}

bool TCamController::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != VidcoreNoticeEvent::EventType)
        return QObject::eventFilter(watched, event);
    switch (static_cast<VidcoreNoticeEvent*>(event)->notice()) {
    case VidcoreNotice::CameraFailed:
        emit cameraLost(false);
        break;
    case VidcoreNotice::CameraBusy:
        emit cameraLost(true);
        break;
    case VidcoreNotice::RecordingEnded:
        emit recordingEnded(false);
        break;
    case VidcoreNotice::RecordingFailed:
        emit recordingEnded(true);
        break;
    case VidcoreNotice::DevicesChanged:
        emit devicesChanged();
        break;
    case VidcoreNotice::DisplayFailed:
        emit displayFailed();
        break;
    }
    return true;
}

bool TCamController::OpenCaptureWindow()
{
    GLIM_ASSERT(!FWindowOpen);
    if (AM_OpenCaptureWindow(FOwnerHandle, FViewHandle, FInstanceHandle))
        FWindowOpen = true;
    qCDebug(lcCamera, "capture %s", FWindowOpen ? "opened" : "failed to open");
    return FWindowOpen;
}

void TCamController::CloseCaptureWindow()
{
    if (FWindowOpen) {
        AM_VidCapCloseWindow(FViewHandle);
        AM_VidCapDestroyWindow(FViewHandle);
    }
    FWindowOpen = false;
}

bool TCamController::TakeSnapshot()
{
    const unsigned char* block = FrameBlock();
    uint32_t* permission = GrabPermission();
    if (!block || !permission) {
        qCDebug(lcCamera, "snapshot: no frame maps");
        return false;
    }
    TGrabPause pause(permission, FRecording);
    // A copy that began just before the pause may still be running.
    frameblock::WaitForFrameReady(block, kSnapshotFrameWait);
    const QString fileName = SnapshotFileName();
    FSnapshotWriteFailed = false;
    if (!SaveFrameAsBitmap(fileName)) {
        FSnapshotWriteFailed
            = FrameBitmapLayout(static_cast<int32_t>(frameblock::LoadWord(block, frameblock::kWidthOffset)),
                static_cast<int32_t>(frameblock::LoadWord(block, frameblock::kHeightOffset)),
                frameblock::LoadWord(block, frameblock::kBitCountOffset))
                  .has_value();
        return false;
    }
    QImage picture = LoadSnapshotPicture(fileName);
    if (picture.isNull())
        throw EPictureLoadError(fileName);
    FSnapshotImage = std::move(picture);
    return true;
}

bool TCamController::SaveFrameAsBitmap(const QString& fileName)
{
    return WriteFrameBitmap(FrameBlock(), fileName);
}

bool TCamController::StartRecording(const QString& fileName)
{
    const unsigned char* block = FrameBlock();
    uint32_t* permission = GrabPermission();
    if (!block || !permission) {
        qCDebug(lcCamera, "recording: no frame maps");
        return false;
    }
    // The recording's first frame must be complete before copying stops.
    if (!frameblock::WaitForFrameReady(block, kRecordingFrameWait)) {
        qCDebug(lcCamera, "recording: no complete frame in time");
        SetGrabPermission(permission, 1);
        return false;
    }
    SetGrabPermission(permission, 0);
    const QByteArray name = QFile::encodeName(fileName);
    AM_SetCaptureFile(FViewHandle, name.constData());
    if (AM_CaptureVideo(FViewHandle)) {
        qCDebug(lcCamera, "recording to %s", name.constData());
        FRecording = true;
        return true;
    }
    qCDebug(lcCamera, "recording to %s refused", name.constData());
    SetGrabPermission(permission, 1);
    return false;
}

void TCamController::StopRecording()
{
    if (FRecording) {
        AM_CaptureVideoQuit(FViewHandle);
        qCDebug(lcCamera, "recording stopped");
    }
    if (uint32_t* permission = GrabPermission())
        SetGrabPermission(permission, 1);
    FRecording = false;
}

void TCamController::QuitCapture() { AM_CaptureVideoQuit(FViewHandle); }

void TCamController::SetVideoFormat(uint8_t index)
{
    if (index == FFormatIndex || !IsVideoFormatIndex(index))
        return;
    AM_SetVideoFormat(VideoFormats[index].Width, VideoFormats[index].Height);
    FFormatIndex = index;
}

void TCamController::ResetVideoFormat() { FFormatIndex = DefaultFormatIndex; }

void TCamController::ApplyDefaultVideoFormat()
{
    FFormatIndex = DefaultFormatIndex;
    AM_SetVideoFormat(VideoFormats[DefaultFormatIndex].Width, VideoFormats[DefaultFormatIndex].Height);
}

void TCamController::SetVideoType(int32_t type)
{
    FVideoType = type;
    AM_SetVideoType(type);
}

void TCamController::ChooseVideoDevice(int32_t device) { AM_ChooseVideoDevice(device); }

void TCamController::ChooseAudioDevice(int32_t device) { AM_ChooseAudioDevice(device); }

namespace {

QString DeviceName(const char (&buffer)[256])
{
    return QString::fromLocal8Bit(buffer, static_cast<qsizetype>(::strnlen(buffer, sizeof buffer)));
}

} // namespace

void TCamController::EnumerateDevices()
{
    FVideoDevices.clear();
    FAudioDevices.clear();
    int32_t count = 0;
    AM_GetDeviceNum(&count);
    // The menu has room for MaxVideoDevices; further devices stay unlisted.
    for (int32_t n = 0; n < count && FVideoDevices.size() < MaxVideoDevices; ++n) {
        char name[256] = {};
        int32_t device = n;
        AM_GetDeviceList(name, &device);
        FVideoDevices.append(DeviceName(name));
    }
    count = 0;
    AM_GetAudioDeviceNum(&count);
    for (int32_t n = 0; n < count; ++n) {
        char name[256] = {};
        int32_t device = n;
        AM_GetAudioDeviceList(name, &device);
        FAudioDevices.append(DeviceName(name));
    }
    qCDebug(lcCamera) << "video devices" << FVideoDevices << "audio devices" << FAudioDevices;
}

void TCamController::ShowVideoSourceDialog(int32_t kind)
{
    if (kind == 0)
        AM_VideoSource(FOwnerHandle);
}

void TCamController::SetFullScreen(bool on, uintptr_t window) { AM_FullScreenMode(on ? 1 : 0, window); }

void TCamController::SetPreviewMirror(bool on) { AM_SetPreviewMirror(on ? 1 : 0); }

void TCamController::SetBaseFolder(const QString& folder) { FBaseFolder = folder; }

QString TCamController::SnapshotFileName()
{
    if (FBaseFolder.isEmpty())
        FBaseFolder = WorkingFolderPath();
    return OwnTempFolder(FBaseFolder) + QStringLiteral("/scb.bmp");
}

void CreateCamController()
{
    if (!CamController)
        CamController = new TCamController;
}

void DestroyCamController()
{
    delete CamController;
    CamController = nullptr;
}
