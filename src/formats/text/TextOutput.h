#pragma once
// Small helpers the text-based writers share.

#include <string>
#include <string_view>
#include <vector>

#include "formats/text/HeaderBlock.h"

namespace pellmark::formats {

// CRLF and lone CR become LF.
std::string normalizeLineEnds(std::string_view text);
// The header block as "Label:<TAB>value" lines.
std::string headerText(const std::vector<HeaderField>& fields);

}  // namespace pellmark::formats
