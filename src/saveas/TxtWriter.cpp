#include "saveas/SaveError.h"
#include "saveas/Writers.h"

namespace pellmark::saveas {

void writeTxt(const pst::Message&, const std::filesystem::path&) {
    throw SaveError("the text save is not available yet");
}
void writeHtml(const pst::Message&, const std::filesystem::path&) {
    throw SaveError("the HTML save is not available yet");
}
void writeRtf(const pst::Message&, const std::filesystem::path&) {
    throw SaveError("the RTF save is not available yet");
}

}  // namespace pellmark::saveas
