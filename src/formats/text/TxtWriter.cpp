#include <fstream>

#include "formats/OutputFormats.h"
#include "formats/SaveError.h"
#include "formats/text/HeaderBlock.h"
#include "formats/text/TextOutput.h"

namespace pellmark::formats {

void writeTxt(const mapi::Item& message, base::ByteSink& sink) {
    const ItemView item(message);
    std::string text = headerText(headerFields(item));
    std::string body = item.plainBody();
    if (!body.empty()) {
        text += '\n';
        text += normalizeLineEnds(body);
    }
    if (!text.empty() && text.back() != '\n') text += '\n';
    sink.put(text);
}

}  // namespace pellmark::formats
