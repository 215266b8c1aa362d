#include "store/SaveFormat.h"

#include "base/AsciiCase.h"

namespace pellmark::store {

const std::array<SaveFormat, 7>& saveFormats() {
    static const std::array<SaveFormat, 7> formats{
        SaveFormat::Msg, SaveFormat::Rtf,  SaveFormat::Txt, SaveFormat::Vcf,
        SaveFormat::Eml, SaveFormat::Html, SaveFormat::Mht};
    return formats;
}

std::string_view extensionOf(SaveFormat format) {
    switch (format) {
        case SaveFormat::Txt:
            return ".txt";
        case SaveFormat::Rtf:
            return ".rtf";
        case SaveFormat::Msg:
            return ".msg";
        case SaveFormat::Html:
            return ".html";
        case SaveFormat::Vcf:
            return ".vcf";
        case SaveFormat::Eml:
            return ".eml";
        case SaveFormat::Mht:
            return ".mht";
    }
    return {};
}

std::optional<SaveFormat> saveFormatNamed(std::string_view name) {
    if (!name.empty() && name.front() == '.') name.remove_prefix(1);
    for (SaveFormat format : saveFormats()) {
        if (!name.empty() && base::equalsNoCase(extensionOf(format).substr(1), name)) return format;
    }
    return std::nullopt;
}

std::optional<SaveFormat> saveFormatFromCode(int code) {
    for (SaveFormat format : saveFormats()) {
        if (static_cast<int>(format) == code) return format;
    }
    return std::nullopt;
}

}  // namespace pellmark::store
