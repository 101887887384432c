// SPDX-License-Identifier: GPL-2.0-or-later
// Makes a whole file of a clip whose recording was cut off (the recording
// process killed, the power lost): its header still says the clip is empty
// and it has no index, or (MP4, WebM) its last fragment or cluster is torn
// and its length unknown. The packets are copied, not re-encoded, into the
// same container, whose muxer writes a true header and index:
//
//   filesrc ! asfdemux       ! queue ! avmux_asf ! filesink   (.wmv, .asf)
//   filesrc ! avidemux       ! queue ! avimux    ! filesink   (.avi)
//   filesrc ! qtdemux        ! queue ! mp4mux    ! filesink   (.mp4; index at the front)
//   filesrc ! matroskademux  ! queue ! webmmux   ! filesink   (.webm)
//
// The file is written beside the output under a temporary name and takes
// the output's name only when complete; an existing file is never replaced.
#pragma once

#include "gst_ref.h"

#include <gst/gst.h>

#include <atomic>
#include <string>

class TClipRepair {
public:
    TClipRepair(std::string input, std::string output);
    ~TClipRepair();
    TClipRepair(const TClipRepair&) = delete;
    TClipRepair& operator=(const TClipRepair&) = delete;

    // Copies the clip to its end. False, with the reason in Error(), when no
    // playable file came of it; nothing is then left at the output.
    bool Run();
    const std::string& Error() const { return FError; }
    // The failure may pass (no room, a folder that cannot be written): the
    // clip is worth trying again later.
    bool MayPass() const { return FMayPass; }

private:
    bool Build(const std::string& written);
    bool Copy();
    static void PadAdded(GstElement* demuxer, GstPad* pad, gpointer self);
    static GstPadProbeReturn MendTimes(GstPad* pad, GstPadProbeInfo* info, gpointer self);

    std::string FInput;
    std::string FOutput;
    std::string FError;
    bool FMayPass = false;
    vidcore::GstRef<GstElement> FPipeline;
    // Inside the pipeline.
    GstElement* FMuxer = nullptr;
    bool FHasVideo = false;
    bool FHasAudio = false;
    // Packets handed to the muxer, counted on the streaming threads.
    std::atomic<long> FVideoPackets { 0 };
};
