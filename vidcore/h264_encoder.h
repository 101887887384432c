// SPDX-License-Identifier: LGPL-2.1-or-later
// The H.264 encoder of MP4 recordings: VA-API's where one works on this
// machine, x264 otherwise. The choice is made once per process.
#pragma once

#include <gst/gst.h>

#include <string>

namespace vidcore {

// The factory name of the encoder chosen: "vah264enc", "vaapih264enc" or
// "x264enc". The first call tries the VA-API encoders on a few test frames.
const char* ChosenH264Encoder();

// The chosen encoder, set up for live recording at `bitsPerSecond`, added to
// `bin`; x264enc when the chosen one cannot be made. nullptr with `error`
// set when none is installed.
GstElement* MakeH264Encoder(GstElement* bin, int bitsPerSecond, std::string* error);

// True for a VA-API encoder: a recording whose VA-API encoder fails to start
// is tried again with x264.
bool IsHardwareH264Encoder(GstElement* encoder);

// Makes later recordings use x264enc; called when the VA-API encoder failed.
void GiveUpHardwareH264Encoder();

} // namespace vidcore
