#include "pst/ndb/Format.h"

namespace pellmark::pst {

const FormatTraits& FormatTraits::of(Format f) {
    static const FormatTraits kAnsi{Format::Ansi, 4, 512, 12, 496, 64, 12, 8180, 16, 12, 12};
    static const FormatTraits kUnicode{Format::Unicode, 8, 512, 16, 488, 64, 16, 8176, 32, 24, 24};
    // Blocks of the 4 KiB variant may be zlib-compressed; their uncompressed size can reach
    // 64 KiB less the trailer.
    static const FormatTraits kUnicode4k{
        Format::Unicode4k, 8, 4096, 24, 4056, 512, 24, 65512, 32, 24, 24};
    switch (f) {
        case Format::Ansi:
            return kAnsi;
        case Format::Unicode:
            return kUnicode;
        case Format::Unicode4k:
            return kUnicode4k;
    }
    return kUnicode;
}

}  // namespace pellmark::pst
