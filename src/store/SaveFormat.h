#pragma once
// The save types: the code an item's save takes. What each writes, its name and its extension
// are the output formats' table (formats/OutputFormats.h).

#include <cstdint>

namespace pellmark::store {

enum class SaveFormat : int16_t {
    Txt = 0,
    Rtf = 1,
    Msg = 3,
    Html = 5,
    Vcf = 6,
    Ics = 8,
    Pdf = 9,
    Eml = 1024,
    Mht = 1027,
};

}  // namespace pellmark::store
