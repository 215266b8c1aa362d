#pragma once
// Ownership of GLib objects (GMime's parts, streams, messages) in C++: a unique_ptr that drops
// the reference it holds.

#include <glib-object.h>

#include <memory>

namespace pellmark::formats {

struct GObjectUnref {
    void operator()(gpointer object) const {
        if (object) g_object_unref(object);
    }
};

template <class T>
using GObjectPtr = std::unique_ptr<T, GObjectUnref>;

// Takes over a reference the caller owns (the result of a *_new function).
template <class T>
GObjectPtr<T> adopt(T* object) {
    return GObjectPtr<T>(object);
}

}  // namespace pellmark::formats
