#include "gui/mainwindow/StoreList.h"

#include <QComboBox>

namespace pellmark::gui {

QString storeListText(const std::string& displayName, const std::string& entryId) {
    return QString::fromStdString(displayName) + QString(300, QLatin1Char(' ')) + QLatin1Char('#') +
           QString::fromStdString(entryId);
}

void addStoreEntry(QComboBox& list, const std::string& displayName, const std::string& entryId) {
    list.addItem(storeListText(displayName, entryId), QString::fromStdString(entryId));
}

std::string pickedStoreId(const QComboBox& list) {
    return list.currentData().toString().toStdString();
}

}  // namespace pellmark::gui
