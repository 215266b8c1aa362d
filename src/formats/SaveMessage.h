#pragma once
// Saving one item in one of the seven save types. Every writer gets a temporary path and the
// result is moved onto the target only when the writer succeeded.

#include <filesystem>

#include "pst/messaging/Message.h"
#include "store/SaveFormat.h"

namespace pellmark::formats {

using store::SaveFormat;

// Writes `message` to `path` in `format`, whole, or throws SaveError and leaves no file there.
void saveMessage(const pst::Message& message, SaveFormat format, const std::filesystem::path& path);

}  // namespace pellmark::formats
