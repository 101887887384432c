// SPDX-License-Identifier: GPL-2.0-or-later
// TCamController: the application's only door to the camera. It drives the
// capture library (the AM_ functions) and turns the shared frame block into
// still pictures.
#pragma once

#include "camera/VideoFormatTable.h"

#include <QImage>
#include <QString>
#include <QStringList>

#include <array>
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

class TCamController {
public:
    static constexpr int MaxVideoDevices = 101;
    // Recording types, as the capture library numbers them.
    static constexpr int32_t VideoTypeAvi = 0; // uncompressed AVI
    static constexpr int32_t VideoTypeAsf = 1;
    static constexpr int32_t VideoTypeMp4 = 2; // H.264 and AAC
    static constexpr int32_t VideoTypeWebM = 3; // VP8 and Opus

    TCamController() = default;
    TCamController(const TCamController&) = delete;
    TCamController& operator=(const TCamController&) = delete;
    virtual ~TCamController();

    bool OpenCaptureWindow();
    void CloseCaptureWindow();
    bool TakeSnapshot();
    bool SaveFrameAsBitmap(const QString& fileName);
    bool StartRecording(const QString& fileName);
    void StopRecording();
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

    QImage SnapshotImage;
    // The last snapshot had a frame but could not write it (a full disk).
    bool SnapshotWriteFailed = false;
    uintptr_t ViewHandle = 0;
    uintptr_t OwnerHandle = 0;
    uintptr_t InstanceHandle = 0;
    bool WindowOpen = false;
    bool Recording = false;
    uint8_t FormatIndex = DefaultFormatIndex;
    QStringList VideoDevices;
    QStringList AudioDevices;
    int32_t VideoType = VideoTypeAvi;
    std::array<int32_t, MaxVideoDevices> VideoDeviceMap {};

private:
    QString FBaseFolder;
};

// The one controller of the application; null outside the span between
// CreateCamController and DestroyCamController, which the program's entry
// calls after the frame maps are created and before they are closed.
extern TCamController* CamController;
void CreateCamController();
void DestroyCamController();
