#pragma once
// The entries of the configured-mailbox list: each shows the store's display name, 300 blanks,
// "#" and its entry identifier, as the list has always shown them, and carries the identifier
// itself as the entry's data, which is what the list is read by.

#include <QString>
#include <string>

class QComboBox;

namespace pellmark::gui {

QString storeListText(const std::string& displayName, const std::string& entryId);
void addStoreEntry(QComboBox& list, const std::string& displayName, const std::string& entryId);
// The entry identifier of the picked entry; empty when none is picked or it carries none.
std::string pickedStoreId(const QComboBox& list);

}  // namespace pellmark::gui
