#pragma once
// Saving one item in one of the save types: whole into a file, or streamed into a sink (every
// type but .msg, whose files the compound-file writer writes itself, its header last).

#include <cstdint>
#include <filesystem>
#include <string>

#include "base/ByteSink.h"
#include "mapi/Item.h"
#include "store/SaveFormat.h"

namespace pellmark::formats {

using store::SaveFormat;

struct SavedFile {
    uint64_t bytes = 0;
    std::string sha256;  // lower-case hex, when asked for
};

// Writes `message` to `path` in `format`, whole, or throws SaveError and leaves no file there;
// hashes it (as it is written, but for .msg) when `hash`.
SavedFile saveMessage(const mapi::Item& message, SaveFormat format,
                      const std::filesystem::path& path, bool hash = false);

// Writes `message` in `format` into `sink`; throws SaveError (also for .msg).
void writeMessage(const mapi::Item& message, SaveFormat format, base::ByteSink& sink);

}  // namespace pellmark::formats
