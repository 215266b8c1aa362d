#include "formats/text/TextOutput.h"

namespace pellmark::formats {

std::string normalizeLineEnds(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r') {
            out += '\n';
            if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

std::string headerText(const std::vector<HeaderField>& fields) {
    std::string out;
    for (const auto& f : fields) {
        out += f.label + ":\t";
        // Continuation lines of a multi-line value stay under the value.
        for (char c : f.value) {
            out += c;
            if (c == '\n') out += '\t';
        }
        out += '\n';
    }
    return out;
}

}  // namespace pellmark::formats
