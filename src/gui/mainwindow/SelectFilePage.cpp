#include "gui/mainwindow/SelectFilePage.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "gui/mainwindow/AppPictures.h"
#include "gui/widgets/Controls.h"

namespace pellmark::gui {

const char* const kConfiguredMailboxHelp =
    "This Option allows you to convert default Outlook mailbox or other configured Outlook PST "
    "files. Software will list all configured Outlook mailboxes and you can choose which mailbox "
    "you need to convert.";
const char* const kOtherPstHelp =
    "This Option allows you to select a Outlook PST file to be converted.";

SelectFilePage::SelectFilePage(QWidget* parent) : QWidget(parent) {
    QGroupBox* source = makeFrame(this, QStringLiteral("SourceFrame"),
                                  QStringLiteral(" Select Outlook  (.pst) file to convert"),
                                  {150, 150, 9900, 2250});
    configuredOption = makeOptionButton(source, QStringLiteral("OptConfiguredPST"),
                                        QStringLiteral("  Convert configured Outlook Mailboxes"),
                                        {240, 450, 4950, 330}, true);
    configuredOption->setChecked(true);
    exportConfiguredButton = makeButton(source, QStringLiteral("CmdExportConfigured"),
                                        QStringLiteral("Export Mailbox"), {7620, 360, 2040, 450});
    exportConfiguredButton->setIcon(exportButtonIcon());
    otherPstOption =
        makeOptionButton(source, QStringLiteral("OptOtherPST"),
                         QStringLiteral("  Convert Other PST file"), {240, 930, 4950, 330}, true);

    otherPstFrame =
        makeFrame(source, QStringLiteral("OtherPSTFrame"),
                  QStringLiteral(" Select Outlook File (.pst) "), {240, 1320, 9420, 780});
    pstPathBox = makeLockedTextBox(otherPstFrame, QStringLiteral("txtNotesDatabaseFile"),
                                   {150, 300, 5280, 360});
    browseButton = makeButton(otherPstFrame, QStringLiteral("CmdBrowse"),
                              QStringLiteral("Browse..."), {5550, 255, 1650, 450});
    browseButton->setIcon(browseButtonIcon());
    exportOtherButton = makeButton(otherPstFrame, QStringLiteral("CmdExportOther"),
                                   QStringLiteral("Export Mailbox"), {7320, 255, 1950, 450});
    exportOtherButton->setIcon(exportButtonIcon());

    QGroupBox* help = makeFrame(this, QStringLiteral("HelpFrame"), QStringLiteral(" Help"),
                                {150, 2580, 9900, 2700});
    helpLabel = makeLabel(help, QStringLiteral("LblHelp"), QLatin1String(kConfiguredMailboxHelp),
                          {210, 390, 9480, 2100}, true);

    QLabel* versionsIcon =
        makeLabel(this, QStringLiteral("Image1"), QString(), {210, 5580, 240, 240});
    versionsIcon->setPixmap(supportsPicture());
    makeLabel(this, QStringLiteral("LblSupports"),
              QStringLiteral("Supports Outlook 2000, 2002 (XP), 2003, 2007"),
              {570, 5595, 6000, 270});
}

}  // namespace pellmark::gui
