#pragma once
// Small text helpers the layers share.

#include <string>
#include <string_view>

namespace pellmark::base {

// `text` without the leading and trailing characters of `blanks`.
std::string trimmed(std::string_view text, std::string_view blanks = " \t");

}  // namespace pellmark::base
