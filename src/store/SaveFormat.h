#pragma once
// The seven save types: the code each is known by (the code an item's save takes) and the
// extension of its files.

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

namespace pellmark::store {

enum class SaveFormat : int16_t {
    Txt = 0,
    Rtf = 1,
    Msg = 3,
    Html = 5,
    Vcf = 6,
    Eml = 1024,
    Mht = 1027,
};

// ".txt", ".rtf", ...: with the dot, lower case.
std::string_view extensionOf(SaveFormat format);
// The format named "msg", "rtf", "txt", "vcf", "eml", "html" or "mht" (any case, a leading
// dot allowed).
std::optional<SaveFormat> saveFormatNamed(std::string_view name);
// The format of a save-type code.
std::optional<SaveFormat> saveFormatFromCode(int code);
// All seven, in the order the conversion window tests its options: MSG, RTF, TXT, VCF, EML,
// HTML, MHT.
const std::array<SaveFormat, 7>& saveFormats();

// Only HTML pages get their message's attachments written beside them.
inline bool writesAttachments(SaveFormat format) {
    return format == SaveFormat::Html;
}

}  // namespace pellmark::store
