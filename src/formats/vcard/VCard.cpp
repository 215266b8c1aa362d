#include "formats/vcard/VCard.h"

#include <algorithm>
#include <iterator>

namespace pellmark::formats {

std::string VCard::escape(std::string_view value) {
    std::string out;
    out.reserve(value.size());
    for (size_t i = 0; i < value.size(); ++i) {
        const char c = value[i];
        if (c == '\\' || c == ',' || c == ';') {
            out += '\\';
            out += c;
        } else if (c == '\r' || c == '\n') {
            out += "\\n";
            if (c == '\r' && i + 1 < value.size() && value[i + 1] == '\n') ++i;
        } else if ((static_cast<unsigned char>(c) < 0x20 && c != '\t') || c == 0x7F) {
            out += ' ';  // no other control character may stand in a content line
        } else {
            out += c;
        }
    }
    return out;
}

std::string VCard::fold(std::string_view line) {
    constexpr size_t kLimit = 75;
    std::string out;
    size_t width = kLimit;  // the first line has no leading blank
    while (line.size() > width) {
        size_t cut = width;
        // Back up to the first byte of a UTF-8 sequence.
        while (cut > 0 && (static_cast<unsigned char>(line[cut]) & 0xC0) == 0x80) --cut;
        if (cut == 0) cut = width;
        out.append(line.substr(0, cut));
        out += "\r\n ";
        line.remove_prefix(cut);
        width = kLimit - 1;
    }
    out.append(line);
    out += "\r\n";
    return out;
}

void VCard::addText(std::string_view name, std::string_view value, std::string_view params) {
    if (!value.empty()) addRaw(name, params, escape(value));
}

std::string VCard::join(const std::vector<std::string>& values, char separator) {
    std::string out;
    for (size_t i = 0; i < values.size(); ++i) {
        if (i) out += separator;
        out += escape(values[i]);
    }
    return out;
}

void VCard::addStructured(std::string_view name, const std::vector<std::string>& components,
                          std::string_view params) {
    const bool empty = std::all_of(components.begin(), components.end(),
                                   [](const std::string& c) { return c.empty(); });
    if (!empty) addRaw(name, params, join(components, ';'));
}

void VCard::addList(std::string_view name, const std::vector<std::string>& values) {
    std::vector<std::string> kept;
    std::copy_if(values.begin(), values.end(), std::back_inserter(kept),
                 [](const std::string& v) { return !v.empty(); });
    if (!kept.empty()) addRaw(name, "", join(kept, ','));
}

void VCard::addRaw(std::string_view name, std::string_view params, std::string_view value) {
    lines_.push_back(std::string(name) + std::string(params) + ":" + std::string(value));
}

std::string VCard::str() const {
    std::string out = "BEGIN:VCARD\r\nVERSION:3.0\r\n";
    for (const auto& line : lines_) out += fold(line);
    return out + "END:VCARD\r\n";
}

}  // namespace pellmark::formats
