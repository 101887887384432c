// SPDX-License-Identifier: LGPL-2.1-or-later
#include "bgrconversion.h"

#include <libyuv/convert_argb.h>
#include <libyuv/convert_from_argb.h>
#include <libyuv/cpu_id.h>
#include <libyuv/planar_functions.h>

#include <algorithm>
#include <cstddef>
#include <iterator>
#include <utility>

namespace snapwell {

namespace {

    // libyuv names byte orders after a little-endian word: its RGB24 is B, G, R
    // in memory (the block's order), RAW is R, G, B, ARGB is B, G, R, A, ABGR
    // is R, G, B, A, BGRA is A, R, G, B and RGBA is A, B, G, R.

    // Rows of the two-step conversions done at a time: small enough for the
    // scratch rows to stay in the cache between the two steps.
    constexpr int kBandRows = 16;

    const libyuv::YuvConstants* MatrixOf(const GstVideoColorimetry& colorimetry)
    {
        bool full = false;
        switch (colorimetry.range) {
        case GST_VIDEO_COLOR_RANGE_0_255:
            full = true;
            break;
        case GST_VIDEO_COLOR_RANGE_16_235:
            break;
        default:
            return nullptr;
        }
        // libyuv's limited-range tables hold a blue factor of 2.0 where BT.601
        // needs 2.018 and BT.709 2.112 (kept below 2 for its ARM code): strong
        // blues come out up to 3 (BT.601) or 15 (BT.709) too dark. Its
        // full-range tables are exact.
        switch (colorimetry.matrix) {
        case GST_VIDEO_COLOR_MATRIX_BT601:
            return full ? &libyuv::kYuvJPEGConstants : &libyuv::kYuvI601Constants;
        case GST_VIDEO_COLOR_MATRIX_BT709:
            return full ? &libyuv::kYuvF709Constants : &libyuv::kYuvH709Constants;
        default:
            return nullptr;
        }
    }

    // Grey has no chroma: only the range of its luma counts.
    const libyuv::YuvConstants* GrayMatrixOf(const GstVideoColorimetry& colorimetry)
    {
        switch (colorimetry.range) {
        case GST_VIDEO_COLOR_RANGE_0_255:
            return &libyuv::kYuvJPEGConstants;
        case GST_VIDEO_COLOR_RANGE_16_235:
            return &libyuv::kYuvI601Constants;
        default:
            return nullptr;
        }
    }

    // How each accepted layout reaches the block.
    using Route = BgrConversion::Route;
    constexpr std::pair<GstVideoFormat, Route> kRoutes[]
        = { { GST_VIDEO_FORMAT_I420, Route::I420 }, { GST_VIDEO_FORMAT_YV12, Route::I420 },
              { GST_VIDEO_FORMAT_Y42B, Route::I422 }, { GST_VIDEO_FORMAT_Y444, Route::I444 },
              { GST_VIDEO_FORMAT_NV12, Route::NV12 }, { GST_VIDEO_FORMAT_NV21, Route::NV21 },
              { GST_VIDEO_FORMAT_NV16, Route::NV16 }, { GST_VIDEO_FORMAT_YUY2, Route::Packed422 },
              { GST_VIDEO_FORMAT_UYVY, Route::Packed422 }, { GST_VIDEO_FORMAT_YVYU, Route::Packed422 },
              { GST_VIDEO_FORMAT_GRAY8, Route::Gray }, { GST_VIDEO_FORMAT_RGB, Route::Rgb },
              { GST_VIDEO_FORMAT_BGRx, Route::Bgrx }, { GST_VIDEO_FORMAT_BGRA, Route::Bgrx },
              { GST_VIDEO_FORMAT_RGBx, Route::Rgbx }, { GST_VIDEO_FORMAT_RGBA, Route::Rgbx },
              { GST_VIDEO_FORMAT_xRGB, Route::Xrgb }, { GST_VIDEO_FORMAT_ARGB, Route::Xrgb },
              { GST_VIDEO_FORMAT_xBGR, Route::Xbgr }, { GST_VIDEO_FORMAT_ABGR, Route::Xbgr } };

