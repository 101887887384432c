// SPDX-License-Identifier: LGPL-2.1-or-later
#include "recording_branch.h"

#include "debug_category.h"
#include "element_factory.h"
#include "h264_encoder.h"
#include "isolated_input.h"
#include "recording_format.h"
#include "timestamp_restamper.h"

#include <algorithm>
#include <cerrno>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vidcore {

namespace {

    constexpr const char* kMicrophoneName = "recording-microphone";

    GstElement* MakeCaps(GstElement* bin, GstCaps* caps, std::string* error)
    {
        g_autoptr(GstCaps) owned = caps;
        GstElement* filter = MakeElement(bin, "capsfilter", error);
        if (filter) {
            GST_DEBUG_OBJECT(bin, "%" GST_PTR_FORMAT " for %" GST_PTR_FORMAT, filter, owned);
            g_object_set(filter, "caps", owned, nullptr);
        }
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

    // A probe that reads the recording's counters, which it keeps alive as
    // long as it stays on the pad.
    void ProbeWithCounts(GstPad* pad, GstPadProbeType type, GstPadProbeCallback callback,
        const std::shared_ptr<RecordingCounts>& counts)
    {
        gst_pad_add_probe(pad, type, callback, new std::shared_ptr<RecordingCounts>(counts),
            [](gpointer data) { delete static_cast<std::shared_ptr<RecordingCounts>*>(data); });
    }

    // The running time of a buffer's start on `pad`, and of its end when it
    // has a duration.
    GstClockTime RunningTimeOn(GstPad* pad, GstBuffer* buffer, bool end)
    {
        GstClockTime stamp = GST_BUFFER_PTS(buffer);
        if (!GST_CLOCK_TIME_IS_VALID(stamp))
            return GST_CLOCK_TIME_NONE;
        if (end && GST_BUFFER_DURATION_IS_VALID(buffer))
            stamp += GST_BUFFER_DURATION(buffer);
        g_autoptr(GstEvent) event = gst_pad_get_sticky_event(pad, GST_EVENT_SEGMENT, 0);
        if (!event)
            return GST_CLOCK_TIME_NONE;
        const GstSegment* segment = nullptr;
        gst_event_parse_segment(event, &segment);
        if (segment->format != GST_FORMAT_TIME)
            return GST_CLOCK_TIME_NONE;
        return gst_segment_to_running_time(segment, GST_FORMAT_TIME, stamp);
    }

    // Stamps each frame offered to the branch, and follows the frame rate of
    // what is offered, for the stall watch (stall_watch.h).
    GstPadProbeReturn StampFrame(GstPad* pad, GstPadProbeInfo* info, gpointer data)
    {
        auto& counts = **static_cast<std::shared_ptr<RecordingCounts>*>(data);
        if (GST_PAD_PROBE_INFO_TYPE(info) & GST_PAD_PROBE_TYPE_BUFFER) {
            counts.lastVideoInUs.store(g_get_monotonic_time(), std::memory_order_relaxed);
            const GstClockTime end = RunningTimeOn(pad, GST_PAD_PROBE_INFO_BUFFER(info), true);
            if (GST_CLOCK_TIME_IS_VALID(end))
                counts.videoEnd.store(end, std::memory_order_relaxed);
            return GST_PAD_PROBE_OK;
        }
        GstEvent* event = GST_PAD_PROBE_INFO_EVENT(info);
        if (GST_EVENT_TYPE(event) != GST_EVENT_CAPS)
            return GST_PAD_PROBE_OK;
        GstCaps* caps = nullptr;
        gst_event_parse_caps(event, &caps);
        int num = 0;
        int den = 1;
        const int64_t period
            = CapsFrameRate(caps, &num, &den) ? gst_util_uint64_scale_int(G_USEC_PER_SEC, den, num) : 0;
        counts.videoPeriodUs.store(period, std::memory_order_relaxed);
        return GST_PAD_PROBE_OK;
    }

    // Sound recorded after the picture ended is no part of the clip.
    GstPadProbeReturn CutSound(GstPad* pad, GstPadProbeInfo* info, gpointer data)
    {
        auto& counts = **static_cast<std::shared_ptr<RecordingCounts>*>(data);
        const GstClockTime end = counts.soundEnd.load(std::memory_order_relaxed);
        if (!GST_CLOCK_TIME_IS_VALID(end))
            return GST_PAD_PROBE_OK;
        const GstClockTime start = RunningTimeOn(pad, GST_PAD_PROBE_INFO_BUFFER(info), false);
        return GST_CLOCK_TIME_IS_VALID(start) && start >= end ? GST_PAD_PROBE_DROP : GST_PAD_PROBE_OK;
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
        ProbeWithCounts(pad, GST_PAD_PROBE_TYPE_BUFFER, CountMuxed<counter>, counts);
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
        GstElement* queue; // not owned; the probes live no longer than its pads
        std::shared_ptr<RecordingCounts> counts;
        gint64 leftQueueAt = -1; // monotonic µs, the frame under way
        gint64 lastOutAt = -1;
        double secondsPerFrame = 0; // running average
        guint limit = kMaxBacklog;
    };

    Backlog& BacklogOf(gpointer data) { return **static_cast<std::shared_ptr<Backlog>*>(data); }

    GstPadProbeReturn FrameLeavesQueue(GstPad*, GstPadProbeInfo*, gpointer data)
    {
        Backlog& backlog = BacklogOf(data);
        // The frame before is done with: all its copies (the rate keeper may
        // repeat it) have reached the muxer.
        if (backlog.leftQueueAt >= 0 && backlog.lastOutAt >= backlog.leftQueueAt) {
            const double seconds = double(backlog.lastOutAt - backlog.leftQueueAt) / G_USEC_PER_SEC;
            backlog.secondsPerFrame
                = backlog.secondsPerFrame == 0 ? seconds : backlog.secondsPerFrame * 0.875 + seconds * 0.125;
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
        auto backlog = std::make_shared<Backlog>(Backlog { queue, counts });
        auto release = [](gpointer data) { delete static_cast<std::shared_ptr<Backlog>*>(data); };
        g_autoptr(GstPad) queueOut = gst_element_get_static_pad(queue, "src");
        gst_pad_add_probe(queueOut, GST_PAD_PROBE_TYPE_BUFFER, FrameLeavesQueue,
            new std::shared_ptr<Backlog>(backlog), release);
        gst_pad_add_probe(videoOut, GST_PAD_PROBE_TYPE_BUFFER, FrameReachesMuxer,
            new std::shared_ptr<Backlog>(backlog), release);
    }

    GstPadProbeReturn UnlinkAndEnd(GstPad* teePad, GstPadProbeInfo*, gpointer data)
    {
        auto* unlinked = static_cast<std::shared_ptr<std::atomic<bool>>*>(data);
        if ((*unlinked)->exchange(true))
            return GST_PAD_PROBE_REMOVE;
        g_autoptr(GstPad) input = gst_pad_get_peer(teePad);
        if (input) {
            GST_DEBUG_OBJECT(teePad, "cut off from the recording; end of stream sent into it");
            gst_pad_unlink(teePad, input);
            gst_pad_send_event(input, gst_event_new_eos());
        }
        return GST_PAD_PROBE_REMOVE;
    }

    // gst-libav 1.22's muxers are never freed once they have written data.
    // What the pipeline handed down to the muxer stays with it then: the
    // preview's OpenGL display among it, and with that display its X
    // connection, the driver's threads and megabytes of memory. The branch
    // takes it back once the muxer is done.
    void ForgetContexts(GstElement* element)
    {
        if (!element)
            return;
        GST_OBJECT_LOCK(element);
        GList* contexts = std::exchange(element->contexts, nullptr);
        GST_OBJECT_UNLOCK(element);
        g_list_free_full(contexts, reinterpret_cast<GDestroyNotify>(gst_context_unref));
    }

} // namespace

std::shared_ptr<ClipFile> ClipFile::Create(const std::string& path, std::string* error)
{
    // O_EXCL refuses any name that exists, a symbolic link too, dangling or
    // not, and O_NOFOLLOW sees that no link is ever followed. The umask gives
    // the permissions, as for any new file of the user's.
    int fd = -1;
    do
        fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    while (fd < 0 && errno == EINTR);
    if (fd >= 0) {
        GST_DEBUG("created %s, descriptor %d", path.c_str(), fd);
        return std::shared_ptr<ClipFile>(new ClipFile(path, fd));
    }
    const int reason = errno;
    struct stat info { };
    if (reason == ELOOP || (reason == EEXIST && ::lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode)))
        *error = "\"" + path + "\" is a symbolic link";
    else if (reason == EEXIST)
        *error = "\"" + path + "\" already exists";
    else
        *error = "cannot create \"" + path + "\": " + g_strerror(reason);
    GST_WARNING("%s", error->c_str());
    return nullptr;
}

ClipFile::~ClipFile()
{
    GST_DEBUG("closing %s, descriptor %d", path_.c_str(), fd_);
    // Linux releases the descriptor even when close() reports an error;
    // retrying could close another thread's new one.
    ::close(fd_);
}

bool ClipFile::Rewind() { return ::ftruncate(fd_, 0) == 0 && ::lseek(fd_, 0, SEEK_SET) == 0; }

void ClipFile::Discard()
{
    struct stat opened { };
    struct stat named { };
    if (::fstat(fd_, &opened) == 0 && ::lstat(path_.c_str(), &named) == 0 && opened.st_dev == named.st_dev
        && opened.st_ino == named.st_ino) {
        GST_DEBUG("removing %s: nothing was recorded into it", path_.c_str());
        ::unlink(path_.c_str());
    }
}

std::unique_ptr<RecordingBranch> RecordingBranch::Start(GstElement* pipeline, GstElement* tee,
    const RecordingOptions& options, std::shared_ptr<RecordingCounts> counts, std::string* error,
    const std::function<void(GstElement* bin)>& joining)
{
    std::unique_ptr<RecordingBranch> branch(new RecordingBranch);
    branch->pipeline_ = pipeline;
    branch->tee_ = tee;
    branch->bin_ = GstRef<GstElement>(GST_ELEMENT(gst_object_ref_sink(gst_bin_new("recording"))));
    GstElement* bin = branch->bin_.get();
    const RecordingType type = options.type;

    // Video: leaky queue, a steady frame rate (camera timestamps jitter and
    // the queue may drop; files want one frame per period), conversion to the
    // recording's fixed size (a format change during the recording is scaled
    // back), encoder, muxer.
    GstElement* queue = MakeElement(bin, "queue", error);
    GstElement* rate = MakeElement(bin, "videorate", error);
    GstElement* convert = MakeElement(bin, "videoconvert", error);
    GstElement* scale = MakeElement(bin, "videoscale", error);
    GstElement* muxer = MakeRecordingMuxer(bin, type, error);
    branch->muxer_ = muxer;
    GstElement* sink = MakeElement(bin, "fdsink", error);
    GstElement* encoder = MakeRecordingVideoEncoder(bin, type, options.width, options.height, error);
    if (!error->empty())
        return nullptr;
    const bool hardwareEncoder = IsHardwareH264Encoder(encoder);
    // VA-API's encoders write an H.264 byte stream, which the MP4 muxer takes
    // only through a parser; x264enc writes what it takes.
    GstElement* parser = hardwareEncoder ? MakeElement(bin, "h264parse", error) : nullptr;
    GstElement* size = MakeCaps(bin, RecordingVideoCaps(encoder, options.width, options.height), error);
    if (!error->empty())
        return nullptr;
    // The muxers seek back to complete their headers: the sink writes to a
    // regular file of the branch's own, from its start.
    branch->clip_ = options.clip ? options.clip : ClipFile::Create(options.file, error);
    if (!branch->clip_)
        return nullptr;
    if (!branch->clip_->Rewind()) {
        *error = "cannot write \"" + options.file + "\": " + g_strerror(errno);
        return nullptr;
    }
    MakeLeaky(queue, 60);
    // Frames start with the first one offered, not with the capture's start.
    g_object_set(rate, "skip-to-first", TRUE, nullptr);
    g_object_set(sink, "fd", branch->clip_->Descriptor(), "async", FALSE, nullptr);
    GstElement* videoTail = parser ? parser : encoder ? encoder : size;
    bool linked = gst_element_link_many(queue, rate, convert, scale, size, nullptr)
        && (!encoder || gst_element_link(size, encoder)) && (!parser || gst_element_link(encoder, parser))
        && gst_element_link_pads(videoTail, "src", muxer, "video_%u") && gst_element_link(muxer, sink);

    // Audio, when a device is chosen: its own live source inside the branch.
    GstElement* audioTail = nullptr;
    if (options.audio) {
        GstElement* source = CreateSourceElement(*options.audio, DeviceKind::Audio);
        if (!source) {
            *error = "the audio device \"" + options.audio->name + "\" cannot be opened";
            return nullptr;
        }
        gst_object_set_name(GST_OBJECT(source), kMicrophoneName);
        AddElement(bin, source);
        GstElement* aconvert = MakeElement(bin, "audioconvert", error);
        GstElement* resample = MakeElement(bin, "audioresample", error);
        GstElement* aqueue = MakeElement(bin, "queue", error);
        GstElement* aencoder = MakeRecordingAudioEncoder(bin, type, error);
        GstElement* format = MakeCaps(bin, RecordingAudioCaps(type), error);
        if (!error->empty())
            return nullptr;
        MakeLeaky(aqueue, 200);
        audioTail = aencoder ? aencoder : aqueue;
        linked = linked && gst_element_link_many(source, aconvert, resample, format, aqueue, nullptr)
            && (!aencoder || gst_element_link(aqueue, aencoder))
            && gst_element_link_pads(audioTail, "src", muxer, "audio_%u");
        branch->audioSource_ = source;
        g_autoptr(GstPad) audioOut = gst_element_get_static_pad(source, "src");
        if (audioOut)
            CountOn(audioOut, counts->audioIn, counts);
        // Where the sound leaves its queue, which holds seconds of it while the
        // muxer waits for frames; before the encoder, so that its times are
        // running times, as the frames' are where they enter.
        g_autoptr(GstPad) queued = gst_element_get_static_pad(aqueue, "src");
        ProbeWithCounts(queued, GST_PAD_PROBE_TYPE_BUFFER, CutSound, counts);
    }
    if (!linked) {
        *error = "the recording elements cannot be linked";
        return nullptr;
    }
    GST_DEBUG_OBJECT(bin, "linked video into %s%s", GST_ELEMENT_NAME(muxer), audioTail ? " and audio" : "");

    g_autoptr(GstPad) queueInput = gst_element_get_static_pad(queue, "sink");
    gst_pad_add_probe(queueInput, GST_PAD_PROBE_TYPE_QUERY_DOWNSTREAM, DropAllocationQuery, nullptr, nullptr);
    CountOn(queueInput, counts->videoIn, counts);
    ProbeWithCounts(queueInput,
        static_cast<GstPadProbeType>(GST_PAD_PROBE_TYPE_BUFFER | GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM),
        StampFrame, counts);
    // Whatever goes wrong inside the branch (a muxer that cannot write, a
    // stream it refuses) stays there, and the preview and frame grab go on.
    // Kept beyond the bin's own reference: the destructor unlinks it.
    branch->videoInput_ = GstRef<GstPad>::Borrow(AddIsolatedInput(bin, queueInput, "video"));

    auto origin = std::make_shared<RecordingOrigin>();
    g_autoptr(GstPad) videoOut = gst_element_get_static_pad(videoTail, "src");
    InstallRestamper(videoOut, origin, true);
    CountMuxedOn<&RecordingCounts::videoMuxed>(videoOut, counts);
    BoundBacklog(queue, videoOut, counts);
    if (audioTail) {
        g_autoptr(GstPad) audioOut = gst_element_get_static_pad(audioTail, "src");
        InstallRestamper(audioOut, origin, false);
        CountMuxedOn<&RecordingCounts::audioMuxed>(audioOut, counts);
    }

    // The muxer takes no new pads once running and a sink that prerolls would
    // knock the pipeline out of PLAYING: the whole bin is built and linked
    // before it starts, and only a running bin is fed.
    if (joining)
        joining(bin);
    gst_bin_add(GST_BIN(pipeline), bin);
    if (!gst_element_sync_state_with_parent(bin)
        || gst_element_get_state(bin, nullptr, nullptr, 0) == GST_STATE_CHANGE_FAILURE) {
        if (hardwareEncoder) {
            // The VA-API encoder passed its trial but fails here: x264 takes
            // over, for this recording and every later one.
            GiveUpHardwareH264Encoder();
            RecordingOptions again = options;
            again.clip = branch->clip_; // the same file, emptied for the new start
            branch.reset();
            error->clear();
            return Start(pipeline, tee, again, std::move(counts), error, joining);
        }
        *error = "cannot write \"" + options.file + "\"";
        return nullptr;
    }
    GST_DEBUG_OBJECT(bin, "running, writing %s", options.file.c_str());
    return branch;
}

bool RecordingBranch::Attach(std::string* error)
{
    teePad_ = GstRef<GstPad>(gst_element_request_pad_simple(tee_, "src_%u"));
    if (!teePad_ || gst_pad_link(teePad_.get(), videoInput_.get()) != GST_PAD_LINK_OK) {
        *error = "the recording cannot be attached to the capture";
        return false;
    }
    GST_DEBUG_OBJECT(teePad_.get(), "fed to the recording");
    return true;
}

void RecordingBranch::SendEndOfStream()
{
    if (teePad_ && !idleProbe_) {
        // The tee may be pushing right now; the branch is cut off between two
        // buffers, and only then told that its stream ended.
        idleProbe_ = gst_pad_add_probe(teePad_.get(), GST_PAD_PROBE_TYPE_IDLE, UnlinkAndEnd,
            new std::shared_ptr<std::atomic<bool>>(unlinked_),
            [](gpointer data) { delete static_cast<std::shared_ptr<std::atomic<bool>>*>(data); });
    }
    if (audioSource_) {
        GST_DEBUG_OBJECT(audioSource_, "end of stream sent to the microphone");
        gst_element_send_event(audioSource_, gst_event_new_eos());
    }
}

bool IsRecordingMicrophone(GstObject* object)
{
    g_autoptr(GstObject) item = object ? GST_OBJECT(gst_object_ref(object)) : nullptr;
    while (item) {
        // The name is read under the lock: it may be changed at any time.
        g_autofree gchar* name = gst_object_get_name(item);
        if (g_strcmp0(name, kMicrophoneName) == 0)
            return true;
        GstObject* parent = gst_object_get_parent(item);
        gst_object_unref(std::exchange(item, parent));
    }
    return false;
}

void EndRecordingMicrophone(GstElement* pipeline)
{
    g_autoptr(GstElement) microphone = gst_bin_get_by_name(GST_BIN(pipeline), kMicrophoneName);
    if (microphone) {
        GST_DEBUG_OBJECT(microphone, "the camera failed: the microphone ends too");
        gst_element_send_event(microphone, gst_event_new_eos());
    }
}

RecordingBranch::~RecordingBranch()
{
    if (teePad_) {
        if (!unlinked_->exchange(true)) {
            if (idleProbe_)
                gst_pad_remove_probe(teePad_.get(), idleProbe_);
            gst_pad_unlink(teePad_.get(), videoInput_.get());
        }
    }
    if (bin_) {
        gst_element_set_state(bin_.get(), GST_STATE_NULL);
        if (gst_object_has_as_parent(GST_OBJECT(bin_.get()), GST_OBJECT(pipeline_)))
            gst_bin_remove(GST_BIN(pipeline_), bin_.get());
        ForgetContexts(muxer_);
        bin_.reset();
    }
    if (teePad_)
        gst_element_release_request_pad(tee_, teePad_.get());
    // The sink has stopped writing: the file's descriptor may go now, if no
    // other start of the same recording still holds it.
    clip_.reset();
}

} // namespace vidcore
