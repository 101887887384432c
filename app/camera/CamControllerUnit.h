// SPDX-License-Identifier: GPL-2.0-or-later
// TCamController: the application's only door to the camera. It drives the
// capture library (the AM_ functions) and turns the shared frame block into
// still pictures.
#pragma once

#include "camera/VideoFormatTable.h"

#include <QImage>
#include <QObject>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <stdexcept>

// Raised when the snapshot file just written cannot be read back as a picture.
class EPictureLoadError : public std::runtime_error {
public:
    explicit EPictureLoadError(const QString& fileName)
        : std::runtime_error("Cannot load the picture " + fileName.toStdString())
    {
    }
};

class TCamController : public QObject {
    Q_OBJECT
public:
    static constexpr int MaxVideoDevices = 101;
    // Recording types, as the capture library numbers them.
    static constexpr int32_t VideoTypeAvi = 0; // uncompressed AVI
    static constexpr int32_t VideoTypeAsf = 1;
    static constexpr int32_t VideoTypeMp4 = 2; // H.264 and AAC
    static constexpr int32_t VideoTypeWebM = 3; // VP8 and Opus

    TCamController();
    ~TCamController() override;

    // The windows the capture library tells what happens (the main window)
    // and draws into (the live view's panel), and the program's instance.
    void SetWindows(uintptr_t owner, uintptr_t view, uintptr_t instance = 0);
    bool OpenCaptureWindow();
    void CloseCaptureWindow();
    bool TakeSnapshot();
    bool SaveFrameAsBitmap(const QString& fileName);
    bool StartRecording(const QString& fileName);
    void StopRecording();
    // Ends whatever capture the library may still run from an earlier
    // opening, before the camera opens at start-up.
    void QuitCapture();
    void SetVideoFormat(uint8_t index);
    void ResetVideoFormat();
    // The default size, in the controller and the capture library alike,
    // for a camera opened again by itself.
    void ApplyDefaultVideoFormat();
    void SetVideoType(int32_t type);
    void ChooseVideoDevice(int32_t device);
    void ChooseAudioDevice(int32_t device);
    void EnumerateDevices();
    void ShowVideoSourceDialog(int32_t kind);
    void SetFullScreen(bool on, uintptr_t window);
    // Turns the live picture left to right (the view and full screen), now
    // and for every later opening; snapshots and recordings stay unturned.
    void SetPreviewMirror(bool on);

    // The folder whose Temp/ holds the snapshot file. Until it is set, the
    // current directory at the first snapshot is taken and kept.
    void SetBaseFolder(const QString& folder);
    QString SnapshotFileName();

    const QImage& SnapshotImage() const { return FSnapshotImage; }
    // The last snapshot had a frame but could not write it (a full disk).
    bool SnapshotWriteFailed() const { return FSnapshotWriteFailed; }
    uintptr_t ViewHandle() const { return FViewHandle; }
    bool WindowOpen() const { return FWindowOpen; }
    bool Recording() const { return FRecording; }
    uint8_t FormatIndex() const { return FFormatIndex; }
    const QStringList& VideoDevices() const { return FVideoDevices; }
    const QStringList& AudioDevices() const { return FAudioDevices; }
    int32_t VideoType() const { return FVideoType; }

signals:
    // What the capture library reports without being asked.
    void cameraLost(bool busy); // failed or unplugged, or another program holds it
    void recordingEnded(bool failed); // by itself: the disk, the camera, an error
    void devicesChanged();
    void displayFailed(); // the camera goes on without a picture

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QString FBaseFolder;
    QImage FSnapshotImage;
    bool FSnapshotWriteFailed = false;
    uintptr_t FViewHandle = 0;
    uintptr_t FOwnerHandle = 0;
    uintptr_t FInstanceHandle = 0;
    bool FWindowOpen = false;
    bool FRecording = false;
    uint8_t FFormatIndex = DefaultFormatIndex;
    QStringList FVideoDevices;
    QStringList FAudioDevices;
    int32_t FVideoType = VideoTypeAvi;
};

// The one controller of the application; null outside the span between
// CreateCamController and DestroyCamController, which the program's entry
// calls after the frame maps are created and before they are closed.
extern TCamController* CamController;
void CreateCamController();
void DestroyCamController();
