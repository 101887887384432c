// SPDX-License-Identifier: LGPL-2.1-or-later
#include "timestamp_restamper.h"

namespace vidcore {

namespace {

    struct Restamper {
        std::shared_ptr<RecordingOrigin> origin;
        bool setsOrigin;
        GstSegment segment;
        bool haveSegment = false;
    };

    GstClockTime RunningTime(const Restamper& state, GstClockTime stamp)
    {
        if (!GST_CLOCK_TIME_IS_VALID(stamp))
            return GST_CLOCK_TIME_NONE;
        return gst_segment_to_running_time(&state.segment, GST_FORMAT_TIME, stamp);
    }

    GstClockTime Rebased(GstClockTime running, GstClockTime start)
    {
        if (!GST_CLOCK_TIME_IS_VALID(running) || !GST_CLOCK_TIME_IS_VALID(start) || running < start)
            return GST_CLOCK_TIME_NONE;
        return running - start;
    }

    GstPadProbeReturn OnItem(GstPad*, GstPadProbeInfo* info, gpointer data)
    {
        auto* state = static_cast<Restamper*>(data);
        if (GST_PAD_PROBE_INFO_TYPE(info) & GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM) {
            GstEvent* event = GST_PAD_PROBE_INFO_EVENT(info);
            if (GST_EVENT_TYPE(event) != GST_EVENT_SEGMENT)
                return GST_PAD_PROBE_OK;
            const GstSegment* incoming = nullptr;
            gst_event_parse_segment(event, &incoming);
            if (incoming->format != GST_FORMAT_TIME)
                return GST_PAD_PROBE_OK;
            gst_segment_copy_into(incoming, &state->segment);
            state->haveSegment = true;
            GstSegment fresh;
            gst_segment_init(&fresh, GST_FORMAT_TIME);
            GstEvent* replacement = gst_event_new_segment(&fresh);
            gst_event_set_seqnum(replacement, gst_event_get_seqnum(event));
            gst_event_unref(event);
            GST_PAD_PROBE_INFO_DATA(info) = replacement;
            return GST_PAD_PROBE_OK;
        }
        if (!state->haveSegment)
            return GST_PAD_PROBE_DROP;
        GstBuffer* buffer = GST_PAD_PROBE_INFO_BUFFER(info);
        const GstClockTime running = RunningTime(*state, GST_BUFFER_PTS(buffer));
        GstClockTime start = state->origin->start.load();
        if (!GST_CLOCK_TIME_IS_VALID(start) && state->setsOrigin && GST_CLOCK_TIME_IS_VALID(running)) {
            state->origin->start.compare_exchange_strong(start, running);
            start = state->origin->start.load();
        }
        const GstClockTime pts = Rebased(running, start);
        if (!GST_CLOCK_TIME_IS_VALID(pts))
            return GST_PAD_PROBE_DROP;
        GstClockTime dts = Rebased(RunningTime(*state, GST_BUFFER_DTS(buffer)), start);
        if (!GST_CLOCK_TIME_IS_VALID(dts))
            dts = pts;
        buffer = gst_buffer_make_writable(buffer);
        GST_BUFFER_PTS(buffer) = pts;
        GST_BUFFER_DTS(buffer) = dts;
        GST_PAD_PROBE_INFO_DATA(info) = buffer;
        return GST_PAD_PROBE_OK;
    }

} // namespace

void InstallRestamper(GstPad* pad, std::shared_ptr<RecordingOrigin> origin, bool setsOrigin)
{
    auto* state = new Restamper { std::move(origin), setsOrigin, {}, false };
    gst_segment_init(&state->segment, GST_FORMAT_TIME);
    gst_pad_add_probe(pad,
        static_cast<GstPadProbeType>(GST_PAD_PROBE_TYPE_BUFFER | GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM), OnItem,
        state, [](gpointer data) { delete static_cast<Restamper*>(data); });
}

} // namespace vidcore
