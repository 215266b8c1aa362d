#include "tree/FolderKinds.h"

#include <string_view>
#include <utility>

namespace pellmark::tree {

std::optional<int> folderImage(const std::string& defaultMessageClass) {
    static constexpr std::pair<std::string_view, int> kinds[] = {
        {"IPM.Contact", kContactsImage},     {"IPM.Note", kMailImage},
        {"IPM.Appointment", kCalendarImage}, {"IPM.Journal", kJournalImage},
        {"IPM.StickyNote", kNotesImage},     {"IPM.Task", kTasksImage},
    };
    for (const auto& [name, image] : kinds) {
        if (defaultMessageClass == name) return image;
    }
    return std::nullopt;
}

}  // namespace pellmark::tree
