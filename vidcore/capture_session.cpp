#include "capture_session.h"

#include "capture_format.h"
#include "gst_runtime.h"
#include "preview_sink.h"

#include <chrono>
#include <cstdlib>
#include <cstring>

namespace vidcore {

namespace {

constexpr int64_t kFirstFrameTimeoutMs = 5000;
constexpr int64_t kRecordingEndTimeoutMs = 10000;
constexpr int64_t kFirstRecordedFrameTimeoutMs = 2000;

GstPadProbeReturn CountBuffer(GstPad*, GstPadProbeInfo*, gpointer counter)
{
    static_cast<std::atomic<uint64_t>*>(counter)->fetch_add(1, std::memory_order_relaxed);
    return GST_PAD_PROBE_OK;
}

void CountBuffersOn(GstElement* element, const char* padName, std::atomic<uint64_t>& counter)
{
    if (GstPad* pad = gst_element_get_static_pad(element, padName)) {
        gst_pad_add_probe(pad, GST_PAD_PROBE_TYPE_BUFFER, CountBuffer, &counter, nullptr);
        gst_object_unref(pad);
    }
}

GstElement* Add(GstElement* pipeline, GstElement* element)
{
    if (element)
        gst_bin_add(GST_BIN(pipeline), element);
    return element;
}

GstElement* AddQueue(GstElement* pipeline)
{
    // A slow branch drops its oldest frames rather than holding up the tee.
    GstElement* queue = Add(pipeline, gst_element_factory_make("queue", nullptr));
    g_object_set(queue, "leaky", 2 /* downstream */, "max-size-buffers", 3u, "max-size-bytes", 0u, "max-size-time",
                 guint64(0), nullptr);
    return queue;
}

bool IsInRecording(GstObject* object)
{
    for (GstObject* item = object; item; item = GST_OBJECT_PARENT(item))
        if (GST_IS_BIN(item) && std::strcmp(GST_OBJECT_NAME(item), "recording") == 0)
            return true;
    return false;
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
    GstPad* pad = gst_element_get_static_pad(source, "src");
    if (!pad)
        return;
    auto* remaining = new std::atomic<int64_t>(std::atoll(value));
    gst_pad_add_probe(pad, GST_PAD_PROBE_TYPE_BUFFER, FailAfter, remaining,
                      [](gpointer data) { delete static_cast<std::atomic<int64_t>*>(data); });
    gst_object_unref(pad);
}

}  // namespace

std::unique_ptr<CaptureSession> CaptureSession::Open(const CaptureOptions& options, std::string* error)
{
    EnsureGstReady();
    std::unique_ptr<CaptureSession> session(new CaptureSession);
    if (!session->Build(options, error))
        return nullptr;
    if (gst_element_set_state(session->pipeline_, GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE) {
        *error = "the camera \"" + options.video.name + "\" cannot be started (busy or gone?)";
        return nullptr;
    }
    if (!session->WaitFor(&CaptureSession::HasFirstFrame, kFirstFrameTimeoutMs) || session->Failed()) {
        *error = "no picture from the camera \"" + options.video.name + "\"";
        return nullptr;
    }
    return session;
}

bool CaptureSession::Build(const CaptureOptions& options, std::string* error)
{
    video_ = options.video;
    audio_ = options.audio;
    width_ = options.width;
    height_ = options.height;
    window_ = options.window;

    GstElementFactory* frameSinkFactory = gst_element_factory_find(kFrameSinkFactory);
    if (!frameSinkFactory) {
        *error = std::string("the frame sink \"") + kFrameSinkFactory +
                 "\" is not installed (libgstsnapwell.so belongs in the plugins folder beside libvidcore.so)";
        return false;
    }
    GstElement* grabSink = gst_element_factory_create(frameSinkFactory, nullptr);
    gst_object_unref(frameSinkFactory);

    pipeline_ = GST_ELEMENT(gst_object_ref_sink(gst_pipeline_new("vidcore-capture")));
    // The recording branch's end-of-stream arrives as a forwarded message.
    g_object_set(pipeline_, "message-forward", TRUE, nullptr);
    GstBus* bus = gst_element_get_bus(pipeline_);
    gst_bus_set_sync_handler(bus, &CaptureSession::OnBusMessage, this, nullptr);
    gst_object_unref(bus);

    source_ = Add(pipeline_, CreateSourceElement(video_, DeviceKind::Video));
    if (!source_) {
        gst_object_unref(gst_object_ref_sink(grabSink));
        *error = "the camera \"" + video_.name + "\" cannot be opened";
        return false;
    }
    GstElement* head = source_;
    if (video_.IsSynthetic()) {
        InstallTestFailure(source_);
        balance_ = Add(pipeline_, gst_element_factory_make("videobalance", nullptr));
        gst_element_link(head, balance_);
        head = balance_;
    }
    CountBuffersOn(source_, "src", counts_.source);

    GstElement* convert = Add(pipeline_, gst_element_factory_make("videoconvert", nullptr));
    GstElement* scale = Add(pipeline_, gst_element_factory_make("videoscale", nullptr));
    captureFilter_ = Add(pipeline_, gst_element_factory_make("capsfilter", nullptr));
    RenegotiateCaptureSize(captureFilter_, width_, height_);
    tee_ = Add(pipeline_, gst_element_factory_make("tee", nullptr));
    g_object_set(tee_, "allow-not-linked", TRUE, nullptr);

    GstElement* previewQueue = AddQueue(pipeline_);
    GstElement* previewConvert = Add(pipeline_, gst_element_factory_make("videoconvert", nullptr));
    previewSink_ = Add(pipeline_, CreatePreviewSink(window_));

    // The frame sink takes the camera's own format and stores bottom-up BGR
    // rows itself, in one pass, and only while the application lets it copy.
    GstElement* grabQueue = AddQueue(pipeline_);
    Add(pipeline_, grabSink);

    if (!gst_element_link_many(head, convert, scale, captureFilter_, tee_, nullptr) ||
        !gst_element_link_many(tee_, previewQueue, previewConvert, previewSink_, nullptr) ||
        !gst_element_link_many(tee_, grabQueue, grabSink, nullptr)) {
        *error = "the capture pipeline cannot be linked";
        return false;
    }
    CountBuffersOn(previewSink_, "sink", counts_.preview);
    CountBuffersOn(grabSink, "sink", counts_.grab);
    GstPad* grabInput = gst_element_get_static_pad(grabSink, "sink");
    gst_pad_add_probe(
        grabInput, GST_PAD_PROBE_TYPE_BUFFER,
        [](GstPad*, GstPadProbeInfo*, gpointer self) {
            static_cast<CaptureSession*>(self)->Notify();
            return GST_PAD_PROBE_REMOVE;
        },
        this, nullptr);
    gst_object_unref(grabInput);
    return true;
}

CaptureSession::~CaptureSession()
{
    if (recording_)
        StopRecording();
    if (!pipeline_)
        return;
    gst_element_set_state(pipeline_, GST_STATE_NULL);
    GstBus* bus = gst_element_get_bus(pipeline_);
    gst_bus_set_sync_handler(bus, nullptr, nullptr, nullptr);
    gst_object_unref(bus);
    gst_object_unref(pipeline_);
}

void CaptureSession::SetCaptureSize(int width, int height)
{
    width_ = width;
    height_ = height;
    RenegotiateCaptureSize(captureFilter_, width, height);
}

bool CaptureSession::StartRecording(const std::string& file, RecordingType type, std::string* error)
{
    if (recording_)
        StopRecording();
    if (Failed()) {
        *error = "the camera \"" + video_.name + "\" has failed";
        return false;
    }
    {
        std::lock_guard lock(mutex_);
        recordingEnded_ = false;
        recordingFailed_ = false;
    }
    RecordingOptions options{file, type, width_, height_, audio_};
    recordingCounts_ = std::make_shared<RecordingCounts>();
    recordingCounts_->firstMuxed = [this] { Notify(); };
    recording_ = RecordingBranch::Start(pipeline_, tee_, options, recordingCounts_, error);
    return recording_ != nullptr;
}

void CaptureSession::StopRecording()
{
    if (!recording_)
        return;
    // A recording stopped at once has not yet carried a frame to its muxer,
    // which then knows no stream format and cannot write the file (and an
    // audio stream without data makes readers hang): give the first frame
    // and the first sound a moment to get there.
    WaitFor(&CaptureSession::RecordingHasFrame, kFirstRecordedFrameTimeoutMs);
    recording_->SendEndOfStream();
    if (!WaitFor(&CaptureSession::RecordingSettled, kRecordingEndTimeoutMs))
        g_printerr("vidcore: the recording did not end in time; its file may be incomplete\n");
    recording_.reset();
}

bool CaptureSession::Failed() const
{
    std::lock_guard lock(mutex_);
    return failed_;
}

void CaptureSession::PointPreviewAt(uintptr_t window)
{
    vidcore::PointPreviewAt(previewSink_, window);
}

bool CaptureSession::WaitFor(bool (CaptureSession::*condition)() const, int64_t timeoutMs)
{
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return (this->*condition)(); });
}

