// SPDX-License-Identifier: LGPL-2.1-or-later
// The recording file types: for each, the raw picture its encoder takes, the
// video and audio encoders and the muxer, made and set up for a live
// recording.
#pragma once

#include <gst/gst.h>

#include <string>

namespace vidcore {

// The numbers are those of AM_SetVideoType.
enum class RecordingType { Avi = 0, Asf = 1, Mp4 = 2, WebM = 3 };

// The type of AM_SetVideoType's number; false for an unknown number.
bool RecordingTypeOf(int number, RecordingType* type);
// "AVI", "ASF", "MP4", "WebM": for the log.
const char* RecordingTypeName(RecordingType type);

// The raw frames `encoder` (nullptr for the AVI's raw frames) takes, at the
// recording's fixed size.
GstCaps* RecordingVideoCaps(GstElement* encoder, int width, int height);
// The raw sound the audio encoder takes.
GstCaps* RecordingAudioCaps(RecordingType type);

// The elements of a type, added to `bin`. The encoders are nullptr for the
// uncompressed AVI, which takes raw frames and samples; otherwise nullptr
// with `error` set when the element is not installed.
GstElement* MakeRecordingVideoEncoder(
    GstElement* bin, RecordingType type, int width, int height, std::string* error);
GstElement* MakeRecordingAudioEncoder(GstElement* bin, RecordingType type, std::string* error);
GstElement* MakeRecordingMuxer(GstElement* bin, RecordingType type, std::string* error);

// The frame rate `caps` state, when they state a positive one.
bool CapsFrameRate(const GstCaps* caps, int* numerator, int* denominator);

} // namespace vidcore
