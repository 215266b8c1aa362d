#include "formats/OutputFormats.h"
#include "formats/mime/MimeMessageBuilder.h"
#include "formats/mime/MimeOutput.h"

namespace pellmark::formats {

void writeEml(const mapi::Item& message, const std::filesystem::path& path, base::Sha256* digest) {
    writeMimeFile(MimeMessageBuilder(message).build(), path, digest);
}

}  // namespace pellmark::formats
