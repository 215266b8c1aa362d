#include "formats/OutputFormats.h"
#include "formats/mime/MimeMessageBuilder.h"
#include "formats/mime/MimeOutput.h"

namespace pellmark::formats {

void writeEml(const mapi::Item& message, base::ByteSink& sink) {
    writeMime(MimeMessageBuilder(message).build(), sink);
}

}  // namespace pellmark::formats