    const uint8_t* Plane(const GstVideoFrame& frame, int plane)
    {
        return static_cast<const uint8_t*>(GST_VIDEO_FRAME_PLANE_DATA(&frame, plane));
    }
    int PlaneStride(const GstVideoFrame& frame, int plane)
    {
        return GST_VIDEO_FRAME_PLANE_STRIDE(&frame, plane);
    }
    const uint8_t* Component(const GstVideoFrame& frame, int component)
    {
        return static_cast<const uint8_t*>(GST_VIDEO_FRAME_COMP_DATA(&frame, component));
    }
    int ComponentStride(const GstVideoFrame& frame, int component)
    {
        return GST_VIDEO_FRAME_COMP_STRIDE(&frame, component);
    }

} // namespace

bool BgrConversion::Prepare(const GstVideoInfo& info)
{
    route_ = Route::None;
    matrix_ = nullptr;
    format_ = GST_VIDEO_INFO_FORMAT(&info);
    width_ = GST_VIDEO_INFO_WIDTH(&info);
    height_ = GST_VIDEO_INFO_HEIGHT(&info);
    if (GST_VIDEO_INFO_IS_INTERLACED(&info) || width_ <= 0 || height_ <= 0)
        return false;

    const GstVideoColorimetry& colorimetry = GST_VIDEO_INFO_COLORIMETRY(&info);
    const auto* entry = std::find_if(std::begin(kRoutes), std::end(kRoutes),
        [&](const std::pair<GstVideoFormat, Route>& candidate) { return candidate.first == format_; });
    if (entry == std::end(kRoutes))
        return false;
    const Route route = entry->second;
    // The two-step routes keep a band of rows between their steps: at most
    // four bytes a pixel (packed 4:2:2 needs a little over two).
    const bool banded
        = route == Route::Packed422 || route == Route::Gray || route == Route::Xrgb || route == Route::Xbgr;
    const std::size_t bandBytes = banded ? static_cast<std::size_t>(width_) * 4 * kBandRows : 0;

    if (route == Route::Gray) {
        matrix_ = GrayMatrixOf(colorimetry);
        if (!matrix_)
            return false;
    } else if (GST_VIDEO_INFO_IS_YUV(&info)) {
        matrix_ = MatrixOf(colorimetry);
        if (!matrix_)
            return false;
    }
    band_.assign(bandBytes, 0);
    // libyuv picks its SIMD code on first use; done here, not on the first frame.
    libyuv::InitCpuFlags();
    route_ = route;
    return true;
}

void BgrConversion::Run(const GstVideoFrame& frame, uint8_t* pixels)
{
    // The first source row lands on the block's last row, and each next one
    // a row higher: a negative destination stride.
    const int rowBytes = width_ * 3;
    uint8_t* const bottomUp = pixels + static_cast<std::size_t>(height_ - 1) * rowBytes;

    switch (route_) {
    case Route::None:
        break;
    case Route::I420:
    case Route::I422:
    case Route::I444: {
        // Three planes each: the routes differ only in how the chroma is subsampled.
        const auto convert = route_ == Route::I420 ? libyuv::I420ToRGB24Matrix
            : route_ == Route::I422                ? libyuv::I422ToRGB24Matrix
                                                   : libyuv::I444ToRGB24Matrix;
        convert(Component(frame, GST_VIDEO_COMP_Y), ComponentStride(frame, GST_VIDEO_COMP_Y),
            Component(frame, GST_VIDEO_COMP_U), ComponentStride(frame, GST_VIDEO_COMP_U),
            Component(frame, GST_VIDEO_COMP_V), ComponentStride(frame, GST_VIDEO_COMP_V), bottomUp, -rowBytes,
            matrix_, width_, height_);
        break;
    }
    case Route::NV12:
        libyuv::NV12ToRGB24Matrix(Plane(frame, 0), PlaneStride(frame, 0), Plane(frame, 1),
            PlaneStride(frame, 1), bottomUp, -rowBytes, matrix_, width_, height_);
        break;
    case Route::NV21:
        libyuv::NV21ToRGB24Matrix(Plane(frame, 0), PlaneStride(frame, 0), Plane(frame, 1),
            PlaneStride(frame, 1), bottomUp, -rowBytes, matrix_, width_, height_);
        break;
    case Route::NV16:
        // NV12's conversion of a single row reads the chroma row it is given.
        for (int row = 0; row < height_; ++row)
            libyuv::NV12ToRGB24Matrix(Plane(frame, 0) + row * PlaneStride(frame, 0), PlaneStride(frame, 0),
                Plane(frame, 1) + row * PlaneStride(frame, 1), PlaneStride(frame, 1),
                bottomUp - row * rowBytes, -rowBytes, matrix_, width_, 1);
        break;
    case Route::Packed422:
        RunPacked422(frame, pixels);
        break;
    case Route::Rgb:
        libyuv::RAWToRGB24(Plane(frame, 0), PlaneStride(frame, 0), bottomUp, -rowBytes, width_, height_);
        break;
    case Route::Bgrx:
        libyuv::ARGBToRGB24(Plane(frame, 0), PlaneStride(frame, 0), bottomUp, -rowBytes, width_, height_);
        break;
    case Route::Rgbx:
        // Read as B, G, R, A and written as R, G, B: the channels swap back.
        libyuv::ARGBToRAW(Plane(frame, 0), PlaneStride(frame, 0), bottomUp, -rowBytes, width_, height_);
        break;
    case Route::Gray:
    case Route::Xrgb:
    case Route::Xbgr:
        RunViaArgb(frame, pixels);
        break;
    }
}

void BgrConversion::RunPacked422(const GstVideoFrame& frame, uint8_t* pixels)
{
    const int rowBytes = width_ * 3;
    const int chromaWidth = (width_ + 1) / 2;
    uint8_t* const y = band_.data();
    uint8_t* const u = y + static_cast<std::size_t>(width_) * kBandRows;
    uint8_t* const v = u + static_cast<std::size_t>(chromaWidth) * kBandRows;
    const uint8_t* source = Plane(frame, 0);
    const int stride = PlaneStride(frame, 0);

    for (int first = 0; first < height_; first += kBandRows) {
        const int rows = std::min(kBandRows, height_ - first);
        const uint8_t* band = source + static_cast<std::ptrdiff_t>(first) * stride;
        switch (format_) {
        case GST_VIDEO_FORMAT_UYVY:
            libyuv::UYVYToI422(band, stride, y, width_, u, chromaWidth, v, chromaWidth, width_, rows);
            break;
        case GST_VIDEO_FORMAT_YVYU: // YUY2 with the chroma samples swapped
            libyuv::YUY2ToI422(band, stride, y, width_, v, chromaWidth, u, chromaWidth, width_, rows);
            break;
        default:
            libyuv::YUY2ToI422(band, stride, y, width_, u, chromaWidth, v, chromaWidth, width_, rows);
            break;
        }
        libyuv::I422ToRGB24Matrix(y, width_, u, chromaWidth, v, chromaWidth,
            pixels + static_cast<std::size_t>(height_ - 1 - first) * rowBytes, -rowBytes, matrix_, width_,
            rows);
    }
}

void BgrConversion::RunViaArgb(const GstVideoFrame& frame, uint8_t* pixels)
{
    const int rowBytes = width_ * 3;
    const int bandStride = width_ * 4;
    const uint8_t* source = Plane(frame, 0);
    const int stride = PlaneStride(frame, 0);

    for (int first = 0; first < height_; first += kBandRows) {
        const int rows = std::min(kBandRows, height_ - first);
        const uint8_t* band = source + static_cast<std::ptrdiff_t>(first) * stride;
        if (route_ == Route::Gray)
            libyuv::I400ToARGBMatrix(band, stride, band_.data(), bandStride, matrix_, width_, rows);
        else if (route_ == Route::Xrgb)
            libyuv::BGRAToARGB(band, stride, band_.data(), bandStride, width_, rows);
        else
            libyuv::RGBAToARGB(band, stride, band_.data(), bandStride, width_, rows);
        libyuv::ARGBToRGB24(band_.data(), bandStride,
            pixels + static_cast<std::size_t>(height_ - 1 - first) * rowBytes, -rowBytes, width_, rows);
    }
}

} // namespace snapwell
