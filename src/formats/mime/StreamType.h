#pragma once
// Registers a GMime stream subclass of our own: `Instance` starts with a GMimeStream, `Class`
// with a GMimeStreamClass, and `init` fills in the class's operations.

#include <gmime/gmime.h>

namespace pellmark::formats {

template <typename Instance, typename Class>
GType registerStreamType(const char* name, GClassInitFunc init) {
    GTypeInfo info{};
    info.class_size = sizeof(Class);
    info.class_init = init;
    info.instance_size = sizeof(Instance);
    return g_type_register_static(GMIME_TYPE_STREAM, name, &info, GTypeFlags(0));
}

}  // namespace pellmark::formats
