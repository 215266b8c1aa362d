#pragma once
// The folder kinds the tree shows, by default message class, and the picture of each in the
// image list. Classes are compared whole and case-sensitively; a folder of any other class gets
// no node, though its subfolders are still walked.

#include <optional>
#include <string>

namespace pellmark::tree {

// Image list indexes the tree uses.
enum TreeImage : int {
    kStoreImage = 0,
    kMailImage = 2,
    kTasksImage = 58,
    kCalendarImage = 60,
    kContactsImage = 61,
    kJournalImage = 62,
    kNotesImage = 67,
};

// The picture of a folder of `defaultMessageClass`, or nothing when the tree does not show it.
std::optional<int> folderImage(const std::string& defaultMessageClass);

}  // namespace pellmark::tree
