#include "formats/mime/MimeAddress.h"

#include <cctype>
#include <cstring>

#include "base/AsciiCase.h"

namespace pellmark::formats {
namespace {

// With `utf8`, the bytes of UTF-8 sequences count as atext and qtext too (RFC 6532 3.2).
bool isDotAtom(std::string_view text, bool utf8 = false) {
    if (text.empty() || text.front() == '.' || text.back() == '.') return false;
    for (size_t i = 0; i < text.size(); ++i) {
        const bool atext =
            isAtext(text[i]) || (utf8 && static_cast<unsigned char>(text[i]) >= 0x80);
        if (text[i] == '.' ? text[i + 1] == '.' : !atext) return false;
    }
    return true;
}

bool isQuotedString(std::string_view text, bool utf8 = false) {
    if (text.size() < 2 || text.front() != '"' || text.back() != '"') return false;
    for (size_t i = 1; i + 1 < text.size(); ++i) {
        const auto u = static_cast<unsigned char>(text[i]);
        if (u < 0x20 || u == 0x7F || (u > 0x7F && !utf8) || text[i] == '"') return false;
        if (text[i] == '\\' && ++i + 1 >= text.size()) return false;
    }
    return true;
}

// A name written as an address, as some stores keep a recipient typed by hand: bare, or in
// the quotes or angle brackets it was typed with.
std::string_view addressInName(std::string_view name) {
    while (!name.empty() && name.front() == ' ') name.remove_prefix(1);
    while (!name.empty() && name.back() == ' ') name.remove_suffix(1);
    if (name.size() >= 2 && std::strchr("'\"<", name.front()) &&
        name.back() == (name.front() == '<' ? '>' : name.front())) {
        name = name.substr(1, name.size() - 2);
    }
    return isAddrSpec(name) ? name : std::string_view();
}

}  // namespace

bool isAtext(char c) {
    const auto u = static_cast<unsigned char>(c);
    return std::isalnum(u) || (u < 0x80 && std::strchr("!#$%&'*+-/=?^_`{|}~", c) && c != 0);
}

bool isAddrSpec(std::string_view text) {
    const size_t at = text.rfind('@');
    if (at == std::string_view::npos) return false;
    const std::string_view local = text.substr(0, at), domain = text.substr(at + 1);
    return (isDotAtom(local) || isQuotedString(local)) && isDotAtom(domain);
}

std::string quotedAddrSpec(std::string_view addrSpec) {
    const size_t at = addrSpec.rfind('@');
    if (at == std::string_view::npos) return std::string(addrSpec);
    const std::string_view local = addrSpec.substr(0, at);
    if (isDotAtom(local, true) || isQuotedString(local, true)) return std::string(addrSpec);
    std::string out = "\"";
    for (char c : local) {
        if (c == '"' || c == '\\') out += '\\';
        out += c;
    }
    return out.append("\"").append(addrSpec.substr(at));
}

std::string imceaAddress(std::string_view type, std::string_view address) {
    static const char* hex = "0123456789ABCDEF";
    std::string out = "IMCEA";
    for (char c : type) out += std::isalnum(static_cast<unsigned char>(c)) ? c : '-';
    out += '-';
    for (char c : address) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '/') {
            out += '_';
        } else if (u < 0x80 && (std::isalnum(u) || c == '-' || c == '=')) {
            out += c;
        } else {
            out += '+';
            out += hex[u >> 4];
            out += hex[u & 0x0F];
        }
    }
    return out + "@" + kStandInDomain;
}

Mailbox mailboxOf(const Address& a) {
    Mailbox box{a.name, {}};
    if (a.address.find('@') != std::string::npos) {
        box.addrSpec = a.address;
    } else if (const std::string_view inName = addressInName(a.name);
               !inName.empty() && (a.address.empty() || a.address == a.name)) {
        box.addrSpec = inName;
    } else if (!a.address.empty() && a.address != a.name) {
        // An Exchange distinguished name, a fax number, an X.400 address: kept whole inside an
        // address readers accept, as Exchange itself hands such addresses to the internet.
        std::string type = a.type;
        if (type.empty() || base::equalsNoCase(type, "SMTP") || base::equalsNoCase(type, "NONE")) {
            type = a.address.starts_with("/") ? "EX" : "UNKNOWN";
        }
        box.addrSpec = imceaAddress(type, a.address);
    } else if (!a.name.empty()) {
        box.addrSpec = kNoAddress;
    }
    return box;
}

}  // namespace pellmark::formats
