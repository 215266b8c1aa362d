#include "gui/foldertree/SmallIcons.h"

#include <utility>

#include "gui/widgets/Artwork.h"

// The icons are compiled into this static library; their registration must be pulled in by name.
static void registerTreeIcons() {
    Q_INIT_RESOURCE(tree_icons);
}

namespace pellmark::gui {

ImageList smallIcons() {
    static const std::pair<int, const char*> pictures[] = {
        {kStoreImage, "store"},       {kMailImage, "mail"},         {kTasksImage, "tasks"},
        {kCalendarImage, "calendar"}, {kContactsImage, "contacts"}, {kJournalImage, "journal"},
        {kNotesImage, "notes"},
    };
    static const bool registered = (registerTreeIcons(), true);
    (void)registered;
    ImageList images(kSmallIconCount);
    for (const auto& [index, name] : pictures) {
        images[static_cast<std::size_t>(index)] =
            svgIcon(QStringLiteral(":/tree/icons/%1.svg").arg(QLatin1String(name)), {16});
    }
    return images;
}

int imageOf(store::FolderKind kind) {
    switch (kind) {
        case store::FolderKind::Mail:
            return kMailImage;
        case store::FolderKind::Contacts:
            return kContactsImage;
        case store::FolderKind::Calendar:
            return kCalendarImage;
        case store::FolderKind::Journal:
            return kJournalImage;
        case store::FolderKind::Notes:
            return kNotesImage;
        case store::FolderKind::Tasks:
            return kTasksImage;
    }
    return kMailImage;
}

}  // namespace pellmark::gui
