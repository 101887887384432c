// SPDX-License-Identifier: LGPL-2.1-or-later
#include "capture_session.h"

#include "capture_format.h"
#include "debug_category.h"
#include "element_factory.h"
#include "gl_warmup.h"
#include "gst_runtime.h"
#include "notices.h"
#include "preview_sink.h"
#include "source_format.h"

#include <chrono>
#include <cstdlib>
#include <cstring>

namespace vidcore {

namespace {

    constexpr int64_t kFirstFrameTimeoutMs = 5000;
    constexpr int64_t kRecordingEndTimeoutMs = 10000;
    constexpr int64_t kFirstRecordedFrameTimeoutMs = 2000;
    // A microphone delivers within tens of milliseconds or reports its failure;
    // past this the recording goes on and takes what comes.
    constexpr int64_t kFirstAudioTimeoutMs = 1000;

    GstPadProbeReturn CountBuffer(GstPad*, GstPadProbeInfo*, gpointer counter)
    {
        static_cast<std::atomic<uint64_t>*>(counter)->fetch_add(1, std::memory_order_relaxed);
        return GST_PAD_PROBE_OK;
    }

    void CountBuffersOn(GstElement* element, const char* padName, std::atomic<uint64_t>& counter)
    {
        g_autoptr(GstPad) pad = gst_element_get_static_pad(element, padName);
        if (pad)
            gst_pad_add_probe(pad, GST_PAD_PROBE_TYPE_BUFFER, CountBuffer, &counter, nullptr);
    }

    GstElement* AddQueue(GstElement* pipeline, std::string* error)
    {
        // A slow branch drops its oldest frames rather than holding up the tee.
        GstElement* queue = MakeElement(pipeline, "queue", error);
        if (queue)
            g_object_set(queue, "leaky", 2 /* downstream */, "max-size-buffers", 3u, "max-size-bytes", 0u,
                "max-size-time", guint64(0), nullptr);
        return queue;
    }

    // The object is `element` or inside it.
    bool IsWithin(GstObject* object, GstElement* element)
    {
        if (!object || !element)
            return false;
        return object == GST_OBJECT(element) || gst_object_has_as_ancestor(object, GST_OBJECT(element));
    }

    bool IsInRecording(GstObject* object, const GstRef<GstElement>& recording)
    {
        return IsWithin(object, recording.get());
    }

    // Base source's own "Internal data stream error": what was pushed
    // downstream came back as an error, so the source stopped.
    bool IsStreamingStopped(const GError* error, const gchar* debug)
    {
        return g_error_matches(error, GST_STREAM_ERROR, GST_STREAM_ERROR_FAILED) && debug
            && std::strstr(debug, "streaming stopped");
    }

    // Another program holds the camera: V4L2 says so as a busy resource, or as
    // an open that failed with EBUSY.
    bool IsBusyError(const GError* error, const gchar* debug)
    {
        if (g_error_matches(error, GST_RESOURCE_ERROR, GST_RESOURCE_ERROR_BUSY))
            return true;
        return error->domain == GST_RESOURCE_ERROR && debug && std::strstr(debug, "Device or resource busy");
    }

    // The formats the camera offers: as its provider lists them, or as its
    // source answers once open.
    GstCaps* OfferedCaps(const DeviceEntry& device, GstElement* source)
    {
        if (device.IsSynthetic())
            return nullptr;
        GstRef<GstCaps> caps(gst_device_get_caps(device.device.get()));
        if (caps && !gst_caps_is_any(caps.get()) && !gst_caps_is_empty(caps.get()))
            return caps.release();
        if (gst_element_set_state(source, GST_STATE_READY) == GST_STATE_CHANGE_FAILURE)
            return nullptr;
        g_autoptr(GstPad) pad = gst_element_get_static_pad(source, "src");
        return pad ? gst_pad_query_caps(pad, nullptr) : nullptr;
    }

