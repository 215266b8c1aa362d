#pragma once
// Small text helpers the layers share.

#include <string>
#include <string_view>

namespace pellmark::base {

// `text` without the leading and trailing characters of `blanks`.
std::string trimmed(std::string_view text, std::string_view blanks = " \t");

// Every byte of `text` for which `keep` is false as "%" and two upper-case hex digits (URIs,
// RFC 3986; parameter values, RFC 2231).
std::string percentEncoded(std::string_view text, bool (*keep)(char));

}  // namespace pellmark::base
