// SPDX-License-Identifier: GPL-2.0-or-later
#include "ClipRepair.h"

#include "element_factory.h"

#include <glib/gstdio.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A cut clip is read as fast as the disk allows; a copy that moves no packet
// on for this long has hung on a damaged file. A long clip on a slow disk
// takes as long as it takes, as long as it moves.
constexpr GstClockTime StallTimeout = 60 * GST_SECOND;
constexpr GstClockTime ProgressLook = GST_SECOND;
// The streams of a clip lie interleaved, but a demuxer that rebuilds a lost
// index may hand out seconds of one before the other: the queues hold by time.
constexpr guint64 BranchBufferTime = 10 * GST_SECOND;

bool EndsWith(const std::string& text, const char* tail)
{
    const std::size_t length = std::strlen(tail);
    if (text.size() < length)
        return false;
    for (std::size_t i = 0; i < length; ++i)
        if (g_ascii_tolower(text[text.size() - length + i]) != tail[i])
            return false;
    return true;
}

// Flushes a finished file to the disk, so that its name never stands for
// less than the whole copy.
bool SyncFile(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool synced = ::fsync(fd) == 0;
    ::close(fd);
    return synced;
}

// The half copy, for the signal handler: a copy ended by the program that
// started it leaves nothing behind.
char HalfCopy[4096];

void RemoveHalfCopy(int)
{
    if (HalfCopy[0])
        ::unlink(HalfCopy);
    ::_exit(1);
}

void RemoveHalfCopyOnSignals(const std::string& path)
{
    if (path.size() >= sizeof HalfCopy)
        return;
    std::memcpy(HalfCopy, path.c_str(), path.size() + 1);
    struct sigaction action { };
    action.sa_handler = RemoveHalfCopy;
    for (const int number : { SIGTERM, SIGINT, SIGHUP })
        ::sigaction(number, &action, nullptr);
}

struct Container {
    const char* demuxer;
    const char* muxer;
    bool libavMuxer;
    bool faststart;
};

// By the clip's extension, as the recording named it.
Container ContainerOf(const std::string& clip)
{
    if (EndsWith(clip, ".avi"))
        return { "avidemux", "avimux", false, false };
    if (EndsWith(clip, ".mp4"))
        return { "qtdemux", "mp4mux", false, true };
    if (EndsWith(clip, ".webm"))
        return { "matroskademux", "webmmux", false, false };
    return { "asfdemux", "avmux_asf", true, false };
}

} // namespace

TClipRepair::TClipRepair(std::string input, std::string output)
    : FInput(std::move(input))
    , FOutput(std::move(output))
{
}

TClipRepair::~TClipRepair()
{
    if (FPipeline)
        gst_element_set_state(FPipeline.get(), GST_STATE_NULL);
}

bool TClipRepair::Build(const std::string& written)
{
    const Container container = ContainerOf(FInput);
    FPipeline = vidcore::GstRef<GstElement>(GST_ELEMENT(gst_object_ref_sink(gst_pipeline_new("repair"))));
    GstElement* pipeline = FPipeline.get();
    std::string missing;
    GstElement* source = vidcore::MakeElement(pipeline, "filesrc", &missing);
    GstElement* demuxer = vidcore::MakeElement(pipeline, container.demuxer, &missing);
    FMuxer = container.libavMuxer ? vidcore::MakeLibavMuxer(pipeline, container.muxer, &missing)
                                  : vidcore::MakeElement(pipeline, container.muxer, &missing);
    GstElement* sink = vidcore::MakeElement(pipeline, "filesink", &missing);
    if (!missing.empty()) {
        FError = missing + " (gstreamer1.0-libav, -plugins-good, -plugins-ugly)";
        return false;
    }
    g_object_set(source, "location", FInput.c_str(), nullptr);
    g_object_set(sink, "location", written.c_str(), nullptr);
    // The repaired MP4 is an ordinary one, its index in front of the
    // packets: the muxer gathers them beside the copy meanwhile.
    if (container.faststart) {
        const std::string gathered = written + ".mdat";
        g_object_set(FMuxer, "faststart", TRUE, "faststart-file", gathered.c_str(), nullptr);
    }
    if (!gst_element_link(source, demuxer) || !gst_element_link(FMuxer, sink)) {
        FError = "cannot link the copy";
        return false;
    }
    g_signal_connect(demuxer, "pad-added", G_CALLBACK(&TClipRepair::PadAdded), this);
    return true;
}

