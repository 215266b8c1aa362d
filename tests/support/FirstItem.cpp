#include "support/FirstItem.h"

namespace pellmark::test {

std::unique_ptr<store::MailItem> firstItemIn(store::Folder& root, const std::string& folder) {
    if ((folder.empty() || root.name() == folder) && root.items()->count() > 0)
        return root.items()->item(1);
    auto e = root.folders()->enumerate();
    while (auto child = e->next()) {
        if (auto item = firstItemIn(*child, folder)) return item;
    }
    return nullptr;
}

}  // namespace pellmark::test
