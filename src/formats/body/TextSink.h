#pragma once
// Collects text that arrives as bytes in changing code pages and as code points, and writes
// it as UTF-8. Bytes are gathered while the code page stays the same and converted in one
// iconv call, so a double-byte character split over two RTF escapes converts whole.

#include <iconv.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace pellmark::formats {

class TextSink {
  public:
    explicit TextSink(std::string& out) : out_(out) {}
    ~TextSink();
    TextSink(const TextSink&) = delete;
    TextSink& operator=(const TextSink&) = delete;

    void byte(uint8_t b, int codepage);
    void bytes(std::string_view run, int codepage);
    void codePoint(char32_t c);
    void ascii(std::string_view s);
    // Converts the bytes gathered so far; call before reading the output.
    void flush();

  private:
    void convert(std::string_view in, int codepage);
    void convertSymbol(std::string_view in);
    iconv_t converter(int codepage);

    std::string& out_;
    std::string pending_;
    int pendingCodepage_ = 0;
    std::vector<std::pair<int, iconv_t>> converters_;
};

}  // namespace pellmark::formats
