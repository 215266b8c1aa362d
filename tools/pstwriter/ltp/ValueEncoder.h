#pragma once
// Property values as the file stores them ([MS-PST] 2.3.3.4): text as UTF-16LE in Unicode
// files and in a code page in ANSI ones, multi-valued data with its offset table.

#include <cstdint>
#include <memory>
#include <string_view>

#include "pstwriter/ltp/PropValue.h"

namespace pellmark::pstwriter {

class TextCodec {
  public:
    // `codepage` is the default for ANSI files (windows-1252 unless told otherwise).
    explicit TextCodec(bool unicode, int codepage = 1252)
        : unicode_(unicode), codepage_(codepage) {}
    bool unicode() const { return unicode_; }
    int codepage() const { return codepage_; }
    // Text in the file's form; `codepage` 0 means the default. Characters the code page lacks
    // become '?'. Throws std::invalid_argument for an unknown code page.
    ByteVec encode(std::string_view utf8, int codepage = 0) const;

  private:
    bool unicode_;
    int codepage_;
};

ByteVec utf16le(std::string_view utf8);
ByteVec toCodepage(std::string_view utf8, int codepage);

struct StoredProp {
    uint16_t id = 0;
    PropType type = PropType::Int32;
    ByteVec bytes;
    std::shared_ptr<const ContentSource> stream;  // large binary content, read when written

    PropTag tag() const { return mapi::makeTag(id, type); }
    uint64_t size() const { return stream ? stream->size() : bytes.size(); }
};

// The type a value takes in this file: string types follow the file's kind.
PropType storedType(PropType type, bool unicode);
StoredProp storeValue(uint16_t id, const PropValue& value, const TextCodec& codec,
                      int codepage = 0);

}  // namespace pellmark::pstwriter
