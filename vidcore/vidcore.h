// SPDX-License-Identifier: LGPL-2.1-or-later
/* libvidcore: the capture library Glimview is linked against.
 *
 * Sixteen functions, named and ordered as the application calls them, and
 * AM_SetPreviewMirror for the mirrored live picture.
 * Window handles are X window ids (uintptr_t, 0 for none); Booleans are one
 * byte, nonzero meaning true; text is narrow, NUL-terminated.
 *
 * Environment: VIDCORE_TEST_DEVICES=1 appends a synthetic camera and a
 * synthetic microphone to the device lists.
 *   - "Vidcore Test Camera": live SMPTE colour bars at 30 fps scrolling
 *     sideways, the running time written in the bottom-left corner. Its top
 *     two thirds are seven colour bars without any black; its bottom quarter
 *     is the dark strip (largely black), so a picture flipped upside down is
 *     easy to tell. Its settings dialog adjusts brightness, contrast, hue and
 *     saturation.
 *   - "Vidcore Test Microphone": a live 440 Hz tone.
 * VIDCORE_TEST_CAMERA_FAIL_AFTER=N makes the synthetic camera fail like an
 * unplugged camera after N frames.
 *
 * The frame sink "Snapwell_Quillon" is loaded from the "plugins" folder next
 * to libvidcore.so (or GST_PLUGIN_PATH); without it no capture opens.
 * Problems are reported as one line on standard error, prefixed "vidcore:".
 */
#ifndef VIDCORE_H
#define VIDCORE_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef uintptr_t AM_HANDLE;
typedef uint8_t AM_BOOL;

#define VIDCORE_API __attribute__((visibility("default")))

/* Builds and starts the capture pipeline for the chosen video device; the
 * preview fills `view` (an X window; nothing is drawn without an X display).
 * True once frames reach the frame sink, within 5 s. The capture size is
 * 640x480 after a change of device, otherwise the last size set. */
VIDCORE_API AM_BOOL AM_OpenCaptureWindow(AM_HANDLE mainWindow, AM_HANDLE view, AM_HANDLE instance);
VIDCORE_API void AM_VidCapCloseWindow(AM_HANDLE view);
VIDCORE_API void AM_VidCapDestroyWindow(AM_HANDLE view);
/* The device's own settings dialog, owned by `mainWindow`; applied live,
 * non-modal. Needs a QApplication in the process. */
VIDCORE_API void AM_VideoSource(AM_HANDLE mainWindow);
/* One of 320x240, 640x480, 800x600, 1024x768, 1280x1024, 1600x1200; the
 * running capture renegotiates in place. Other sizes are refused. */
VIDCORE_API void AM_SetVideoFormat(int32_t width, int32_t height);
/* 0 = uncompressed AVI, 1 = ASF (WMV2 + WMA2), 2 = MP4 (H.264 + AAC),
 * 3 = WebM (VP8 + Opus). Other numbers are ignored. */
VIDCORE_API void AM_SetVideoType(int32_t type);
VIDCORE_API void AM_ChooseVideoDevice(int32_t device);
VIDCORE_API void AM_ChooseAudioDevice(int32_t device);
VIDCORE_API void AM_SetCaptureFile(AM_HANDLE view, const char* fileName);
/* Starts recording to the capture file while the preview goes on; false
 * when nothing is open, the camera failed or the file cannot be written. */
VIDCORE_API AM_BOOL AM_CaptureVideo(AM_HANDLE view);
/* Ends a running recording; returns once the file is complete. */
VIDCORE_API void AM_CaptureVideoQuit(AM_HANDLE view);
/* On: the preview moves to a screen-filling window whose left button and
 * key presses are posted to the Qt widget `messageWindow`. Needs a
 * QApplication. */
VIDCORE_API void AM_FullScreenMode(AM_BOOL on, AM_HANDLE messageWindow);
/* On: the live picture (the view and full screen) is turned left to right,
 * from now on and in every capture opened later. The frame block and
 * recordings stay as the camera sees the scene. Off until set. */
VIDCORE_API void AM_SetPreviewMirror(AM_BOOL on);
VIDCORE_API void AM_GetDeviceNum(int32_t* count);
/* `name` is a buffer of 256 characters. */
VIDCORE_API void AM_GetDeviceList(char* name, int32_t* device);
VIDCORE_API void AM_GetAudioDeviceNum(int32_t* count);
VIDCORE_API void AM_GetAudioDeviceList(char* name, int32_t* device);

#ifdef __cplusplus
}
#endif

#endif /* VIDCORE_H */
