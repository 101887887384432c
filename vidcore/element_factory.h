// SPDX-License-Identifier: LGPL-2.1-or-later
// Making elements by factory name, with a missing one named in the error
// the caller reports.
#pragma once

#include <gst/gst.h>

#include <string>

namespace vidcore {

// A new element, floating; nullptr when the factory is not installed. Then
// `error` names it, unless it already holds an earlier error: a row of
// elements made one after another reports the first missing one.
GstElement* MakeElement(const char* factory, std::string* error);

// The same, added to `bin`, which owns it; the pointer returned is borrowed.
GstElement* MakeElement(GstElement* bin, const char* factory, std::string* error);

// A muxer of gst-libav (avmux_asf), made and added to the bin. Those muxers
// are never freed once they have written data; every one is made here so that
// the sanitizer's suppression file can name the one place.
GstElement* MakeLibavMuxer(GstElement* bin, const char* factory, std::string* error);

// Adds an element made elsewhere to `bin` (nullptr passes through).
GstElement* AddElement(GstElement* bin, GstElement* element);

} // namespace vidcore
