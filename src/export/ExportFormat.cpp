#include "export/ExportFormat.h"

#include <algorithm>
#include <cctype>

namespace pellmark::exporting {

const std::array<ExportFormat, 7>& exportFormats() {
    static const std::array<ExportFormat, 7> formats{{
        {3, ".msg"},
        {1, ".rtf"},
        {0, ".txt"},
        {6, ".vcf"},
        {1024, ".eml"},
        {5, ".html"},
        {1027, ".mht"},
    }};
    return formats;
}

ExportFormat exportFormatFor(store::SaveType type) {
    for (const ExportFormat& format : exportFormats()) {
        if (format.SaveType == static_cast<int16_t>(type)) return format;
    }
    return {};
}

std::optional<ExportFormat> exportFormatNamed(std::string_view name) {
    std::string wanted(name);
    std::transform(wanted.begin(), wanted.end(), wanted.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (wanted.empty() || wanted.front() != '.') wanted.insert(wanted.begin(), '.');
    for (const ExportFormat& format : exportFormats()) {
        if (format.Extension == wanted) return format;
    }
    return std::nullopt;
}

}  // namespace pellmark::exporting
