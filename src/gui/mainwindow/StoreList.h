#pragma once
// The entries of the configured-mailbox list: each is the store's display name, 300 blanks, "#"
// and its entry identifier, as the list has always held them, and carries the identifier itself
// as the entry's data, which is what the list is read by. The list shows the names alone.

#include <QString>
#include <string>

class QComboBox;

namespace pellmark::gui {

QString storeListText(const std::string& displayName, const std::string& entryId);
void addStoreEntry(QComboBox& list, const std::string& displayName, const std::string& entryId);
// The entry identifier of the picked entry; empty when none is picked or it carries none.
std::string pickedStoreId(const QComboBox& list);

// What an entry shows: the text before its last "#" without the blanks that pad it; a text
// without "#" whole.
QString shownStoreName(const QString& entryText);
// Makes `list` show each entry as shownStoreName gives it, in the box and in its drop-down
// list, which then needs no more width than the names; the entries keep their texts.
void showStoreNamesOnly(QComboBox& list);

}  // namespace pellmark::gui
