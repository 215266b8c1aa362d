#pragma once
// The item writers of each save type. A writer writes the whole item to `path` (a temporary
// file the caller renames into place) and throws on failure.

#include <filesystem>

#include "formats/SaveMessage.h"
#include "pst/messaging/Message.h"

namespace pellmark::formats {

using WriterFn = void (*)(const pst::Message&, const std::filesystem::path&);
// A writer that also feeds every byte it writes to a digest.
using HashingWriterFn = void (*)(const pst::Message&, const std::filesystem::path&, base::Sha256&);

// The writer of a save type, or nullptr while that type has none.
WriterFn writerFor(SaveFormat format);
// The hashing writer of a save type, or nullptr where it has none.
HashingWriterFn hashingWriterFor(SaveFormat format);

void writeTxt(const pst::Message& message, const std::filesystem::path& path);
void writeHtml(const pst::Message& message, const std::filesystem::path& path);
void writeRtf(const pst::Message& message, const std::filesystem::path& path);
void writeMsg(const pst::Message& message, const std::filesystem::path& path);
void writeEml(const pst::Message& message, const std::filesystem::path& path,
              base::Sha256* digest = nullptr);
void writeMht(const pst::Message& message, const std::filesystem::path& path,
              base::Sha256* digest = nullptr);
void writeVcf(const pst::Message& message, const std::filesystem::path& path);

}  // namespace pellmark::formats
