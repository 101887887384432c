// SPDX-License-Identifier: LGPL-2.1-or-later
#include "recording_branch.h"

#include "debug_category.h"
#include "timestamp_restamper.h"

#include <algorithm>
#include <cstring>

namespace vidcore {

namespace {

constexpr const char* kMicrophoneName = "recording-microphone";

GstElement* Make(GstElement* bin, const char* factory, std::string* missing)
{
    GstElement* element = gst_element_factory_make(factory, nullptr);
    if (!element) {
        GST_ERROR("the GStreamer element \"%s\" is not installed", factory);
        *missing = factory;
        return nullptr;
    }
    GST_DEBUG_OBJECT(bin, "added %" GST_PTR_FORMAT, element);
    gst_bin_add(GST_BIN(bin), element);
    return element;
}

GstElement* MakeCaps(GstElement* bin, GstCaps* caps)
{
    GstElement* filter = gst_element_factory_make("capsfilter", nullptr);
    g_object_set(filter, "caps", caps, nullptr);
    GST_DEBUG_OBJECT(bin, "added %" GST_PTR_FORMAT " for %" GST_PTR_FORMAT, filter, caps);
    gst_caps_unref(caps);
    gst_bin_add(GST_BIN(bin), filter);
    return filter;
}

// A recording the machine cannot keep up with drops frames here instead of
// stalling the tee, and thereby the preview and the frame grab.
void MakeLeaky(GstElement* queue, guint maxBuffers)
{
    g_object_set(queue, "leaky", 2 /* downstream */, "max-size-buffers", maxBuffers, "max-size-bytes", 0u,
                 "max-size-time", guint64(0), nullptr);
}

// Allocation queries are serialised behind a full queue; the tee would wait
// for them and freeze every other branch.
GstPadProbeReturn DropAllocationQuery(GstPad*, GstPadProbeInfo* info, gpointer)
{
    GstQuery* query = GST_PAD_PROBE_INFO_QUERY(info);
    return GST_QUERY_TYPE(query) == GST_QUERY_ALLOCATION ? GST_PAD_PROBE_DROP : GST_PAD_PROBE_OK;
}

GstPadProbeReturn CountBuffer(GstPad*, GstPadProbeInfo*, gpointer counter)
{
    static_cast<std::atomic<uint64_t>*>(counter)->fetch_add(1, std::memory_order_relaxed);
    return GST_PAD_PROBE_OK;
}

void CountOn(GstPad* pad, std::atomic<uint64_t>& counter, const std::shared_ptr<RecordingCounts>& owner)
{
    // The pad may outlive the branch object; the probe keeps the counters.
    auto* keep = new std::shared_ptr<RecordingCounts>(owner);
    gst_pad_add_probe(pad, GST_PAD_PROBE_TYPE_BUFFER, CountBuffer, &counter, nullptr);
    g_object_set_data_full(G_OBJECT(pad), "vidcore-recording-counts", keep,
                           [](gpointer data) { delete static_cast<std::shared_ptr<RecordingCounts>*>(data); });
}

template <std::atomic<uint64_t> RecordingCounts::*counter>
GstPadProbeReturn CountMuxed(GstPad*, GstPadProbeInfo*, gpointer data)
{
    auto& counts = **static_cast<std::shared_ptr<RecordingCounts>*>(data);
    if ((counts.*counter).fetch_add(1, std::memory_order_relaxed) == 0 && counts.firstMuxed)
        counts.firstMuxed();
    return GST_PAD_PROBE_OK;
}

template <std::atomic<uint64_t> RecordingCounts::*counter>
void CountMuxedOn(GstPad* pad, const std::shared_ptr<RecordingCounts>& counts)
{
    gst_pad_add_probe(pad, GST_PAD_PROBE_TYPE_BUFFER, CountMuxed<counter>, new std::shared_ptr<RecordingCounts>(counts),
                      [](gpointer data) { delete static_cast<std::shared_ptr<RecordingCounts>*>(data); });
}

// A stop waits for every frame queued before it to be encoded: the queue is
// kept no deeper than the branch can work off within this time. The time a
// frame takes from leaving the queue to reaching the muxer is followed as it
// goes, so a small picture keeps a deep queue against hiccups and a large one,
// or a busy machine, a shallow one.
constexpr double kBacklogSeconds = 0.25;
constexpr guint kMaxBacklog = 60;
constexpr guint kMinBacklog = 2;

struct Backlog {
    GstElement* queue;  // not owned; the probes live no longer than its pads
    std::shared_ptr<RecordingCounts> counts;
    gint64 leftQueueAt = -1;  // monotonic µs, the frame under way
    gint64 lastOutAt = -1;
    double secondsPerFrame = 0;  // running average
    guint limit = kMaxBacklog;
};

Backlog& BacklogOf(gpointer data)
{
    return **static_cast<std::shared_ptr<Backlog>*>(data);
}

GstPadProbeReturn FrameLeavesQueue(GstPad*, GstPadProbeInfo*, gpointer data)
{
    Backlog& backlog = BacklogOf(data);
    // The frame before is done with: all its copies (the rate keeper may
    // repeat it) have reached the muxer.
    if (backlog.leftQueueAt >= 0 && backlog.lastOutAt >= backlog.leftQueueAt) {
        const double seconds = double(backlog.lastOutAt - backlog.leftQueueAt) / G_USEC_PER_SEC;
        backlog.secondsPerFrame =
            backlog.secondsPerFrame == 0 ? seconds : backlog.secondsPerFrame * 0.875 + seconds * 0.125;
        const double fits = kBacklogSeconds / std::max(backlog.secondsPerFrame, 1e-6);
        const guint limit = guint(std::clamp(fits, double(kMinBacklog), double(kMaxBacklog)));
        if (limit != backlog.limit) {
            GST_LOG_OBJECT(backlog.queue, "%.1f ms a frame: at most %u frames queued",
                backlog.secondsPerFrame * 1000, limit);
            backlog.limit = limit;
            g_object_set(backlog.queue, "max-size-buffers", limit, nullptr);
        }
    }
    backlog.leftQueueAt = g_get_monotonic_time();
    backlog.counts->videoQueuedOut.fetch_add(1, std::memory_order_relaxed);
    return GST_PAD_PROBE_OK;
}

GstPadProbeReturn FrameReachesMuxer(GstPad*, GstPadProbeInfo*, gpointer data)
{
    BacklogOf(data).lastOutAt = g_get_monotonic_time();
    return GST_PAD_PROBE_OK;
}

// Both probes run on the queue's streaming thread, which carries each frame
// through to the muxer.
void BoundBacklog(GstElement* queue, GstPad* videoOut, const std::shared_ptr<RecordingCounts>& counts)
{
    auto backlog = std::make_shared<Backlog>(Backlog{queue, counts});
    auto release = [](gpointer data) { delete static_cast<std::shared_ptr<Backlog>*>(data); };
    GstPad* queueOut = gst_element_get_static_pad(queue, "src");
    gst_pad_add_probe(queueOut, GST_PAD_PROBE_TYPE_BUFFER, FrameLeavesQueue, new std::shared_ptr<Backlog>(backlog),
                      release);
    gst_object_unref(queueOut);
    gst_pad_add_probe(videoOut, GST_PAD_PROBE_TYPE_BUFFER, FrameReachesMuxer, new std::shared_ptr<Backlog>(backlog),
                      release);
}

int VideoBitrate(int width, int height)
{
    // About 3 Mbit/s at 640x480, scaled with the picture area.
    const double bits = 3000000.0 * (double(width) * height) / (640.0 * 480.0);
    return int(std::clamp(bits, 1000000.0, 12000000.0));
}

// Whatever goes wrong inside the branch (a muxer that cannot write, a
// stream it refuses) stays there: the tee would otherwise hand the error to
// the camera's source and stop the preview and the frame grab with it. The
// branch's own failure reaches the bus as an error message.
GstFlowReturn ChainIsolated(GstPad* pad, GstObject* parent, GstBuffer* buffer)
{
    const GstFlowReturn result = gst_proxy_pad_chain_default(pad, parent, buffer);
    return result == GST_FLOW_FLUSHING ? result : GST_FLOW_OK;
}

GstFlowReturn ChainListIsolated(GstPad* pad, GstObject* parent, GstBufferList* list)
{
    const GstFlowReturn result = gst_proxy_pad_chain_list_default(pad, parent, list);
    return result == GST_FLOW_FLUSHING ? result : GST_FLOW_OK;
}

GstPadProbeReturn UnlinkAndEnd(GstPad* teePad, GstPadProbeInfo*, gpointer data)
{
    auto* unlinked = static_cast<std::shared_ptr<std::atomic<bool>>*>(data);
    if ((*unlinked)->exchange(true))
        return GST_PAD_PROBE_REMOVE;
    if (GstPad* input = gst_pad_get_peer(teePad)) {
        GST_DEBUG_OBJECT(teePad, "cut off from the recording; end of stream sent into it");
        gst_pad_unlink(teePad, input);
        gst_pad_send_event(input, gst_event_new_eos());
        gst_object_unref(input);
    }
    return GST_PAD_PROBE_REMOVE;
}

}  // namespace

std::unique_ptr<RecordingBranch> RecordingBranch::Start(GstElement* pipeline, GstElement* tee,
                                                        const RecordingOptions& options,
                                                        std::shared_ptr<RecordingCounts> counts, std::string* error)
{
    std::unique_ptr<RecordingBranch> branch(new RecordingBranch);
    branch->pipeline_ = pipeline;
    branch->tee_ = tee;
    GstElement* bin = branch->bin_ = GST_ELEMENT(gst_object_ref_sink(gst_bin_new("recording")));
    const bool asf = options.type == RecordingType::Asf;
    std::string missing;

    // Video: leaky queue, a steady frame rate (camera timestamps jitter and
    // the queue may drop; files want one frame per period), conversion to the
    // recording's fixed size (a format change during the recording is scaled
    // back), encoder, muxer.
    GstElement* queue = Make(bin, "queue", &missing);
    GstElement* rate = Make(bin, "videorate", &missing);
    GstElement* convert = Make(bin, "videoconvert", &missing);
    GstElement* scale = Make(bin, "videoscale", &missing);
    GstElement* muxer = Make(bin, asf ? "avmux_asf" : "avimux", &missing);
    GstElement* sink = Make(bin, "filesink", &missing);
    GstElement* encoder = asf ? Make(bin, "avenc_wmv2", &missing) : nullptr;
    if (!missing.empty()) {
        *error = "the GStreamer element \"" + missing + "\" is not installed";
        return nullptr;
    }
    MakeLeaky(queue, 60);
    // Frames start with the first one offered, not with the capture's start.
    g_object_set(rate, "skip-to-first", TRUE, nullptr);
    GstElement* size = MakeCaps(bin, gst_caps_new_simple("video/x-raw", "format", G_TYPE_STRING, asf ? "I420" : "BGR",
                                                          "width", G_TYPE_INT, options.width, "height", G_TYPE_INT,
                                                          options.height, "pixel-aspect-ratio", GST_TYPE_FRACTION, 1,
                                                          1, nullptr));
    g_object_set(sink, "location", options.file.c_str(), "async", FALSE, nullptr);
    GstElement* videoTail = size;
    if (encoder) {
        g_object_set(encoder, "bitrate", VideoBitrate(options.width, options.height), nullptr);
        videoTail = encoder;
    }
    bool linked = gst_element_link_many(queue, rate, convert, scale, size, nullptr) &&
                  (!encoder || gst_element_link(size, encoder)) &&
                  gst_element_link_pads(videoTail, "src", muxer, "video_%u") && gst_element_link(muxer, sink);

    // Audio, when a device is chosen: its own live source inside the branch.
    GstElement* audioTail = nullptr;
    if (options.audio) {
        GstElement* source = CreateSourceElement(*options.audio, DeviceKind::Audio);
        GstElement* aconvert = Make(bin, "audioconvert", &missing);
        GstElement* resample = Make(bin, "audioresample", &missing);
        GstElement* aqueue = Make(bin, "queue", &missing);
        GstElement* aencoder = asf ? Make(bin, "avenc_wmav2", &missing) : nullptr;
        if (!source || !missing.empty()) {
            if (source)
                gst_object_unref(gst_object_ref_sink(source));
            *error = source ? "the GStreamer element \"" + missing + "\" is not installed"
                            : "the audio device \"" + options.audio->name + "\" cannot be opened";
            return nullptr;
        }
        gst_object_set_name(GST_OBJECT(source), kMicrophoneName);
        gst_bin_add(GST_BIN(bin), source);
        MakeLeaky(aqueue, 200);
        GstCaps* caps = asf ? gst_caps_new_simple("audio/x-raw", "rate", G_TYPE_INT, 44100, "channels", G_TYPE_INT, 2,
                                                  nullptr)
                            : gst_caps_new_simple("audio/x-raw", "format", G_TYPE_STRING, "S16LE", "layout",
                                                  G_TYPE_STRING, "interleaved", "rate", G_TYPE_INT, 44100,
                                                  "channels", G_TYPE_INT, 2, nullptr);
        GstElement* format = MakeCaps(bin, caps);
        audioTail = aencoder ? aencoder : aqueue;
        if (aencoder)
            g_object_set(aencoder, "bitrate", 128000, nullptr);
        linked = linked && gst_element_link_many(source, aconvert, resample, format, aqueue, nullptr) &&
                 (!aencoder || gst_element_link(aqueue, aencoder)) &&
                 gst_element_link_pads(audioTail, "src", muxer, "audio_%u");
        branch->audioSource_ = source;
        GstPad* audioOut = gst_element_get_static_pad(source, "src");
        if (audioOut) {
            CountOn(audioOut, counts->audioIn, counts);
            gst_object_unref(audioOut);
        }
    }
    if (!linked) {
        *error = "the recording elements cannot be linked";
        return nullptr;
    }
    GST_DEBUG_OBJECT(bin, "linked video into %s%s", GST_ELEMENT_NAME(muxer), audioTail ? " and audio" : "");

    GstPad* queueInput = gst_element_get_static_pad(queue, "sink");
    branch->videoInput_ = gst_ghost_pad_new("video", queueInput);
    gst_pad_set_chain_function(branch->videoInput_, ChainIsolated);
    gst_pad_set_chain_list_function(branch->videoInput_, ChainListIsolated);
    gst_pad_add_probe(queueInput, GST_PAD_PROBE_TYPE_QUERY_DOWNSTREAM, DropAllocationQuery, nullptr, nullptr);
    CountOn(queueInput, counts->videoIn, counts);
    gst_object_unref(queueInput);
    gst_element_add_pad(bin, branch->videoInput_);
    gst_object_ref(branch->videoInput_);

    auto origin = std::make_shared<RecordingOrigin>();
    GstPad* videoOut = gst_element_get_static_pad(videoTail, "src");
    InstallRestamper(videoOut, origin, true);
    CountMuxedOn<&RecordingCounts::videoMuxed>(videoOut, counts);
    BoundBacklog(queue, videoOut, counts);
    gst_object_unref(videoOut);
    if (audioTail) {
        GstPad* audioOut = gst_element_get_static_pad(audioTail, "src");
        InstallRestamper(audioOut, origin, false);
        CountMuxedOn<&RecordingCounts::audioMuxed>(audioOut, counts);
        gst_object_unref(audioOut);
    }

    // The muxer takes no new pads once running and a sink that prerolls would
    // knock the pipeline out of PLAYING: the whole bin is built and linked
    // before it starts, and only a running bin is fed.
    gst_bin_add(GST_BIN(pipeline), bin);
    if (!gst_element_sync_state_with_parent(bin) ||
        gst_element_get_state(bin, nullptr, nullptr, 0) == GST_STATE_CHANGE_FAILURE) {
        *error = "cannot write \"" + options.file + "\"";
        return nullptr;
    }
    GST_DEBUG_OBJECT(bin, "running, writing %s", options.file.c_str());
    return branch;
}

bool RecordingBranch::Attach(std::string* error)
{
    teePad_ = gst_element_request_pad_simple(tee_, "src_%u");
    if (!teePad_ || gst_pad_link(teePad_, videoInput_) != GST_PAD_LINK_OK) {
        *error = "the recording cannot be attached to the capture";
        return false;
    }
    GST_DEBUG_OBJECT(teePad_, "fed to the recording");
    return true;
}

void RecordingBranch::SendEndOfStream()
{
    if (teePad_ && !idleProbe_) {
        // The tee may be pushing right now; the branch is cut off between two
        // buffers, and only then told that its stream ended.
        idleProbe_ = gst_pad_add_probe(teePad_, GST_PAD_PROBE_TYPE_IDLE, UnlinkAndEnd,
                                       new std::shared_ptr<std::atomic<bool>>(unlinked_), [](gpointer data) {
                                           delete static_cast<std::shared_ptr<std::atomic<bool>>*>(data);
                                       });
    }
    if (audioSource_) {
        GST_DEBUG_OBJECT(audioSource_, "end of stream sent to the microphone");
        gst_element_send_event(audioSource_, gst_event_new_eos());
    }
}

bool IsRecordingMicrophone(GstObject* object)
{
    GstObject* item = object ? GST_OBJECT(gst_object_ref(object)) : nullptr;
    while (item) {
        if (std::strcmp(GST_OBJECT_NAME(item), kMicrophoneName) == 0) {
            gst_object_unref(item);
            return true;
        }
        GstObject* parent = gst_object_get_parent(item);
        gst_object_unref(item);
        item = parent;
    }
    return false;
}

void EndRecordingMicrophone(GstElement* pipeline)
{
    if (GstElement* microphone = gst_bin_get_by_name(GST_BIN(pipeline), kMicrophoneName)) {
        GST_DEBUG_OBJECT(microphone, "the camera failed: the microphone ends too");
        gst_element_send_event(microphone, gst_event_new_eos());
        gst_object_unref(microphone);
    }
}

RecordingBranch::~RecordingBranch()
{
    if (teePad_) {
        if (!unlinked_->exchange(true)) {
            if (idleProbe_)
                gst_pad_remove_probe(teePad_, idleProbe_);
            gst_pad_unlink(teePad_, videoInput_);
        }
    }
    if (bin_) {
        gst_element_set_state(bin_, GST_STATE_NULL);
        if (GST_OBJECT_PARENT(bin_) == GST_OBJECT(pipeline_))
            gst_bin_remove(GST_BIN(pipeline_), bin_);
        gst_object_unref(bin_);
    }
    if (teePad_) {
        gst_element_release_request_pad(tee_, teePad_);
        gst_object_unref(teePad_);
    }
    if (videoInput_)
        gst_object_unref(videoInput_);
}

}  // namespace vidcore
