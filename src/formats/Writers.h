#pragma once
// The item writers of each save type. A writer writes the whole item to `path` (a temporary
// file the caller renames into place) and throws on failure. Given a digest, it feeds it every
// byte it writes, so the file need not be read back for its hash; only the .msg writer cannot
// (libgsf writes its bytes).

#include <filesystem>

#include "base/Sha256.h"
#include "formats/SaveMessage.h"
#include "mapi/Item.h"

namespace pellmark::formats {

using WriterFn = void (*)(const mapi::Item&, const std::filesystem::path&, base::Sha256* digest);

// The writer of a save type, or nullptr while that type has none.
WriterFn writerFor(SaveFormat format);
// Whether the writer of `format` feeds the digest it is given.
bool hashesWhileWriting(SaveFormat format);

void writeTxt(const mapi::Item& message, const std::filesystem::path& path, base::Sha256* digest);
void writeHtml(const mapi::Item& message, const std::filesystem::path& path, base::Sha256* digest);
void writeRtf(const mapi::Item& message, const std::filesystem::path& path, base::Sha256* digest);
void writeMsg(const mapi::Item& message, const std::filesystem::path& path, base::Sha256* digest);
void writeEml(const mapi::Item& message, const std::filesystem::path& path, base::Sha256* digest);
void writeMht(const mapi::Item& message, const std::filesystem::path& path, base::Sha256* digest);
void writeVcf(const mapi::Item& message, const std::filesystem::path& path, base::Sha256* digest);

}  // namespace pellmark::formats
