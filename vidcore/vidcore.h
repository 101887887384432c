/* libvidcore: the capture library Glimview is linked against.
 *
 * Sixteen functions, named and ordered as the application calls them.
 * Window handles are X window ids (uintptr_t, 0 for none); Booleans are one
 * byte, nonzero meaning true; text is narrow, NUL-terminated.
 *
 * Environment: VIDCORE_TEST_DEVICES=1 appends a synthetic camera and a
 * synthetic microphone to the device lists.
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
 * preview fills `view`. True once frames reach the grab branch. */
VIDCORE_API AM_BOOL AM_OpenCaptureWindow(AM_HANDLE mainWindow, AM_HANDLE view, AM_HANDLE instance);
VIDCORE_API void AM_VidCapCloseWindow(AM_HANDLE view);
VIDCORE_API void AM_VidCapDestroyWindow(AM_HANDLE view);
/* The device's own settings dialog, owned by `mainWindow`. */
VIDCORE_API void AM_VideoSource(AM_HANDLE mainWindow);
VIDCORE_API void AM_SetVideoFormat(int32_t width, int32_t height);
/* 0 = uncompressed AVI, 1 = ASF (WMV2 + WMA2). */
VIDCORE_API void AM_SetVideoType(int32_t type);
VIDCORE_API void AM_ChooseVideoDevice(int32_t device);
VIDCORE_API void AM_ChooseAudioDevice(int32_t device);
VIDCORE_API void AM_SetCaptureFile(AM_HANDLE view, const char* fileName);
VIDCORE_API AM_BOOL AM_CaptureVideo(AM_HANDLE view);
/* Ends a running recording; returns once the file is complete. */
VIDCORE_API void AM_CaptureVideoQuit(AM_HANDLE view);
VIDCORE_API void AM_FullScreenMode(AM_BOOL on, AM_HANDLE messageWindow);
VIDCORE_API void AM_GetDeviceNum(int32_t* count);
/* `name` is a buffer of 256 characters. */
VIDCORE_API void AM_GetDeviceList(char* name, int32_t* device);
VIDCORE_API void AM_GetAudioDeviceNum(int32_t* count);
VIDCORE_API void AM_GetAudioDeviceList(char* name, int32_t* device);

#ifdef __cplusplus
}
#endif

#endif /* VIDCORE_H */
