// SPDX-License-Identifier: LGPL-2.1-or-later
// Owning references to GStreamer objects and caps held beyond one scope:
// members, containers, captures of a callback. Locals use g_autoptr and
// g_autofree instead, as GStreamer's own code does.
#pragma once

#include <gst/gst.h>

#include <utility>

namespace vidcore {

// How a type is referenced: every GstObject through gst_object_ref, caps as
// mini objects.
template <typename T> struct GstRefTraits {
    static T* Ref(T* object) { return static_cast<T*>(gst_object_ref(object)); }
    static void Unref(T* object) { gst_object_unref(object); }
};

template <> struct GstRefTraits<GstCaps> {
    static GstCaps* Ref(GstCaps* caps) { return gst_caps_ref(caps); }
    static void Unref(GstCaps* caps) { gst_caps_unref(caps); }
};

template <typename T> class GstRef {
public:
    GstRef() = default;
    // Takes over a reference the caller owns (transfer full). A floating
    // element is sunk first: GstRef<GstElement>(gst_object_ref_sink(e)).
    explicit GstRef(T* owned)
        : ptr_(owned)
    {
    }
    // Adds a reference of its own (transfer none).
    static GstRef Borrow(T* object) { return GstRef(object ? GstRefTraits<T>::Ref(object) : nullptr); }
    GstRef(const GstRef& other)
        : GstRef(Borrow(other.ptr_).release())
    {
    }
    GstRef(GstRef&& other) noexcept
        : ptr_(std::exchange(other.ptr_, nullptr))
    {
    }
    GstRef& operator=(GstRef other) noexcept
    {
        std::swap(ptr_, other.ptr_);
        return *this;
    }
    ~GstRef() { reset(); }

    T* get() const { return ptr_; }
    T* operator->() const { return ptr_; }
    explicit operator bool() const { return ptr_ != nullptr; }
    // Drops the reference now.
    void reset()
    {
        if (T* old = std::exchange(ptr_, nullptr))
            GstRefTraits<T>::Unref(old);
    }
    // Hands the reference to the caller.
    [[nodiscard]] T* release() { return std::exchange(ptr_, nullptr); }

private:
    T* ptr_ = nullptr;
};

} // namespace vidcore
