#pragma once
// Saving one item in one of the save types. Every writer gets a temporary path and the
// result is moved onto the target only when the writer succeeded.

#include <filesystem>

#include "base/Sha256.h"
#include "mapi/Item.h"
#include "store/SaveFormat.h"

namespace pellmark::formats {

using store::SaveFormat;

// Writes `message` to `path` in `format`, whole, or throws SaveError and leaves no file there.
// Writers that can hash what they write feed `digest` (when given) and return true.
bool saveMessage(const mapi::Item& message, SaveFormat format, const std::filesystem::path& path,
                 base::Sha256* digest = nullptr);

}  // namespace pellmark::formats