    // Test hook: the synthetic camera fails like an unplugged camera after this
    // many frames (VIDCORE_TEST_CAMERA_FAIL_AFTER=N).
    GstPadProbeReturn FailAfter(GstPad*, GstPadProbeInfo* info, gpointer remaining)
    {
        auto* left = static_cast<std::atomic<int64_t>*>(remaining);
        if (left->fetch_sub(1) > 0)
            return GST_PAD_PROBE_OK;
        gst_buffer_unref(GST_PAD_PROBE_INFO_BUFFER(info));
        GST_PAD_PROBE_INFO_FLOW_RETURN(info) = GST_FLOW_ERROR;
        return GST_PAD_PROBE_HANDLED;
    }

    void InstallTestFailure(GstElement* source)
    {
        const char* value = std::getenv("VIDCORE_TEST_CAMERA_FAIL_AFTER");
        if (!value || !*value)
            return;
        g_autoptr(GstPad) pad = gst_element_get_static_pad(source, "src");
        if (!pad)
            return;
        auto* remaining = new std::atomic<int64_t>(std::atoll(value));
        gst_pad_add_probe(pad, GST_PAD_PROBE_TYPE_BUFFER, FailAfter, remaining,
            [](gpointer data) { delete static_cast<std::atomic<int64_t>*>(data); });
    }

} // namespace

std::unique_ptr<CaptureSession> CaptureSession::Open(
    const CaptureOptions& options, std::string* error, OpenFailure* failure)
{
    EnsureGstReady();
    OpenFailure ignored;
    OpenFailure& why = failure ? *failure : ignored;
    why = OpenFailure::Other;
    const uintptr_t target = options.previewTarget ? options.previewTarget : options.window;
    std::unique_ptr<CaptureSession> session;
    bool started = false;
    // A window sink that cannot start here (no GLX, no GL driver, no usable
    // visual) fails as the pipeline starts: the capture is built again with
    // the next one, down to none at all, and the camera is never blamed.
    for (;;) {
        session.reset(new CaptureSession);
        session->previewKind_ = PreviewHasWindow(target) ? PreviewSinkChoice() : PreviewSinkKind::None;
        if (!session->Build(options, error))
            return nullptr;
        started
            = gst_element_set_state(session->pipeline_.get(), GST_STATE_PLAYING) != GST_STATE_CHANGE_FAILURE;
        if (started)
            session->WaitFor(&CaptureSession::HasFirstFrame, kFirstFrameTimeoutMs);
        std::lock_guard lock(session->mutex_);
        if (!session->previewFailed_ || session->previewKind_ == PreviewSinkKind::None)
            break;
        GiveUpPreviewSink(session->previewKind_);
    }
    if (!started || session->counts_.grab.load() == 0 || session->Failed()) {
        std::lock_guard lock(session->mutex_);
        GST_INFO("no first frame within %lld ms (started: %d, busy: %d)",
            static_cast<long long>(kFirstFrameTimeoutMs), started, session->busy_);
        if (session->notCamera_) {
            why = OpenFailure::NotCamera;
            *error = "the capture of the camera \"" + options.video.name + "\" failed";
        } else if (session->busy_) {
            why = OpenFailure::Busy;
            *error = "the camera \"" + options.video.name + "\" is in use by another program";
        } else {
            *error = started ? "no picture from the camera \"" + options.video.name + "\""
                             : "the camera \"" + options.video.name + "\" cannot be started";
        }
        return nullptr;
    }
    {
        std::lock_guard lock(session->mutex_);
        session->opened_ = true;
    }
    GST_INFO("camera \"%s\" opened at %dx%d", options.video.name.c_str(), options.width, options.height);
    why = OpenFailure::None;
    return session;
}

bool CaptureSession::Build(const CaptureOptions& options, std::string* error)
{
    video_ = options.video;
    audio_ = options.audio;
    width_ = options.width;
    height_ = options.height;
    window_ = options.window;
    previewTarget_ = options.previewTarget;
    mirrored_ = options.mirrored;

    g_autoptr(GstElementFactory) frameSinkFactory = gst_element_factory_find(kFrameSinkFactory);
    if (!frameSinkFactory) {
        *error = std::string("the frame sink \"") + kFrameSinkFactory
            + "\" is not installed (libgstsnapwell.so belongs in the plugins folder beside libvidcore.so)";
        return false;
    }
    // Held here until the pipeline takes it: every way out below drops it.
    g_autoptr(GstElement) grabSink
        = GST_ELEMENT(gst_object_ref_sink(gst_element_factory_create(frameSinkFactory, nullptr)));
    if (!grabSink) {
        *error = std::string("the frame sink \"") + kFrameSinkFactory + "\" cannot be made";
        return false;
    }

    pipeline_ = GstRef<GstElement>(GST_ELEMENT(gst_object_ref_sink(gst_pipeline_new("vidcore-capture"))));
    GstElement* pipeline = pipeline_.get();
    // The recording branch's end-of-stream arrives as a forwarded message.
    g_object_set(pipeline, "message-forward", TRUE, nullptr);
    ShareOpenGLDisplay(pipeline);
    g_autoptr(GstBus) bus = gst_element_get_bus(pipeline);
    gst_bus_set_sync_handler(bus, &CaptureSession::OnBusMessage, this, nullptr);

    source_ = AddElement(pipeline, CreateSourceElement(video_, DeviceKind::Video));
    if (!source_) {
        *error = "the camera \"" + video_.name + "\" cannot be opened";
        return false;
    }
    GstElement* head = source_;
    TraceNegotiatedCaps(source_, "src", "the camera delivers");
    if (video_.IsSynthetic()) {
        GST_DEBUG("synthetic camera: its own format, no choice to make");
        InstallTestFailure(source_);
        balance_ = MakeElement(pipeline, "videobalance", error);
        if (!balance_ || !gst_element_link(head, balance_))
            return false;
        head = balance_;
    } else if (!BuildSourceFormat(&head, error)) {
        return false;
    }
    CountBuffersOn(source_, "src", counts_.source);

    // One pass from the camera's picture to the capture's: converted, scaled
    // with its shape kept (bars where it differs), in the limited range the
    // bars are black in.
    scale_ = MakeElement(pipeline, "videoconvertscale", error);
    captureFilter_ = MakeElement(pipeline, "capsfilter", error);
    tee_ = MakeElement(pipeline, "tee", error);
    preview_ = AddElement(pipeline, CreatePreviewBranch(PreviewTarget(), previewKind_, mirrored_, error));
    // The frame sink takes the camera's own format and stores bottom-up BGR
    // rows itself, in one pass, and only while the application lets it copy.
    GstElement* grabQueue = AddQueue(pipeline, error);
    // Copies from the first frame on, without waiting for the window sink's
    // first picture to bring the pipeline to PLAYING.
    g_object_set(grabSink, "async", FALSE, nullptr);
    AddElement(pipeline, grabSink);
    if (!error->empty())
        return false;
    RenegotiateCaptureSize(captureFilter_, width_, height_, sourceCaps_.get());
    g_object_set(tee_, "allow-not-linked", TRUE, nullptr);

    if (!gst_element_link_many(head, scale_, captureFilter_, tee_, nullptr)
        || !gst_element_link_many(tee_, preview_, nullptr)
        || !gst_element_link_many(tee_, grabQueue, grabSink, nullptr)) {
        *error = "the capture pipeline cannot be linked";
        return false;
    }
    GST_DEBUG_OBJECT(pipeline, "linked %s ! %s ! %s ! tee, tee ! %s, tee ! %s ! %s", GST_ELEMENT_NAME(head),
        GST_ELEMENT_NAME(scale_), GST_ELEMENT_NAME(captureFilter_), GST_ELEMENT_NAME(preview_),
        GST_ELEMENT_NAME(grabQueue), GST_ELEMENT_NAME(grabSink));
    TraceNegotiatedCaps(captureFilter_, "src", "the capture size");
    g_autoptr(GstElement) previewSink = PreviewSinkIn(preview_);
    CountBuffersOn(previewSink, "sink", counts_.preview);
    CountBuffersOn(grabSink, "sink", counts_.grab);
    NotifyOnFirstBuffer(grabSink);
    return true;
}

void CaptureSession::NotifyOnFirstBuffer(GstElement* element)
{
    const bool sink = GST_OBJECT_FLAG_IS_SET(element, GST_ELEMENT_FLAG_SINK);
    g_autoptr(GstPad) pad = gst_element_get_static_pad(element, sink ? "sink" : "src");
    if (!pad)
        return;
    gst_pad_add_probe(
        pad, GST_PAD_PROBE_TYPE_BUFFER,
        [](GstPad*, GstPadProbeInfo*, gpointer self) {
            static_cast<CaptureSession*>(self)->Notify();
            return GST_PAD_PROBE_REMOVE;
        },
        this, nullptr);
}

bool CaptureSession::BuildSourceFormat(GstElement** head, std::string* error)
{
    // The camera's own format, chosen from what it offers, is fixed right
    // behind it; MJPEG is decoded there.
    offeredCaps_ = GstRef<GstCaps>(OfferedCaps(video_, source_));
    sourceCaps_ = GstRef<GstCaps>(ChooseSourceCaps(offeredCaps_.get(), width_, height_));
    GST_DEBUG("camera \"%s\" offers %" GST_PTR_FORMAT, video_.name.c_str(), offeredCaps_.get());
    if (!sourceCaps_) {
        GST_INFO("camera \"%s\": no format to fix; it negotiates by itself", video_.name.c_str());
        return true;
    }
    g_autofree gchar* chosen = gst_caps_to_string(sourceCaps_.get());
    GST_INFO("camera \"%s\" captures %s for %dx%d", video_.name.c_str(), chosen, width_, height_);
    GstElement* pipeline = pipeline_.get();
    GstElement* format = MakeElement(pipeline, "capsfilter", error);
    if (!format)
        return false;
    g_object_set(format, "caps", sourceCaps_.get(), nullptr);
    if (!gst_element_link(*head, format)) {
        *error = "the camera \"" + video_.name + "\" does not deliver " + chosen;
        return false;
    }
    *head = format;
    if (!IsJpegCaps(sourceCaps_.get()))
        return true;
    // jpegparse completes the caps jpegdec wants; it is optional, and its
    // absence no error.
    if (GstElement* parse = AddElement(pipeline, gst_element_factory_make("jpegparse", nullptr))) {
        if (!gst_element_link(*head, parse))
            return false;
        *head = parse;
    }
    GstElement* decode = MakeElement(pipeline, "jpegdec", error);
    if (!decode || !gst_element_link(*head, decode))
        return false;
    GST_DEBUG_OBJECT(pipeline, "the camera's MJPEG is decoded by %s", GST_ELEMENT_NAME(decode));
    *head = decode;
    return true;
}

CaptureSession::~CaptureSession()
{
    if (recording_)
        StopRecording();
    if (!pipeline_)
        return;
    gst_element_set_state(pipeline_.get(), GST_STATE_NULL);
    g_autoptr(GstBus) bus = gst_element_get_bus(pipeline_.get());
    gst_bus_set_sync_handler(bus, nullptr, nullptr, nullptr);
}

bool CaptureSession::NeedsReopenFor(int width, int height) const
{
    if (!sourceCaps_)
        return false;
    g_autoptr(GstCaps) wanted = ChooseSourceCaps(offeredCaps_.get(), width, height);
    const bool differs = wanted && !gst_caps_is_equal(wanted, sourceCaps_.get());
    GST_DEBUG("%dx%d wants %" GST_PTR_FORMAT ", the camera captures %" GST_PTR_FORMAT, width, height, wanted,
        sourceCaps_.get());
    return differs;
}

void CaptureSession::SetCaptureSize(int width, int height)
{
    width_ = width;
    height_ = height;
    RenegotiateCaptureSizeBeforeNextFrame(scale_, captureFilter_, width, height, sourceCaps_.get());
    // The application resized the view for the new size first.
    RefitPreview(preview_);
}

bool CaptureSession::StartRecording(const std::string& file, RecordingType type, std::string* error)
{
    if (recording_)
        StopRecording();
    if (Failed()) {
        *error = "the camera \"" + video_.name + "\" has failed";
        return false;
    }
    GST_INFO("recording starts: %s (%s, %dx%d, microphone %s)", file.c_str(), RecordingTypeName(type), width_,
        height_, audio_ ? audio_->name.c_str() : "none");
    // Created once, for every attempt below; the branch that records keeps it
    // open until it is torn down.
    std::shared_ptr<ClipFile> clip = ClipFile::Create(file, error);
    if (!clip)
        return false;
    RecordingOptions options { file, type, width_, height_, audio_, clip };
    if (StartBranch(options, error)) {
        GST_INFO("recording started");
        return true;
    }
    bool started = false;
    if (options.audio) {
        // A microphone that is busy or fails costs the clip its sound, never
        // the clip: the recording starts with video only.
        GST_WARNING("recording without sound: %s", error->c_str());
        options.audio.reset();
        error->clear();
        started = StartBranch(options, error);
        if (started)
            GST_INFO("recording started without sound");
    }
    if (!started)
        clip->Discard(); // nothing records: no empty clip is left behind
    return started;
}

bool CaptureSession::WaitUntilRunning(std::string* error)
{
    // The sinks do not hold the pipeline back until their first frames, but
    // it may still be on its way to PLAYING. A branch added meanwhile is
    // carried along by that state change, and one that fails there (a busy
    // microphone) leaves the whole capture in PAUSED: the picture stops. The
    // branch joins a pipeline that is running. The state is what counts, not
    // the last result: a branch that failed and was removed leaves FAILURE
    // there while the capture runs on.
    GstState state = GST_STATE_VOID_PENDING;
    GstState pending = GST_STATE_VOID_PENDING;
    const GstStateChangeReturn result
        = gst_element_get_state(pipeline_.get(), &state, &pending, kFirstFrameTimeoutMs * GST_MSECOND);
    if (state == GST_STATE_PLAYING && pending == GST_STATE_VOID_PENDING)
        return true;
    GST_WARNING("the capture is not running (%s, %s pending %s)",
        gst_element_state_change_return_get_name(result), gst_element_state_get_name(state),
        gst_element_state_get_name(pending));
    *error = "the camera \"" + video_.name + "\" is not running";
    return false;
}

bool CaptureSession::StartBranch(const RecordingOptions& options, std::string* error)
{
    if (!WaitUntilRunning(error))
        return false;
    {
        std::lock_guard lock(mutex_);
        recordingEnded_ = false;
        recordingFailed_ = false;
        audioFailed_ = false;
        stopRequested_ = false;
    }
    recordingCounts_ = std::make_shared<RecordingCounts>();
    recordingCounts_->firstMuxed = [this] { Notify(); };
    // The branch's messages are told apart from the capture's from the moment
    // its bin joins the pipeline: a file that cannot be opened says so then.
    const auto joining = [this](GstElement* bin) {
        std::lock_guard lock(mutex_);
        recordingBin_ = GstRef<GstElement>::Borrow(bin);
    };
    recording_ = RecordingBranch::Start(pipeline_.get(), tee_, options, recordingCounts_, error, joining);
    if (!recording_) {
        DropRecording();
        return false;
    }
    if (recording_->HasAudio()) {
        NotifyOnFirstBuffer(recording_->Microphone());
        WaitFor(&CaptureSession::AudioSettled, kFirstAudioTimeoutMs);
        std::lock_guard lock(mutex_);
        if (audioFailed_) {
            *error = "the audio device \"" + options.audio->name + "\" failed";
        }
    }
    if (error->empty() && recording_->Attach(error)) {
        stallWatch_ = std::make_unique<StallWatch>(
            recordingCounts_, [this](int64_t silentUs) { RecordingStalled(silentUs); });
        return true;
    }
    DropRecording();
    return false;
}

bool CaptureSession::AudioSettled() const
{
    return audioFailed_ || (recordingCounts_ && recordingCounts_->audioIn.load() > 0);
}

void CaptureSession::StopRecording()
{
    if (!recording_)
        return;
    // From here on the branch is cut off from the camera on purpose.
    stallWatch_.reset();
    GST_INFO("recording stops: waiting up to %lld ms for its first frame",
        static_cast<long long>(kFirstRecordedFrameTimeoutMs));
    // A recording stopped at once has not yet carried a frame to its muxer,
    // which then knows no stream format and cannot write the file (and an
    // audio stream without data makes readers hang): give the first frame
    // and the first sound a moment to get there.
    WaitFor(&CaptureSession::RecordingHasFrame, kFirstRecordedFrameTimeoutMs);
    {
        std::lock_guard lock(mutex_);
        stopRequested_ = true;
    }
    recording_->SendEndOfStream();
    GST_DEBUG("end of stream sent; waiting up to %lld ms for the file to be completed",
        static_cast<long long>(kRecordingEndTimeoutMs));
    if (WaitFor(&CaptureSession::RecordingSettled, kRecordingEndTimeoutMs))
        GST_INFO("recording stopped");
    else
        GST_WARNING("the recording did not end in time; its file may be incomplete");
    DropRecording();
}

void CaptureSession::DropRecording()
{
    stallWatch_.reset();
    recording_.reset();
    std::lock_guard lock(mutex_);
    recordingBin_.reset();
}

void CaptureSession::RecordingStalled(int64_t silentUs)
{
    bool news = false;
    {
        std::lock_guard lock(mutex_);
        if (failed_ || stopRequested_ || recordingEnded_ || recordingFailed_)
            return;
        GST_ERROR("camera \"%s\" stalled: no frame for %lld ms while recording", video_.name.c_str(),
            static_cast<long long>(silentUs / 1000));
        news = opened_;
        failed_ = true;
        changed_.notify_all();
    }
    if (news)
        PostNotice(VidcoreNotice::CameraFailed);
    // As when the camera is unplugged: its stream ends, through every branch,
    // and the clip's sound with it; the muxer completes the file. The source
    // is woken from its wait for a frame that will not come, which blocks
    // until its streaming thread lets go: done off this thread, holding only
    // references, so the session may go meanwhile.
    gst_element_call_async(
        source_,
        [](GstElement* source, gpointer pipeline) {
            EndRecordingMicrophone(GST_ELEMENT(pipeline));
            GST_DEBUG_OBJECT(source, "end of stream sent to the stalled camera");
            gst_element_send_event(source, gst_event_new_eos());
        },
        gst_object_ref(pipeline_.get()), gst_object_unref);
}

GstRef<GstElement> CaptureSession::RecordingBin() const
{
    std::lock_guard lock(mutex_);
    return recordingBin_;
}

bool CaptureSession::Failed() const
{
    std::lock_guard lock(mutex_);
    return failed_;
}

void CaptureSession::PointPreviewAt(uintptr_t window)
{
    previewTarget_ = window == window_ ? 0 : window;
    vidcore::PointPreviewAt(preview_, window);
}

void CaptureSession::SetPreviewMirrored(bool mirrored)
{
    mirrored_ = mirrored;
    MirrorPreview(preview_, mirrored);
}

bool CaptureSession::WaitFor(bool (CaptureSession::*condition)() const, int64_t timeoutMs)
{
    std::unique_lock lock(mutex_);
    return changed_.wait_for(
        lock, std::chrono::milliseconds(timeoutMs), [&] { return (this->*condition)(); });
}

void CaptureSession::Notify()
{
    std::lock_guard lock(mutex_);
    changed_.notify_all();
}

void CaptureSession::HandleError(GstMessage* message)
{
    g_autoptr(GError) error = nullptr;
    g_autofree gchar* debug = nullptr;
    gst_message_parse_error(message, &error, &debug);
    GstObject* origin = GST_MESSAGE_SRC(message);
    const bool inRecording = IsInRecording(origin, RecordingBin());
    const bool fromSource = IsWithin(origin, source_);
    std::optional<VidcoreNotice> notice;
    bool endMicrophone = false;
    bool givePreviewUp = false;
    {
        std::lock_guard lock(mutex_);
        if (IsRecordingMicrophone(origin)) {
            // The microphone ended its stream with the error; the muxer goes
            // on with the video alone.
            if (!audioFailed_)
                GST_WARNING_OBJECT(
                    origin, "the microphone failed; recording goes on without sound: %s", error->message);
            audioFailed_ = true;
        } else if (inRecording) {
            if (!recordingFailed_) {
                GST_ERROR_OBJECT(origin, "recording failed: %s (%s)", error->message, debug ? debug : "");
                if (!stopRequested_)
                    notice = VidcoreNotice::RecordingFailed;
            }
            recordingFailed_ = true;
        } else if (IsWithin(origin, preview_)) {
            // The camera and the frame grab go on; the picture cannot be shown.
            if (!previewFailed_) {
                GST_WARNING_OBJECT(origin, "the preview failed: %s (%s)", error->message, debug ? debug : "");
                givePreviewUp = opened_;
            }
            previewFailed_ = true;
        } else if (!fromSource || (notCamera_ && IsStreamingStopped(error, debug))) {
            // A converter or the frame sink, or the source stopping because
            // of it: the capture stopped, but the camera is fine.
            if (!failed_)
                GST_ERROR_OBJECT(origin, "the capture of \"%s\" failed, not the camera: %s (%s)",
                    video_.name.c_str(), error->message, debug ? debug : "");
            endMicrophone = !failed_;
            notCamera_ = true;
            failed_ = true;
        } else {
            if (!failed_) {
                GST_ERROR_OBJECT(origin, "camera \"%s\" failed: %s (%s)", video_.name.c_str(), error->message,
                    debug ? debug : "");
                busy_ = IsBusyError(error, debug);
                if (opened_)
                    notice = VidcoreNotice::CameraFailed;
                // The clip ends where the picture did: its sound stops too.
                endMicrophone = true;
            }
            failed_ = true;
        }
        changed_.notify_all();
    }
    if (endMicrophone)
        EndRecordingMicrophone(pipeline_.get());
    // Later captures draw with the next sink.
    if (givePreviewUp)
        GiveUpPreviewSink(previewKind_);
    if (notice)
        PostNotice(*notice);
}

GstBusSyncReply CaptureSession::OnBusMessage(GstBus*, GstMessage* message, gpointer data)
{
    auto* self = static_cast<CaptureSession*>(data);
    switch (GST_MESSAGE_TYPE(message)) {
    case GST_MESSAGE_ERROR:
        self->HandleError(message);
        break;
    case GST_MESSAGE_EOS: {
        // Every branch ended: the camera stopped delivering.
        GST_INFO("end of stream: the camera stopped delivering");
        bool news = false;
        {
            std::lock_guard lock(self->mutex_);
            news = !self->failed_ && self->opened_;
            self->failed_ = true;
            self->changed_.notify_all();
        }
        if (news)
            PostNotice(VidcoreNotice::CameraFailed);
        break;
    }
    case GST_MESSAGE_ELEMENT: {
        const GstStructure* structure = gst_message_get_structure(message);
        if (!structure || !gst_structure_has_name(structure, "GstBinForwarded"))
            break;
        g_autoptr(GstMessage) inner = nullptr;
        gst_structure_get(structure, "message", GST_TYPE_MESSAGE, &inner, nullptr);
        if (inner && GST_MESSAGE_TYPE(inner) == GST_MESSAGE_EOS
            && IsInRecording(GST_MESSAGE_SRC(inner), self->RecordingBin())) {
            bool unasked = false;
            {
                std::lock_guard lock(self->mutex_);
                unasked = !self->stopRequested_ && !self->recordingEnded_;
                GST_DEBUG("the recording reached its end%s", unasked ? " without being asked" : "");
                self->recordingEnded_ = true;
                self->changed_.notify_all();
            }
            if (unasked)
                PostNotice(VidcoreNotice::RecordingEnded);
        }
        break;
    }
    default:
        break;
    }
    // Nobody pops this bus: every message is handled here and dropped, and a
    // handler that drops a message owns it.
    gst_message_unref(message);
    return GST_BUS_DROP;
}

} // namespace vidcore
