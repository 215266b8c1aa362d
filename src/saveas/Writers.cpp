#include "saveas/Writers.h"

namespace pellmark::saveas {

WriterFn writerFor(SaveFormat format) {
    switch (format) {
        case SaveFormat::Txt: return &writeTxt;
        case SaveFormat::Html: return &writeHtml;
        case SaveFormat::Rtf: return &writeRtf;
        case SaveFormat::Msg: return &writeMsg;
        default: return nullptr;
    }
}

}  // namespace pellmark::saveas
