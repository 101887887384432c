// Makes a recording's streams start at zero. The libav encoders stamp their
// output far in the future (1000 hours), and the ASF muxer writes times as
// they come; rebasing every stream on the running time at which the
// recording started keeps audio and video together and the file's duration
// right.
#pragma once

#include <gst/gst.h>

namespace vidcore {

// Installs a probe on `pad` (an output feeding the muxer) that replaces the
// segment with a fresh TIME segment from 0 and sets each buffer's PTS/DTS to
// its running time minus `recordingStart`. Buffers from before the start are
// dropped.
void InstallRestamper(GstPad* pad, GstClockTime recordingStart);

}  // namespace vidcore
