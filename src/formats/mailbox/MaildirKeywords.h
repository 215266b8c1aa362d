#pragma once
// The keywords of one Maildir folder as Dovecot keeps them in the folder's "dovecot-keywords"
// file: a line "<n> <keyword>" each, n from 0 to 25 standing for the letters a to z that
// follow the standard flags in a message file's name. Maildir's own flags have no letter for
// a forwarded message that IMAP servers read; "$Forwarded" as a keyword is what Dovecot,
// Thunderbird and other IMAP clients show.

#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace pellmark::formats {

inline constexpr const char* kDovecotKeywordsFile = "dovecot-keywords";
inline constexpr const char* kForwardedKeyword = "$Forwarded";

class MaildirKeywords {
  public:
    // Reads a file's text as Dovecot does: lines it cannot read are passed over, a keyword
    // listed twice keeps its first letter.
    static MaildirKeywords parse(std::string_view text);

    // The letter of `keyword`, if it has one.
    std::optional<char> letterOf(std::string_view keyword) const;
    // The letter of `keyword`, given the first free one when it has none; nothing when all 26
    // are taken. Letters given before never change: message files carry them.
    std::optional<char> add(std::string_view keyword);

    // The file's text, a line for each keyword in the order of their letters.
    std::string text() const;

  private:
    std::array<std::string, 26> names_;  // by letter; empty: free
};

// The letter of `keyword` in the Maildir folder at `directory` (ending with '/'), added to
// the folder's dovecot-keywords file when missing, with whatever else the file held; nothing
// when all 26 letters are taken. Throws SaveError when the file cannot be read or written.
std::optional<char> folderKeywordLetter(const std::string& directory, std::string_view keyword);

}  // namespace pellmark::formats
