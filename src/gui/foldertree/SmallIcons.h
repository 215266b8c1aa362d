#pragma once
// SmallIcons, the main window's image list of 16 x 16 pictures. It has 76 slots; the folder
// tree shows those of the store (0), mail (2), tasks (58), calendar (60), contacts (61), journal
// (62) and notes (67) folders. The other slots are empty.

#include "gui/foldertree/ImageList.h"
#include "store/FolderKinds.h"

namespace pellmark::gui {

inline constexpr int kSmallIconCount = 76;

// The slots the tree shows.
enum TreeImage : int {
    kStoreImage = 0,
    kMailImage = 2,
    kTasksImage = 58,
    kCalendarImage = 60,
    kContactsImage = 61,
    kJournalImage = 62,
    kNotesImage = 67,
};

ImageList smallIcons();

// The slot of a folder of `kind`.
int imageOf(store::FolderKind kind);

}  // namespace pellmark::gui
