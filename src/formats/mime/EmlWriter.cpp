#include "formats/Writers.h"
#include "formats/mime/MimeMessageBuilder.h"
#include "formats/mime/MimeOutput.h"

namespace pellmark::formats {

void writeEml(const pst::Message& message, const std::filesystem::path& path) {
    ensureGMime();
    auto mime = MimeMessageBuilder(message).build();
    writeMimeFile(GMIME_OBJECT(mime.get()), path);
}

}  // namespace pellmark::formats
