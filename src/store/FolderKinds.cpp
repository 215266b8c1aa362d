#include "store/FolderKinds.h"

#include <utility>

namespace pellmark::store {

std::optional<int> folderImageIndex(const std::string& cls) {
    static const std::pair<const char*, int> kKinds[] = {
        {"IPM.Contact", 61}, {"IPM.Note", 2},        {"IPM.Appointment", 60},
        {"IPM.Journal", 62}, {"IPM.StickyNote", 67}, {"IPM.Task", 58}};
    for (const auto& [name, image] : kKinds) {
        if (cls == name) return image;
    }
    return std::nullopt;
}

}  // namespace pellmark::store
