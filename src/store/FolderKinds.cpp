#include "store/FolderKinds.h"

#include <algorithm>
#include <cctype>
#include <string_view>
#include <utility>

namespace pellmark::store {

std::optional<FolderKind> folderKindOf(const std::string& cls) {
    static const std::pair<const char*, FolderKind> kKinds[] = {
        {"IPM.Contact", FolderKind::Contacts},     {"IPM.Note", FolderKind::Mail},
        {"IPM.Appointment", FolderKind::Calendar}, {"IPM.Journal", FolderKind::Journal},
        {"IPM.StickyNote", FolderKind::Notes},     {"IPM.Task", FolderKind::Tasks}};
    for (const auto& [name, kind] : kKinds) {
        if (cls == name) return kind;
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
