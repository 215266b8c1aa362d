#pragma once
// The JSON description of a mailbox (docs/mkpst-json.md) turned into a PstBuilder. Every
// mistake in the document is reported as a JsonInputError that names its place.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "mkpst/JsonCursor.h"
#include "pstwriter/messaging/PstBuilder.h"

namespace pellmark::pstwriter {

struct LoadedMailbox {
    PstBuilder builder;
    FileVariant variant;
};

LoadedMailbox loadMailboxJson(const std::filesystem::path& file);
LoadedMailbox loadMailboxJsonText(const std::string& text, const std::string& sourceName);

std::optional<CryptMethod> parseCryptMethod(std::string_view name);

}  // namespace pellmark::pstwriter
