#pragma once
// The little JSON the listings write: strings escaped as RFC 8259 wants (invalid UTF-8 read
// as U+FFFD), times as ISO 8601 in UTC.

#include <optional>
#include <string>

#include "store/ItemFacts.h"

namespace pellmark::cli {

// `text` as a JSON string, quotes included.
std::string jsonString(const std::string& text);
// "2021-03-04T05:06:07Z" as a JSON string, or null.
std::string jsonTime(const std::optional<store::ItemFacts::Time>& time);

}  // namespace pellmark::cli
