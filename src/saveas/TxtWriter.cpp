#include <fstream>

#include "saveas/HeaderBlock.h"
#include "saveas/SaveError.h"
#include "saveas/TextOutput.h"
#include "saveas/Writers.h"

namespace pellmark::saveas {

void writeTxt(const pst::Message& message, const std::filesystem::path& path) {
    const ItemView item(message);
    std::string text = headerText(headerFields(item));
    std::string body = item.plainBody();
    if (!body.empty()) text += "\n" + normalizeLineEnds(body);
    if (!text.empty() && text.back() != '\n') text += '\n';
    writeWholeFile(path, text);
}

}  // namespace pellmark::saveas
