#pragma once
// The URLs an HTML body holds in its attributes, read and rewritten without parsing the page
// into a tree: a body is kept byte for byte except for the values rewritten. Also the page's
// <base href> (HTML 4.01 12.4), and relative URLs resolved against it (RFC 3986 5.2).

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace pellmark::formats {

// One attribute that holds a URL: href, src, background, poster, action, cite, longdesc.
struct UrlAttribute {
    std::string_view tag;        // the element's name, as written
    std::string_view attribute;  // the attribute's name, as written
    std::string value;           // the value, with character references decoded
};
// Given a URL attribute, its new value (plain text: the caller's rewriter escapes it), or
// nullopt to keep it as written.
using UrlAttributeFn = std::function<std::optional<std::string>(const UrlAttribute&)>;

// Calls `fn` for every URL attribute outside comments, scripts and style sheets; `dropBase`
// leaves out every <base> element as well.
std::string rewriteUrlAttributes(const std::string& html, const UrlAttributeFn& fn, bool dropBase);

// The href of the page's first <base> element; empty when it has none.
std::string baseHref(const std::string& html);

// Whether `url` names its scheme ("http:", "cid:", "file:", ...).
bool hasScheme(std::string_view url);
// `ref` resolved against `base`; `ref` as it is when it is absolute, an in-page anchor ("#x"),
// or when `base` is no hierarchical URL to resolve against.
std::string resolveUrl(std::string_view base, std::string_view ref);
// %XX sequences as the bytes they stand for.
std::string percentDecoded(std::string_view text);

}  // namespace pellmark::formats
