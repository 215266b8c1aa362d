#include <fstream>

#include "formats/SaveError.h"
#include "formats/Writers.h"
#include "formats/text/HeaderBlock.h"
#include "formats/text/TextOutput.h"

namespace pellmark::formats {

void writeTxt(const pst::Message& message, const std::filesystem::path& path,
              base::Sha256* digest) {
    const ItemView item(message);
    std::string text = headerText(headerFields(item));
    std::string body = item.plainBody();
    if (!body.empty()) {
        text += '\n';
        text += normalizeLineEnds(body);
    }
    if (!text.empty() && text.back() != '\n') text += '\n';
    writeWholeFile(path, text, digest);
}

}  // namespace pellmark::formats
