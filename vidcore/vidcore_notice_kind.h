// SPDX-License-Identifier: LGPL-2.1-or-later
/* The kinds of libvidcore's notices (vidcore_notice.h), without Qt. */
#ifndef VIDCORE_NOTICE_KIND_H
#define VIDCORE_NOTICE_KIND_H

enum class VidcoreNotice {
    CameraFailed = 1, // the open camera stopped delivering: an error or unplugged
    CameraBusy, // the chosen camera is held by another program; nothing opened
    RecordingEnded, // the recording's file was completed without being asked to stop
    RecordingFailed, // the recording's file could not be written (disk full, folder gone)
    DevicesChanged, // a camera or microphone came or went: list the devices again
    DisplayFailed, // no sink can show the picture on this display; the capture goes on (once a process)
};

#endif /* VIDCORE_NOTICE_KIND_H */
