#include "formats/calendar/IcsLines.h"

#include <cstdio>

#include "formats/calendar/CalendarTime.h"

namespace pellmark::formats::calendar {

namespace {

constexpr size_t kLineOctets = 75;

bool continuationByte(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

}  // namespace

void IcsLines::raw(std::string_view nameAndParams, std::string_view value) {
    std::string line(nameAndParams);
    line += ':';
    line += value;
    whole(line);
}

void IcsLines::whole(std::string_view line) {
    size_t pos = 0;
    size_t room = kLineOctets;
    while (line.size() - pos > room) {
        size_t cut = pos + room;
        while (cut > pos + 1 && continuationByte(line[cut])) --cut;
        out_.append(line, pos, cut - pos);
        out_ += "\r\n ";
        pos = cut;
        room = kLineOctets - 1;  // the leading blank counts
    }
    out_.append(line, pos);
    out_ += "\r\n";
}

void IcsLines::text(std::string_view name, std::string_view value) {
    if (!value.empty()) raw(name, escapeText(value));
}

std::string escapeText(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        switch (c) {
            case '\\':
                out += "\\\\";
                break;
            case ';':
                out += "\\;";
                break;
            case ',':
                out += "\\,";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                if (i + 1 < text.size() && text[i + 1] == '\n') break;
                out += "\\n";
                break;
            default:
                // Other controls may not stand in a value.
                if (static_cast<unsigned char>(c) < 0x20 && c != '\t') break;
                out += c;
        }
    }
    return out;
}

std::string paramValue(std::string_view value) {
    std::string clean;
    bool quote = false;
    for (char c : value) {
        if (c == '"' || (static_cast<unsigned char>(c) < 0x20 && c != '\t')) continue;
        if (c == ';' || c == ':' || c == ',') quote = true;
        clean += c;
    }
    return quote ? '"' + clean + '"' : clean;
}

std::string dateTimeText(int64_t minutes, bool utc) {
    CivilTime t = civilOf(minutes);
    char text[24];
    std::snprintf(text, sizeof text, "%04d%02u%02uT%02u%02u00%s", t.year, t.month, t.day, t.hour,
                  t.minute, utc ? "Z" : "");
    return text;
}

std::string dateText(int64_t minutes) {
    CivilTime t = civilOf(minutes);
    char text[16];
    std::snprintf(text, sizeof text, "%04d%02u%02u", t.year, t.month, t.day);
    return text;
}

}  // namespace pellmark::formats::calendar
