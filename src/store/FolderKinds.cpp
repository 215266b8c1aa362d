#include "store/FolderKinds.h"

#include <algorithm>
#include <cctype>
#include <string_view>
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

bool isContactClass(const std::string& cls) {
    auto startsWith = [&](std::string_view kind) {
        if (cls.size() < kind.size() || (cls.size() > kind.size() && cls[kind.size()] != '.')) {
            return false;
        }
        return std::equal(kind.begin(), kind.end(), cls.begin(), [](char a, char b) {
            return std::tolower(static_cast<unsigned char>(a)) ==
                   std::tolower(static_cast<unsigned char>(b));
        });
    };
    return startsWith("IPM.Contact") || startsWith("IPM.AbchPerson");
}

}  // namespace pellmark::store
