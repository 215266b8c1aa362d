#pragma once
// Small helpers the text-based writers share.

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "base/Sha256.h"
#include "formats/text/HeaderBlock.h"

namespace pellmark::formats {

// CRLF and lone CR become LF.
std::string normalizeLineEnds(std::string_view text);
// Writes `data` to `path`, and to `digest` when given; throws SaveError when the system refuses.
void writeWholeFile(const std::filesystem::path& path, std::string_view data,
                    base::Sha256* digest = nullptr);
// The header block as "Label:<TAB>value" lines.
std::string headerText(const std::vector<HeaderField>& fields);

}  // namespace pellmark::formats
