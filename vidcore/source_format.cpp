// SPDX-License-Identifier: LGPL-2.1-or-later
#include "source_format.h"

#include <gst/video/video.h>

#include <algorithm>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

namespace vidcore {

namespace {

    struct Rate {
        int num = 0;
        int den = 1;
        double Value() const { return den ? double(num) / den : 0.0; }
    };

    // One size at which one format is offered, with the best rate there.
    struct Offer {
        bool jpeg = false;
        std::string format; // raw only
        int width = 0;
        int height = 0;
        Rate rate;
    };

    // The highest rate up to kMaxFrameRate, or the lowest above it when every
    // rate is faster.
    std::optional<Rate> BestRate(const GValue* value)
    {
        if (!value) // no rate given: the source picks
            return Rate { 0, 1 };
        std::vector<Rate> rates;
        if (GST_VALUE_HOLDS_FRACTION(value)) {
            rates.push_back(
                { gst_value_get_fraction_numerator(value), gst_value_get_fraction_denominator(value) });
        } else if (GST_VALUE_HOLDS_LIST(value)) {
            for (guint i = 0; i < gst_value_list_get_size(value); ++i)
                if (auto rate = BestRate(gst_value_list_get_value(value, i)))
                    rates.push_back(*rate);
        } else if (GST_VALUE_HOLDS_FRACTION_RANGE(value)) {
            const GValue* low = gst_value_get_fraction_range_min(value);
            const GValue* high = gst_value_get_fraction_range_max(value);
            const Rate min { gst_value_get_fraction_numerator(low), gst_value_get_fraction_denominator(low) };
            const Rate max { gst_value_get_fraction_numerator(high),
                gst_value_get_fraction_denominator(high) };
            if (max.Value() <= kMaxFrameRate)
                rates.push_back(max);
            else if (min.Value() <= kMaxFrameRate)
                rates.push_back({ kMaxFrameRate, 1 });
            else
                rates.push_back(min);
        }
        std::optional<Rate> best;
        for (const Rate& rate : rates) {
            if (rate.Value() <= 0)
                continue;
            const bool inRange = rate.Value() <= kMaxFrameRate;
            if (!best)
                best = rate;
            else if (inRange && (best->Value() > kMaxFrameRate || rate.Value() > best->Value()))
                best = rate;
            else if (!inRange && best->Value() > kMaxFrameRate && rate.Value() < best->Value())
                best = rate;
        }
        return best;
    }

    // The sizes a width or height field allows, as seen from the requested one:
    // the value itself, or for a range the requested value when inside it and
    // the range's ends otherwise.
    std::vector<int> Dimensions(const GValue* value, int wanted)
    {
        std::vector<int> result;
        if (!value)
            return result;
        if (G_VALUE_HOLDS_INT(value)) {
            result.push_back(g_value_get_int(value));
        } else if (GST_VALUE_HOLDS_INT_RANGE(value)) {
            const int low = gst_value_get_int_range_min(value);
            const int high = gst_value_get_int_range_max(value);
            const int step = std::max(1, gst_value_get_int_range_step(value));
            if (wanted >= low && wanted <= high && (wanted - low) % step == 0)
                result.push_back(wanted);
            else
                result.push_back(high);
        } else if (GST_VALUE_HOLDS_LIST(value)) {
            for (guint i = 0; i < gst_value_list_get_size(value); ++i) {
                auto more = Dimensions(gst_value_list_get_value(value, i), wanted);
                result.insert(result.end(), more.begin(), more.end());
            }
        }
        return result;
    }

    std::vector<std::string> RawFormats(const GValue* value)
    {
        std::vector<std::string> formats;
        if (!value)
            return formats;
        if (G_VALUE_HOLDS_STRING(value)) {
            const char* name = g_value_get_string(value);
            if (gst_video_format_from_string(name) != GST_VIDEO_FORMAT_UNKNOWN)
                formats.emplace_back(name);
        } else if (GST_VALUE_HOLDS_LIST(value)) {
            for (guint i = 0; i < gst_value_list_get_size(value); ++i) {
                auto more = RawFormats(gst_value_list_get_value(value, i));
                formats.insert(formats.end(), more.begin(), more.end());
            }
        }
        return formats;
    }

