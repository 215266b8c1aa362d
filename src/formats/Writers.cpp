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
            return &writeEml;
        case SaveFormat::Mht:
            return &writeMht;
        case SaveFormat::Vcf:
            return &writeVcf;
        default:
            return nullptr;
    }
}

bool hashesWhileWriting(SaveFormat format) {
    return format != SaveFormat::Msg;
}

}  // namespace pellmark::formats
