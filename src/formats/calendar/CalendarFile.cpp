#include "formats/calendar/CalendarFile.h"

#include <vector>

#include "formats/calendar/CalendarError.h"
#include "formats/calendar/IcsLines.h"

namespace pellmark::formats::calendar {

namespace {

constexpr std::string_view kHead =
    "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Pellmark//Pellmark//EN\r\nCALSCALE:GREGORIAN\r\n";
constexpr std::string_view kTail = "END:VCALENDAR\r\n";

// The content lines of `text`, unfolded, without their line ends.
std::vector<std::string> unfolded(std::string_view text) {
    std::vector<std::string> lines;
    while (!text.empty()) {
        size_t end = text.find("\r\n");
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 2);
        if (!line.empty() && line.front() == ' ' && !lines.empty()) {
            lines.back().append(line.substr(1));
        } else {
            lines.emplace_back(line);
        }
    }
    return lines;
}

// The text of `lines`, folded.
std::string folded(const std::vector<std::string>& lines) {
    IcsLines out;
    for (const std::string& line : lines) out.whole(line);
    return out.str();
}

// Every ";TZID=<from>" parameter of `lines` and the zone's own "TZID:" line made to name `to`.
void renameZone(std::vector<std::string>& lines, const std::string& from, const std::string& to) {
    const std::string param = ";TZID=" + paramValue(from);
    for (std::string& line : lines) {
        if (line == "TZID:" + from) {
            line = "TZID:" + to;
            continue;
        }
        size_t at = line.find(param);
        if (at == std::string::npos) continue;
        const size_t after = at + param.size();
        // The parameter ends at the next one or at the value.
        if (after < line.size() && (line[after] == ':' || line[after] == ';')) {
            line.replace(at, param.size(), ";TZID=" + paramValue(to));
        }
    }
}

const std::string* heldZone(const std::map<std::string, std::string>& zones,
                            const std::string& tzid) {
    auto it = zones.find(tzid);
    return it == zones.end() ? nullptr : &it->second;
}

struct Zone {
    std::string tzid;
    std::vector<std::string> lines;
};

}  // namespace

std::string_view calendarHead() {
    return kHead;
}

std::string_view calendarTail() {
    return kTail;
}

CalendarFile::Entry CalendarFile::entryOf(std::string_view item) const {
    std::vector<std::string> lines = unfolded(item);
    if (lines.size() < 2 || lines.front() != "BEGIN:VCALENDAR" || lines.back() != "END:VCALENDAR") {
        throw CalendarError("the item's calendar is not one VCALENDAR");
    }
    // The item's zones, and its components, without the calendar's own properties.
    std::vector<Zone> zones;
    std::vector<std::string> components;
    int depth = 0;
    bool inZone = false;
    for (size_t i = 1; i + 1 < lines.size(); ++i) {
        const std::string& line = lines[i];
        if (depth == 0 && line.rfind("BEGIN:", 0) != 0) continue;  // VERSION, PRODID, ...
        if (depth == 0) {
            inZone = line == "BEGIN:VTIMEZONE";
            if (inZone) zones.emplace_back();
        }
        if (line.rfind("BEGIN:", 0) == 0) ++depth;
        if (line.rfind("END:", 0) == 0) --depth;
        if (inZone) {
            if (line.rfind("TZID:", 0) == 0 && zones.back().tzid.empty()) {
                zones.back().tzid = line.substr(5);
            }
            zones.back().lines.push_back(line);
        } else {
            components.push_back(line);
        }
        if (depth < 0) throw CalendarError("the item's calendar ends a component it never began");
    }
    Entry entry;
    for (const Zone& zone : zones) {
        // Another zone of the same name (the item written under other rules) is kept under a
        // TZID of its own, and the item's times name that one.
        std::string tzid = zone.tzid;
        std::vector<std::string> renamed = zone.lines;
        for (int copy = 2;; ++copy) {
            std::string text = folded(renamed);
            const std::string* held = heldZone(zones_, tzid);
            if (!held) held = heldZone(entry.zones, tzid);
            if (!held) {
                entry.text += text;
                entry.zones.emplace(tzid, std::move(text));
                break;
            }
            if (*held == text) break;
            tzid = zone.tzid + " (" + std::to_string(copy) + ")";
            renamed = zone.lines;
            renameZone(renamed, zone.tzid, tzid);
        }
        if (tzid != zone.tzid) renameZone(components, zone.tzid, tzid);
    }
    entry.text += folded(components);
    return entry;
}

void CalendarFile::keep(Entry& entry) {
    zones_.merge(entry.zones);
}

}  // namespace pellmark::formats::calendar