    std::vector<Offer> OffersIn(const GstCaps* caps, int width, int height)
    {
        std::vector<Offer> offers;
        for (guint i = 0; i < gst_caps_get_size(caps); ++i) {
            const GstStructure* s = gst_caps_get_structure(caps, i);
            const bool jpeg = gst_structure_has_name(s, "image/jpeg");
            if (!jpeg && !gst_structure_has_name(s, "video/x-raw"))
                continue;
            // Raw video in system memory only: other memory needs other elements.
            GstCapsFeatures* features = gst_caps_get_features(caps, i);
            if (features && !gst_caps_features_is_any(features)
                && !gst_caps_features_contains(features, GST_CAPS_FEATURE_MEMORY_SYSTEM_MEMORY))
                continue;
            const auto rate = BestRate(gst_structure_get_value(s, "framerate"));
            if (!rate)
                continue;
            std::vector<std::string> formats
                = jpeg ? std::vector<std::string> { "" } : RawFormats(gst_structure_get_value(s, "format"));
            for (const std::string& format : formats)
                for (int w : Dimensions(gst_structure_get_value(s, "width"), width))
                    for (int h : Dimensions(gst_structure_get_value(s, "height"), height))
                        if (w > 0 && h > 0)
                            offers.push_back({ jpeg, format, w, h, *rate });
        }
        return offers;
    }

    // A rate of 0 is left to the source, which picks its fastest.
    bool IsFastEnough(const Offer& offer)
    {
        return offer.rate.num == 0 || offer.rate.Value() >= kMinFrameRate;
    }

    // The offers fast enough for a live picture; all of them when none is. A
    // camera's largest sizes are often its slowest (5 MP at 2 fps), and a
    // size that covers the request is no gain when it comes as a slide show.
    std::vector<Offer> FastEnough(const std::vector<Offer>& offers)
    {
        std::vector<Offer> fast;
        std::copy_if(offers.begin(), offers.end(), std::back_inserter(fast), IsFastEnough);
        return fast.empty() ? offers : fast;
    }

    long Area(const Offer& offer) { return long(offer.width) * offer.height; }

    // The size to capture at: the requested one, or the smallest covering it,
    // or the largest there is.
    std::pair<int, int> ChooseSize(const std::vector<Offer>& offers, int width, int height)
    {
        const Offer* covering = nullptr;
        const Offer* largest = nullptr;
        for (const Offer& offer : offers) {
            if (offer.width == width && offer.height == height)
                return { width, height };
            if (offer.width >= width && offer.height >= height
                && (!covering || Area(offer) < Area(*covering)))
                covering = &offer;
            if (!largest || Area(offer) > Area(*largest))
                largest = &offer;
        }
        const Offer* chosen = covering ? covering : largest;
        return { chosen->width, chosen->height };
    }

    // At one size: raw fast enough, else MJPEG, else the fastest raw. Ties keep
    // the camera's own order.
    const Offer* ChooseFormat(const std::vector<Offer>& offers, int width, int height)
    {
        const Offer* raw = nullptr;
        const Offer* jpeg = nullptr;
        for (const Offer& offer : offers) {
            if (offer.width != width || offer.height != height)
                continue;
            const Offer*& best = offer.jpeg ? jpeg : raw;
            if (!best || offer.rate.Value() > best->rate.Value())
                best = &offer;
        }
        if (raw && IsFastEnough(*raw))
            return raw;
        return jpeg ? jpeg : raw;
    }

} // namespace

GstCaps* ChooseSourceCaps(const GstCaps* offered, int width, int height)
{
    if (!offered || gst_caps_is_any(offered) || gst_caps_is_empty(offered))
        return nullptr;
    const std::vector<Offer> all = OffersIn(offered, width, height);
    if (all.empty())
        return nullptr;
    const std::vector<Offer> offers = FastEnough(all);
    const auto [w, h] = ChooseSize(offers, width, height);
    const Offer* offer = ChooseFormat(offers, w, h);
    GstCaps* caps = offer->jpeg
        ? gst_caps_new_empty_simple("image/jpeg")
        : gst_caps_new_simple("video/x-raw", "format", G_TYPE_STRING, offer->format.c_str(), nullptr);
    gst_caps_set_simple(caps, "width", G_TYPE_INT, w, "height", G_TYPE_INT, h, nullptr);
    if (offer->rate.num > 0)
        gst_caps_set_simple(caps, "framerate", GST_TYPE_FRACTION, offer->rate.num, offer->rate.den, nullptr);
    return caps;
}

bool IsJpegCaps(const GstCaps* caps)
{
    return caps && gst_caps_get_size(caps) > 0
        && gst_structure_has_name(gst_caps_get_structure(caps, 0), "image/jpeg");
}

} // namespace vidcore
