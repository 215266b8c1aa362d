#include "formats/OutputFormats.h"
#include "gui/conversion/ConversionWindow.h"

#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

#include "support/FakeStore.h"
#include "support/TestFiles.h"
#include "support/gui/QtApplication.h"
#include "support/gui/ScriptedDialogs.h"

namespace pellmark::gui {
namespace {

class ConversionWindowTest : public ::testing::Test {
  protected:
    ConversionWindowTest() : factory(world) {
        test::qtApplication();
        auto& store = world.addStore("Personal Folders", "S1");
        store.root.subfolders.push_back(
            test::fakeFolder("Inbox", {test::fakeMail("First"), test::fakeMail("Second")}));
        selection = {
            "S1", {{"F-Inbox", "\\\\Personal Folders\\Inbox"}, {}, {}}, dir.path().string()};
        window = std::make_unique<ConversionWindow>(selection, factory, dialogs.dialogs());
        window->show();
    }

    template <class W = QWidget>
    W* control(const char* name) {
        W* found = window->findChild<W*>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    QString text(const char* label) { return control<QLabel>(label)->text(); }

    // Picks the format, presses Convert and waits for the run's thread to end.
    void convertAs(const char* option) {
        control<QRadioButton>(option)->click();
        control<QPushButton>("CmdConversion")->click();
        waitForTheRun();
    }
    void waitForTheRun() {
        QElapsedTimer waited;
        waited.start();
        while (window->running() && waited.elapsed() < 60000) {
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        }
        ASSERT_FALSE(window->running()) << "the run did not end";
    }

    std::string root() const { return dir.path().string() + "/Converted Outlook PST/"; }

    test::TempDir dir;
    test::FakeWorld world;
    test::FakeSessionFactory factory;
    test::ScriptedDialogs dialogs;
    ConversionSelection selection;
    std::unique_ptr<ConversionWindow> window;
};

TEST_F(ConversionWindowTest, OpensAsTheFixedWindowWithItsTextsAndNothingChosen) {
    EXPECT_EQ(window->windowTitle(), "Convert Outlook Mailbox");
    EXPECT_EQ(window->size(), QSize(490, 453));
    EXPECT_EQ(window->minimumSize(), window->maximumSize());
    EXPECT_TRUE(window->isModal());
    EXPECT_EQ(control<QGroupBox>("SaveOptionsFrame")->title(), " Saving Options");
    EXPECT_EQ(control<QGroupBox>("ExportFrame")->title(), " Conversion Progress Details");
    const std::pair<const char*, const char*> options[] = {
        {"OptMSG", "  Save as .MSG"}, {"OptEML", "  Save as .EML"}, {"OptVCF", "  Save as .VCF"},
        {"OptTXT", "  Save as .TXT"}, {"OptRTF", "  Save as .RTF"}, {"OptHTML", "  Save as .HTML"},
        {"OptMHT", "  Save as .MHT"}};
    int top = 24;  // 360 twips, then one row every 480
    for (const auto& [name, caption] : options) {
        auto* option = control<QRadioButton>(name);
        EXPECT_EQ(option->text(), caption);
        EXPECT_FALSE(option->isChecked());
        EXPECT_TRUE(option->font().bold());
        EXPECT_EQ(option->y(), top);
        top += 32;
    }
    EXPECT_EQ(text("Label3"), "[ For import in Outlook Express, Thunderbird etc ]");
    EXPECT_EQ(control("Label3")->width(), 241);
    EXPECT_EQ(text("LblSaveHeader"),
              " Click Convert Outlook Mailbox Button to Start Export Process");
    EXPECT_EQ(text("LblSubject"), "Subject :");
    EXPECT_EQ(text("LblFoundLabel"), "Found :");
    EXPECT_EQ(text("Label1"), "Current :");
    EXPECT_TRUE(text("LblProcessing").isEmpty());
    EXPECT_TRUE(control<QLabel>("LblProcessing")->wordWrap());
    auto* convert = control<QPushButton>("CmdConversion");
    EXPECT_EQ(convert->text(), "Convert Outlook &Mailbox");
    EXPECT_FALSE(convert->isEnabled());
    EXPECT_EQ(convert->geometry(), QRect(168, 416, 145, 29));
}

TEST_F(ConversionWindowTest, TabOrderRunsFromConvertThroughTheFramesToTheOptions) {
    const QStringList expected = {"CmdConversion", "ExportFrame", "SaveOptionsFrame", "OptMSG",
                                  "OptEML",        "OptTXT",      "OptVCF",           "OptRTF",
                                  "OptHTML",       "OptMHT"};
    QStringList order;
    QWidget* widget = control("CmdConversion");
    for (int i = 0; i < 200 && order.size() < expected.size(); ++i) {
        if (expected.contains(widget->objectName()) && !order.contains(widget->objectName())) {
            order << widget->objectName();
        }
        widget = widget->nextInFocusChain();
    }
    EXPECT_EQ(order, expected);
}

TEST_F(ConversionWindowTest, PickingAFormatEnablesConvertAndEveryOpeningStartsAfresh) {
    auto* convert = control<QPushButton>("CmdConversion");
    convert->click();
    EXPECT_EQ(world.sessionsCreated, 0) << "the disabled button cannot start a run";
    control<QRadioButton>("OptHTML")->click();
    EXPECT_TRUE(convert->isEnabled());
    control<QRadioButton>("OptTXT")->click();
    EXPECT_TRUE(convert->isEnabled());
    EXPECT_FALSE(control<QRadioButton>("OptHTML")->isChecked());

    ConversionWindow second(selection, factory, dialogs.dialogs());
    for (auto* option : second.findChildren<QRadioButton*>()) EXPECT_FALSE(option->isChecked());
    auto* secondConvert = second.findChild<QPushButton*>("CmdConversion");
    EXPECT_FALSE(secondConvert->isEnabled());

    // A screen reader checks an option with its toggle action, which is no click.
    auto* eml = second.findChild<QRadioButton*>("OptEML");
    second.show();
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(eml);
    ASSERT_NE(accessible, nullptr);
    ASSERT_NE(accessible->actionInterface(), nullptr);
    accessible->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
    EXPECT_TRUE(eml->isChecked());
    EXPECT_TRUE(secondConvert->isEnabled());
}

TEST_F(ConversionWindowTest, ConvertRunsTheExportReportsCompletionAndCloses) {
    convertAs("OptEML");
    EXPECT_EQ(world.saveTypes, (std::vector<int16_t>{1024, 1024}));
    ASSERT_EQ(dialogs.messageBox.shown().size(), 1u);
    const auto& shown = dialogs.messageBox.shown()[0];
    EXPECT_EQ(shown.title, "Export Complete");
    EXPECT_EQ(shown.text.toStdString(), "Outlook Mailbox Exported Successfully to >\r\n" + root());
    EXPECT_EQ(shown.icon, MessageIcon::Information);
    EXPECT_EQ(selection.exportRootPath, root());
    EXPECT_TRUE(selection.folders.empty());
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(window->result(), QDialog::Accepted);
    EXPECT_EQ(text("LblSaveHeader"), "Inbox");
    EXPECT_EQ(text("LblProcessing"), "Second");
    EXPECT_EQ(text("LblFound"), "2");
    EXPECT_EQ(text("LblCurrent"), "2/2");
}

// Each option saves with the code of its format, as the table of formats has it: the
// option's object name is "Opt" and the format's name in capitals.
TEST_F(ConversionWindowTest, EachOptionSavesWithItsFormatsCode) {
    for (const auto& format : formats::outputFormats()) {
        if (!format.inWindow) continue;
        world.saveTypes.clear();
        selection.folders = {{"F-Inbox", "\\\\Personal Folders\\Inbox"}};
        window = std::make_unique<ConversionWindow>(selection, factory, dialogs.dialogs());
        window->show();
        const std::string name = "Opt" + QString::fromLatin1(format.name).toUpper().toStdString();
        convertAs(name.c_str());
        // Contact folders always yield vCards; the Inbox's two items take the option's code.
        EXPECT_EQ(world.saveTypes,
                  std::vector<int16_t>(format.save == store::SaveFormat::Vcf ? 0 : 2,
                                       static_cast<int16_t>(format.save)))
            << name;
    }
}

TEST_F(ConversionWindowTest, MhtSavesWithItsCode) {
    convertAs("OptMHT");
    EXPECT_EQ(world.saveTypes, (std::vector<int16_t>{1027, 1027}));
    std::size_t mht = 0;
    for (const auto& entry :
         std::filesystem::directory_iterator(root() + "Personal Folders/Inbox")) {
        mht += entry.path().extension() == ".mht";
    }
    EXPECT_EQ(mht, 2u);
}

// The run goes on on a thread of its own; the window shows that it prepares at once, and a
// second press, a close or Escape while it runs change nothing.
TEST_F(ConversionWindowTest, ASecondPressOrACloseDuringTheRunChangesNothing) {
    control<QRadioButton>("OptTXT")->click();
    control<QPushButton>("CmdConversion")->click();
    EXPECT_EQ((QStringList{text("LblSaveHeader"), text("LblProcessing"), text("LblFound"),
                           text("LblCurrent")}),
              (QStringList{"Checking Configuration...", "Processing...", "", ""}));
    window->convert();
    window->close();
    window->reject();
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(window->running());
    waitForTheRun();
    EXPECT_EQ(world.sessionsCreated, 1);
    EXPECT_EQ(world.saveTypes.size(), 2u);
    EXPECT_EQ(dialogs.messageBox.shown().size(), 1u);
    EXPECT_FALSE(window->isVisible());
}

TEST_F(ConversionWindowTest, FailuresAreReportedNotPassedOffAsSuccess) {
    world.stores[0].root.subfolders[0].items[1].failSave = true;
    convertAs("OptMSG");
    ASSERT_EQ(dialogs.messageBox.shown().size(), 1u);
    EXPECT_EQ(dialogs.messageBox.shown()[0].title, "Export finished with errors");
    EXPECT_TRUE(dialogs.messageBox.shown()[0].text.contains("1 item could not be exported"));
    EXPECT_EQ(dialogs.messageBox.shown()[0].icon, MessageIcon::Warning);
}

// The run passes a contact folder's distribution lists over; the message says so, whether the
// rest went well or not.
TEST_F(ConversionWindowTest, SkippedDistributionListsAreNamedInTheMessage) {
    test::FakeFolder contacts =
        test::fakeFolder("Contacts", {test::fakeContact("Ann", "Lee"), test::fakeDistList("Team")});
    contacts.defaultMessageClass = "IPM.Contact";
    world.stores[0].root.subfolders.push_back(contacts);
    selection.folders = {{"F-Contacts", "\\\\Personal Folders\\Contacts"}, {}};
    convertAs("OptVCF");
    ASSERT_EQ(dialogs.messageBox.shown().size(), 1u);
    EXPECT_EQ(dialogs.messageBox.shown()[0].title, "Export Complete");
    EXPECT_EQ(dialogs.messageBox.shown()[0].text.toStdString(),
              "Outlook Mailbox Exported Successfully to >\r\n" + root() +
                  "\r\n\r\n1 distribution list was not exported: distribution lists are not "
                  "saved as files.\r\n");
}

TEST_F(ConversionWindowTest, ALogonFailureGetsAClearMessageAndTheWindowCloses) {
    world.failLogon = true;
    convertAs("OptRTF");
    ASSERT_EQ(dialogs.messageBox.shown().size(), 1u);
    EXPECT_EQ(dialogs.messageBox.shown()[0].title, "Export Failed");
    EXPECT_TRUE(
        dialogs.messageBox.shown()[0].text.startsWith("The mail store could not be opened"));
    EXPECT_TRUE(selection.folders.empty());
    EXPECT_FALSE(window->isVisible());
}

}  // namespace
}  // namespace pellmark::gui
