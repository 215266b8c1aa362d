#pragma once
// The seven output formats: the save-type code handed to the item's save and the extension of
// the files written.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "store/MailStore.h"

namespace pellmark::exporting {

struct ExportFormat {
    int16_t SaveType = 0;
    std::string Extension;  // with its leading dot, lower case

    bool isVCard() const { return SaveType == static_cast<int16_t>(store::SaveType::Vcf); }
    // Only HTML pages get their attachments written beside them.
    bool writesAttachments() const { return Extension == ".html"; }
    bool operator==(const ExportFormat&) const = default;
};

ExportFormat exportFormatFor(store::SaveType type);
// "msg", "rtf", "txt", "vcf", "eml", "html", "mht" (any case, leading dot allowed).
std::optional<ExportFormat> exportFormatNamed(std::string_view name);
// The seven formats in the order the run tests its options: MSG, RTF, TXT, VCF, EML, HTML, MHT.
const std::array<ExportFormat, 7>& exportFormats();

}  // namespace pellmark::exporting
