#include "gui/mainwindow/MailboxPreviewPage.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>

#include "gui/foldertree/FolderTree.h"
#include "gui/mainwindow/StoreList.h"
#include "gui/widgets/Controls.h"
#include "gui/widgets/Twips.h"

namespace pellmark::gui {

namespace {

QLabel* boldLabel(QWidget* parent, const char* name, const char* caption, TwipsBox box) {
    QLabel* label = makeLabel(parent, QLatin1String(name), QLatin1String(caption), box);
    QFont font = label->font();
    font.setBold(true);
    label->setFont(font);
    return label;
}

}  // namespace

MailboxPreviewPage::MailboxPreviewPage(QWidget* parent) : QWidget(parent) {
    boldLabel(this, "Label5", "Please select a available configured Outlook mailbox",
              {150, 150, 7500, 270});
    storeList = makeDropDownList(this, QStringLiteral("CmbOutlookStores"),
                                 QStringLiteral("---- Select a Outlook Mailbox ----"),
                                 {150, 450, 9900, 360});
    showStoreNamesOnly(*storeList);
    boldLabel(this, "Label3", "Select folders you need to convert", {150, 990, 6000, 270});
    folderTree = new FolderTree(this);
    folderTree->setObjectName(QStringLiteral("OutlookFoldersTree"));
    folderTree->setGeometry(twipsRect(150, 1290, 9900, 4260));
    startButton = makeButton(this, QStringLiteral("CmdStartConversion"),
                             QStringLiteral("Start Conversion"), {7950, 5670, 2100, 480});
}

}  // namespace pellmark::gui
