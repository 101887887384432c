// SPDX-License-Identifier: GPL-2.0-or-later
// Records with the real capture library and its synthetic camera into the
// file it is given until it is killed: a recording cut off as a power loss
// cuts it, of any type: the uncompressed AVI the program's menus do not
// offer among them.
//
//   shell_cut_recorder FILE TYPE     (TYPE 0: AVI, 1: ASF, 2: MP4, 3: WebM)
//
// Prints "recording" once the clip is being written.
#include "vidcore.h"
#include "vidcore_test_support.h"

#include <cstdio>
#include <cstdlib>
#include <unistd.h>

int main(int argc, char** argv)
{
    if (argc != 3)
        return 2;
    vidcore_test::FrameMaps maps;
    int32_t videos = 0;
    int32_t audios = 0;
    AM_GetDeviceNum(&videos);
    AM_GetAudioDeviceNum(&audios);
    if (videos < 1 || audios < 1)
        return 1;
    AM_ChooseVideoDevice(videos - 1);
    AM_ChooseAudioDevice(audios - 1);
    AM_SetVideoFormat(640, 480);
    if (!AM_OpenCaptureWindow(0, 0, 0) || !maps.WaitForSize(640, 480))
        return 1;
    AM_SetVideoType(std::atoi(argv[2]));
    AM_SetCaptureFile(0, argv[1]);
    if (!AM_CaptureVideo(0))
        return 1;
    std::puts("recording");
    std::fflush(stdout);
    for (;;)
        ::pause();
}
