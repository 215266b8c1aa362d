#include "store/FolderKinds.h"

#include <string_view>
#include <utility>

#include "base/AsciiCase.h"

namespace pellmark::store {

namespace {

// Whether `cls` is `family` or extends it ("IPM.Contact.Custom"), in any letter case.
bool inFamily(std::string_view cls, std::string_view family) {
    return base::startsWithNoCase(cls, family) &&
           (cls.size() == family.size() || cls[family.size()] == '.');
}

}  // namespace

FolderKind folderKindOf(const std::string& cls) {
    static const std::pair<std::string_view, FolderKind> kKinds[] = {
        {"IPM.Contact", FolderKind::Contacts},
        {"IPM.Appointment", FolderKind::Calendar},
        {"IPM.Journal", FolderKind::Journal},
        {"IPM.StickyNote", FolderKind::Notes},
        {"IPM.Task", FolderKind::Tasks}};
    for (const auto& [family, kind] : kKinds) {
        if (inFamily(cls, family)) return kind;
    }
    return FolderKind::Mail;
}

bool isContactClass(const std::string& cls) {
    return inFamily(cls, "IPM.Contact") || inFamily(cls, "IPM.AbchPerson");
}

}  // namespace pellmark::store
