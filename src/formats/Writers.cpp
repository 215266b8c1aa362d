#include "formats/Writers.h"

namespace pellmark::formats {

WriterFn writerFor(SaveFormat format) {
    switch (format) {
        case SaveFormat::Txt:
            return &writeTxt;
        case SaveFormat::Html:
            return &writeHtml;
        case SaveFormat::Rtf:
            return &writeRtf;
        case SaveFormat::Msg:
            return &writeMsg;
        case SaveFormat::Eml:
            return [](const pst::Message& m, const std::filesystem::path& p) { writeEml(m, p); };
        case SaveFormat::Mht:
            return [](const pst::Message& m, const std::filesystem::path& p) { writeMht(m, p); };
        case SaveFormat::Vcf:
            return &writeVcf;
        default:
            return nullptr;
    }
}

HashingWriterFn hashingWriterFor(SaveFormat format) {
    switch (format) {
        case SaveFormat::Eml:
            return [](const pst::Message& m, const std::filesystem::path& p, base::Sha256& d) {
                writeEml(m, p, &d);
            };
        case SaveFormat::Mht:
            return [](const pst::Message& m, const std::filesystem::path& p, base::Sha256& d) {
                writeMht(m, p, &d);
            };
        default:
            return nullptr;
    }
}

}  // namespace pellmark::formats
