#include "saveas/MimeMessageBuilder.h"
#include "saveas/MimeOutput.h"
#include "saveas/Writers.h"

namespace pellmark::saveas {

void writeEml(const pst::Message& message, const std::filesystem::path& path) {
    ensureGMime();
    auto mime = MimeMessageBuilder(message).build();
    writeMimeFile(GMIME_OBJECT(mime.get()), path);
}

}  // namespace pellmark::saveas
