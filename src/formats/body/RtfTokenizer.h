#pragma once
// Splits RTF into its tokens: group braces, control words with their numeric parameter,
// control symbols, \'hh escapes, \binN data and runs of plain text. Line breaks in the
// source are not text; "\" before a line break is \par. Never reads past the input.

#include <cstdint>
#include <string_view>

namespace pellmark::formats {

struct RtfToken {
    enum class Kind { End, GroupStart, GroupEnd, Word, Symbol, HexByte, Text, Binary };
    Kind kind = Kind::End;
    std::string_view text;  // the word's name, the text run or the binary data
    int32_t param = 0;
    bool hasParam = false;
    char symbol = 0;    // a control symbol's character
    uint8_t byte = 0;   // the value of a \'hh escape
    size_t offset = 0;  // where the token starts in the input

    bool is(std::string_view word) const { return kind == Kind::Word && text == word; }
};

class RtfTokenizer {
  public:
    explicit RtfTokenizer(std::string_view rtf) : s_(rtf) {}

    RtfToken next();
    // Skips to the end of the group whose opening brace was the last token read, the closing
    // brace included; returns false when the input ends first.
    bool skipGroup();
    size_t position() const { return pos_; }

  private:
    RtfToken controlWord(size_t start);
    RtfToken controlSymbol(size_t start);
    RtfToken text(size_t start);
    void skipBinary(int32_t length);

    std::string_view s_;
    size_t pos_ = 0;
};

}  // namespace pellmark::formats
