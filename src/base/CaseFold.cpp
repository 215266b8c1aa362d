#include "base/CaseFold.h"

#include <locale.h>
#include <wctype.h>

#include "base/AsciiCase.h"
#include "base/Utf8.h"

namespace pellmark::base {
namespace {

// The C.UTF-8 locale's character tables, whatever locale the program runs in; null where the
// system has none, and then only ASCII letters fold.
locale_t utf8Locale() {
    static const locale_t locale = ::newlocale(LC_CTYPE_MASK, "C.UTF-8", locale_t{});
    return locale;
}

}  // namespace

uint64_t caseFoldedKey(std::string_view name) {
    uint64_t hash = 14695981039346656037ull;  // FNV-1a
    const locale_t locale = utf8Locale();
    for (size_t pos = 0; pos < name.size();) {
        char32_t c;
        if (static_cast<unsigned char>(name[pos]) < 0x80) {
            c = static_cast<unsigned char>(asciiLower(name[pos++]));
        } else {
            c = decodeUtf8(name, pos);
            if (locale) c = static_cast<char32_t>(::towlower_l(static_cast<wint_t>(c), locale));
        }
        for (int shift = 0; shift < 32; shift += 8) {
            hash ^= (c >> shift) & 0xFF;
            hash *= 1099511628211ull;
        }
    }
    return hash;
}

}  // namespace pellmark::base
