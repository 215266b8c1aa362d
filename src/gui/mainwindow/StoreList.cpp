#include "gui/mainwindow/StoreList.h"

#include <QApplication>
#include <QComboBox>
#include <QPainter>
#include <QProxyStyle>
#include <QStyleOptionComboBox>
#include <QStyledItemDelegate>

namespace pellmark::gui {

namespace {

// Draws the entries of the drop-down list by their names. Its size hints follow the names
// too, so the list never grows a scroll bar towards the identifiers.
class StoreNameDelegate : public QStyledItemDelegate {
  public:
    using QStyledItemDelegate::QStyledItemDelegate;

  protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        option->text = shownStoreName(option->text);
    }
};

// Draws the picked entry in the closed box by its name, cut with "..." when the box is narrower.
class StoreNameStyle : public QProxyStyle {
  public:
    using QProxyStyle::QProxyStyle;

    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget) const override {
        const auto* box = qstyleoption_cast<const QStyleOptionComboBox*>(option);
        if (element != CE_ComboBoxLabel || !box) {
            return QProxyStyle::drawControl(element, option, painter, widget);
        }
        QStyleOptionComboBox named(*box);
        const QRect field = subControlRect(CC_ComboBox, box, SC_ComboBoxEditField, widget);
        named.currentText = box->fontMetrics.elidedText(shownStoreName(box->currentText),
                                                        Qt::ElideRight, field.width());
        QProxyStyle::drawControl(element, &named, painter, widget);
    }
};

}  // namespace

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

QString shownStoreName(const QString& entryText) {
    const qsizetype hash = entryText.lastIndexOf(QLatin1Char('#'));
    if (hash < 0) return entryText;
    QString name = entryText.left(hash);
    while (name.endsWith(QLatin1Char(' '))) name.chop(1);
    return name;
}

void showStoreNamesOnly(QComboBox& list) {
    list.setItemDelegate(new StoreNameDelegate(&list));
    // A style the box has of its own (a drop-down list's) becomes the proxy's base, which takes
    // it over; the application's style is only followed, never taken.
    QStyle* own = list.style() == QApplication::style() ? nullptr : list.style();
    auto* style = new StoreNameStyle(own);
    style->setParent(&list);
    list.setStyle(style);
}

}  // namespace pellmark::gui
