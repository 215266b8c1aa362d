#pragma once
// A vCard 3.0 (RFC 2426) in the making: properties are added one at a time, values escaped,
// and the card comes out in CRLF lines folded at 75 octets without splitting a UTF-8 character.

#include <string>
#include <string_view>
#include <vector>

namespace pellmark::formats {

class VCard {
  public:
    // A text value, escaped; nothing is added when it is empty. `params` is ";TYPE=..." or "".
    void addText(std::string_view name, std::string_view value, std::string_view params = "");
    // A structured value (N, ADR, ORG): components escaped and joined by ';'; nothing is added
    // when every component is empty.
    void addStructured(std::string_view name, const std::vector<std::string>& components,
                       std::string_view params = "");
    // A text list (CATEGORIES, NICKNAME): values escaped and joined by ','.
    void addList(std::string_view name, const std::vector<std::string>& values);
    // A value written as given (dates, base64 data).
    void addRaw(std::string_view name, std::string_view params, std::string_view value);

    // BEGIN:VCARD, VERSION:3.0, the properties, END:VCARD.
    std::string str() const;

    // Backslash, comma, semicolon and line breaks escaped (RFC 2426 5.8.4); other control
    // characters but tab become blanks.
    static std::string escape(std::string_view value);
    // Values escaped and joined by `separator` (';' for components, ',' for lists).
    static std::string join(const std::vector<std::string>& values, char separator);
    // One content line folded to lines of at most 75 octets, each ending in CRLF.
    static std::string fold(std::string_view line);

  private:
    std::vector<std::string> lines_;
};

}  // namespace pellmark::formats
