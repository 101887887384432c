// SPDX-License-Identifier: GPL-2.0-or-later
#include "RecordingVidcore.h"

#include "vidcore/vidcore.h"

#include <algorithm>
#include <cstring>

namespace recording_vidcore {
namespace {

    Script gScript;
    std::vector<std::string> gCalls;

    void Record(std::string call) { gCalls.push_back(std::move(call)); }

    std::string Args(std::initializer_list<long long> values)
    {
        std::string text = "(";
        for (const long long value : values) {
            if (text.size() > 1)
                text += ",";
            text += std::to_string(value);
        }
        return text + ")";
    }

    void CopyName(const std::vector<std::string>& names, char* buffer, int32_t device)
    {
        if (device < 0 || static_cast<std::size_t>(device) >= names.size())
            return;
        const std::string& name = names[static_cast<std::size_t>(device)];
        std::memcpy(buffer, name.data(), std::min<std::size_t>(name.size(), 256));
    }

} // namespace

void Reset(const Script& script)
{
    gScript = script;
    gCalls.clear();
}

const std::vector<std::string>& Calls() { return gCalls; }

} // namespace recording_vidcore

using namespace recording_vidcore;

extern "C" {

AM_BOOL AM_OpenCaptureWindow(AM_HANDLE mainWindow, AM_HANDLE view, AM_HANDLE instance)
{
    Record("AM_OpenCaptureWindow" + Args({ (long long)mainWindow, (long long)view, (long long)instance }));
    return gScript.openResult;
}
void AM_VidCapCloseWindow(AM_HANDLE view) { Record("AM_VidCapCloseWindow" + Args({ (long long)view })); }
void AM_VidCapDestroyWindow(AM_HANDLE view) { Record("AM_VidCapDestroyWindow" + Args({ (long long)view })); }
void AM_VideoSource(AM_HANDLE mainWindow) { Record("AM_VideoSource" + Args({ (long long)mainWindow })); }
void AM_SetVideoFormat(int32_t width, int32_t height)
{
    Record("AM_SetVideoFormat" + Args({ width, height }));
}
void AM_SetVideoType(int32_t type) { Record("AM_SetVideoType" + Args({ type })); }
void AM_ChooseVideoDevice(int32_t device) { Record("AM_ChooseVideoDevice" + Args({ device })); }
void AM_ChooseAudioDevice(int32_t device) { Record("AM_ChooseAudioDevice" + Args({ device })); }
void AM_SetCaptureFile(AM_HANDLE view, const char* fileName)
{
    Record("AM_SetCaptureFile(" + std::to_string(view) + "," + fileName + ")");
}
AM_BOOL AM_CaptureVideo(AM_HANDLE view)
{
    Record("AM_CaptureVideo" + Args({ (long long)view }));
    return gScript.captureResult;
}
void AM_CaptureVideoQuit(AM_HANDLE view) { Record("AM_CaptureVideoQuit" + Args({ (long long)view })); }
void AM_FullScreenMode(AM_BOOL on, AM_HANDLE messageWindow)
{
    Record("AM_FullScreenMode" + Args({ on, (long long)messageWindow }));
}
void AM_SetPreviewMirror(AM_BOOL on) { Record("AM_SetPreviewMirror" + Args({ on })); }
void AM_GetDeviceNum(int32_t* count)
{
    Record("AM_GetDeviceNum");
    *count = static_cast<int32_t>(gScript.videoDevices.size());
}
void AM_GetDeviceList(char* name, int32_t* device)
{
    Record("AM_GetDeviceList" + Args({ *device }));
    CopyName(gScript.videoDevices, name, *device);
}
void AM_GetAudioDeviceNum(int32_t* count)
{
    Record("AM_GetAudioDeviceNum");
    *count = static_cast<int32_t>(gScript.audioDevices.size());
}
void AM_GetAudioDeviceList(char* name, int32_t* device)
{
    Record("AM_GetAudioDeviceList" + Args({ *device }));
    CopyName(gScript.audioDevices, name, *device);
}

} // extern "C"
