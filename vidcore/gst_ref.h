// SPDX-License-Identifier: LGPL-2.1-or-later
// Owning references to GStreamer objects, so that no early return leaks one.
#pragma once

#include <gst/gst.h>

#include <utility>

namespace vidcore {

template <typename T>
class GstRef {
public:
    GstRef() = default;
    // Takes over a reference the caller owns (transfer full).
    explicit GstRef(T* owned) : ptr_(owned) {}
    static GstRef Borrow(T* object)
    {
        if (object)
            gst_object_ref(object);
        return GstRef(object);
    }
    GstRef(const GstRef& other) : ptr_(other.ptr_)
    {
        if (ptr_)
            gst_object_ref(ptr_);
    }
    GstRef(GstRef&& other) noexcept : ptr_(std::exchange(other.ptr_, nullptr)) {}
    GstRef& operator=(GstRef other) noexcept
    {
        std::swap(ptr_, other.ptr_);
        return *this;
    }
    ~GstRef()
    {
        if (ptr_)
            gst_object_unref(ptr_);
    }
    T* get() const { return ptr_; }
    T* operator->() const { return ptr_; }
    explicit operator bool() const { return ptr_ != nullptr; }

private:
    T* ptr_ = nullptr;
};

}  // namespace vidcore
