#pragma once
// Reads an RTF document the way a reader does, for one of two outputs: the text a reader
// shows, or the HTML that a \fromhtml1 document encapsulates ([MS-OXRTFEX]). Tracks the
// group state that decides what is output and how bytes decode: hidden destinations, the
// font and its code page, \ucN skipping, \htmlrtf and \*\htmltag.

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "formats/body/RtfTokenizer.h"
#include "formats/body/TextSink.h"

namespace pellmark::formats {

class RtfInterpreter {
  public:
    enum class Output {
        Text,          // what a reader shows
        OriginalText,  // the plain text a \fromtext document encapsulates
        Html,          // the HTML a \fromhtml1 document encapsulates
    };

    RtfInterpreter(std::string_view rtf, Output output);
    std::string run();

  private:
    struct State {
        int uc = 1;              // fallback characters that follow each \uN
        int font = -1;           // the selected font; -1 for the default font
        bool fontTable = false;  // inside \fonttbl
        bool htmlTag = false;    // inside \*\htmltag
        bool htmlRtf = false;    // inside \htmlrtf ... \htmlrtf0
    };

    std::string finish();
    void groupStart();
    void groupEnd();
    void startDestination(const RtfToken& t, bool starred);
    void word(const RtfToken& t);
    bool characterWord(std::string_view name);
    void fontTableWord(const RtfToken& t);
    void symbol(char c);
    void text(std::string_view run);
    void hexByte(uint8_t b);
    void unicode(int32_t value);
    void newline();
    void character(char32_t c);
    bool visible() const;
    bool consumeFallback();
    int codepage();

    RtfTokenizer tok_;
    Output output_;
    std::string out_;
    TextSink sink_;
    State state_;
    std::vector<State> stack_;
    size_t unstackedDepth_ = 0;  // nesting past the depth limit, counted but not stored
    bool groupOpened_ = false;   // the previous token opened a group
    bool seenHtmlTag_ = false;   // encapsulated HTML starts at the first \*\htmltag
    int fallbackLeft_ = 0;       // \ucN characters still to skip
    char16_t highSurrogate_ = 0;
    int defaultCodepage_ = 1252;
    int defaultFont_ = -1;
    int fontBeingDefined_ = -1;
    std::vector<std::pair<int, int>> fontCodepages_;  // font number, code page (0: default)
};

}  // namespace pellmark::formats
