#pragma once
// iCalendar content lines (RFC 5545 3.1): NAME;PARAM=VALUE:value, text values escaped, lines
// folded at 75 octets without splitting a UTF-8 character, CRLF at every end.

#include <cstdint>
#include <string>
#include <string_view>

namespace pellmark::formats::calendar {

class IcsLines {
  public:
    // `nameAndParams` as written ("DTSTART;TZID=Europe/Berlin"); `value` as it goes.
    void raw(std::string_view nameAndParams, std::string_view value);
    // A TEXT value, escaped; nothing when empty.
    void text(std::string_view name, std::string_view value);
    // A whole unfolded line, folded.
    void whole(std::string_view line);
    const std::string& str() const { return out_; }

  private:
    std::string out_;
};

// A TEXT value escaped: backslash, semicolon, comma and line ends.
std::string escapeText(std::string_view text);
// A parameter value: quoted where it holds ; : or , and without the quotes it may not hold.
std::string paramValue(std::string_view value);
// "19970714T133000" of local minutes since 1601, with "Z" for UTC; "19970714" of a date.
std::string dateTimeText(int64_t minutes, bool utc);
std::string dateText(int64_t minutes);

}  // namespace pellmark::formats::calendar