void CaptureSession::Notify()
{
    std::lock_guard lock(mutex_);
    changed_.notify_all();
}

void CaptureSession::HandleError(GstMessage* message)
{
    GError* error = nullptr;
    gst_message_parse_error(message, &error, nullptr);
    const bool fromRecording = IsInRecording(GST_MESSAGE_SRC(message));
    std::lock_guard lock(mutex_);
    if (fromRecording) {
        if (!recordingFailed_)
            g_printerr("vidcore: recording failed: %s\n", error->message);
        recordingFailed_ = true;
    } else {
        if (!failed_)
            g_printerr("vidcore: camera \"%s\" failed: %s\n", video_.name.c_str(), error->message);
        failed_ = true;
    }
    g_clear_error(&error);
    changed_.notify_all();
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
        std::lock_guard lock(self->mutex_);
        self->failed_ = true;
        self->changed_.notify_all();
        break;
    }
    case GST_MESSAGE_ELEMENT: {
        const GstStructure* structure = gst_message_get_structure(message);
        if (!structure || !gst_structure_has_name(structure, "GstBinForwarded"))
            break;
        GstMessage* inner = nullptr;
        gst_structure_get(structure, "message", GST_TYPE_MESSAGE, &inner, nullptr);
        if (inner && GST_MESSAGE_TYPE(inner) == GST_MESSAGE_EOS && IsInRecording(GST_MESSAGE_SRC(inner))) {
            std::lock_guard lock(self->mutex_);
            self->recordingEnded_ = true;
            self->changed_.notify_all();
        }
        if (inner)
            gst_message_unref(inner);
        break;
    }
    default:
        break;
    }
    // Nobody pops this bus: every message is handled here and dropped.
    return GST_BUS_DROP;
}

}  // namespace vidcore