// Each stream of the clip (the first video and the first audio) gets its own
// queue into the muxer. The demuxer announces its streams from the header,
// before any packet flows, so the muxer sees all of them from the start.
void TClipRepair::PadAdded(GstElement*, GstPad* pad, gpointer self)
{
    auto* repair = static_cast<TClipRepair*>(self);
    g_autofree gchar* name = gst_pad_get_name(pad);
    const bool video = g_str_has_prefix(name, "video_");
    const bool audio = g_str_has_prefix(name, "audio_");
    if ((!video && !audio) || (video && repair->FHasVideo) || (audio && repair->FHasAudio))
        return; // a stream the muxer would not take, or a second one of a kind
    GstElement* pipeline = repair->FPipeline.get();
    GstElement* queue = vidcore::MakeElement(pipeline, "queue", nullptr);
    if (!queue)
        return;
    g_object_set(
        queue, "max-size-buffers", 0u, "max-size-bytes", 0u, "max-size-time", BranchBufferTime, nullptr);
    if (!gst_element_link_pads(queue, "src", repair->FMuxer, video ? "video_%u" : "audio_%u")) {
        gst_bin_remove(GST_BIN(pipeline), queue);
        return;
    }
    gst_element_sync_state_with_parent(queue);
    g_autoptr(GstPad) input = gst_element_get_static_pad(queue, "sink");
    if (gst_pad_link(pad, input) != GST_PAD_LINK_OK)
        return;
    gst_pad_add_probe(
        pad, GST_PAD_PROBE_TYPE_BUFFER, &TClipRepair::MendTimes, video ? self : nullptr, nullptr);
    (video ? repair->FHasVideo : repair->FHasAudio) = true;
}

// The demuxers stamp packets with presentation times alone. The libav muxer
// takes a missing decoding time or duration for a huge number and writes a
// header duration of hours: packets of these codecs are decoded in the order
// shown, and a length of 0 leaves the muxer to measure the clip by its
// timestamps.
GstPadProbeReturn TClipRepair::MendTimes(GstPad*, GstPadProbeInfo* info, gpointer self)
{
    GstBuffer* buffer = GST_PAD_PROBE_INFO_BUFFER(info);
    if (!GST_BUFFER_DTS_IS_VALID(buffer) || !GST_BUFFER_DURATION_IS_VALID(buffer)) {
        buffer = gst_buffer_make_writable(buffer);
        if (!GST_BUFFER_DTS_IS_VALID(buffer))
            GST_BUFFER_DTS(buffer) = GST_BUFFER_PTS(buffer);
        if (!GST_BUFFER_DURATION_IS_VALID(buffer))
            GST_BUFFER_DURATION(buffer) = 0;
        GST_PAD_PROBE_INFO_DATA(info) = buffer;
    }
    if (self)
        ++static_cast<TClipRepair*>(self)->FVideoPackets;
    return GST_PAD_PROBE_OK;
}

bool TClipRepair::Copy()
{
    GstElement* pipeline = FPipeline.get();
    if (gst_element_set_state(pipeline, GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE) {
        FError = "cannot read " + FInput;
        return false;
    }
    g_autoptr(GstBus) bus = gst_element_get_bus(pipeline);
    GstMessage* message = nullptr;
    long packets = -1;
    for (GstClockTime still = 0; !message && still < StallTimeout;) {
        message = gst_bus_timed_pop_filtered(
            bus, ProgressLook, static_cast<GstMessageType>(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
        const long now = FVideoPackets.load();
        still = now == packets ? still + ProgressLook : 0;
        packets = now;
    }
    g_autoptr(GstMessage) ending = message;
    bool ended = false;
    if (!message) {
        FError = "the copy stalled";
    } else if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_ERROR) {
        g_autoptr(GError) error = nullptr;
        gst_message_parse_error(message, &error, nullptr);
        FError = error ? error->message : "the copy failed";
        // A copy that could not be written (a full disk, a folder that went)
        // may succeed later; one whose clip cannot be read never will.
        FMayPass = error && error->domain == GST_RESOURCE_ERROR
            && (error->code == GST_RESOURCE_ERROR_NO_SPACE_LEFT || error->code == GST_RESOURCE_ERROR_WRITE
                || error->code == GST_RESOURCE_ERROR_OPEN_WRITE);
    } else {
        ended = true;
    }
    gst_element_set_state(pipeline, GST_STATE_NULL);
    if (ended && (!FHasVideo || FVideoPackets.load() == 0)) {
        FError = FInput + " holds no video that can be read";
        return false;
    }
    return ended;
}

bool TClipRepair::Run()
{
    // Written under a name of its own beside the output, so that no one
    // sees a half copy under the real name and a failed one leaves nothing.
    std::string written = FOutput + ".XXXXXX";
    const int fd = ::mkostemp(written.data(), O_CLOEXEC);
    if (fd < 0) {
        FError = "cannot create a file beside " + FOutput + ": " + std::strerror(errno);
        FMayPass = true;
        return false;
    }
    // mkostemp makes the file private; a saved clip gets the user's usual mode.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd, 0666 & ~mask);
    ::close(fd);
    RemoveHalfCopyOnSignals(written);
    bool ok = Build(written) && Copy();
    if (ok && !SyncFile(written)) {
        FError = "cannot write " + written + ": " + std::strerror(errno);
        FMayPass = true;
        ok = false;
    }
    // The name is taken only while free: a file that appeared there
    // meanwhile is never replaced.
    if (ok && ::renameat2(AT_FDCWD, written.c_str(), AT_FDCWD, FOutput.c_str(), RENAME_NOREPLACE) != 0) {
        FError = "cannot name the copy " + FOutput + ": " + std::strerror(errno);
        FMayPass = true;
        ok = false;
    }
    if (!ok)
        ::unlink(written.c_str());
    HalfCopy[0] = '\0';
    return ok;
}
