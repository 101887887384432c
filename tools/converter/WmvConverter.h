// SPDX-License-Identifier: GPL-2.0-or-later
// Turns an AVI clip into a WMV file (WMV2 video, WMA2 audio, ASF) of the
// profile's size and bit rates, through a GStreamer pipeline:
//
//   filesrc ! decodebin ! videoconvert ! videoscale ! I420 ! avenc_wmv2 ! avmux_asf ! filesink
//                       ! audioconvert ! audioresample ! avenc_wmav2 ! (same muxer)
#pragma once

#include "ConvertProfile.h"
#include "gst_ref.h"

#include <gst/gst.h>

#include <functional>
#include <string>

class TWmvConverter {
public:
    // Called with the percentage done whenever it changes.
    using TProgress = std::function<void(int percent)>;

    TWmvConverter(std::string input, std::string output, TConvertProfile profile);
    ~TWmvConverter();
    TWmvConverter(const TWmvConverter&) = delete;
    TWmvConverter& operator=(const TWmvConverter&) = delete;

    // Runs the conversion to its end. False, with the reason in Error(), on failure.
    bool Run(const TProgress& progress);
    const std::string& Error() const { return FError; }

private:
    bool Discover();
    bool Build();
    static void PadAdded(GstElement* decoder, GstPad* pad, gpointer self);

    std::string FInput;
    std::string FOutput;
    TConvertProfile FProfile;
    std::string FError;
    bool FHasVideo = false;
    bool FHasAudio = false;
    GstClockTime FDuration = GST_CLOCK_TIME_NONE;
    vidcore::GstRef<GstElement> FPipeline;
    // Inside the pipeline.
    GstElement* FVideoHead = nullptr;
    GstElement* FAudioHead = nullptr;
};
