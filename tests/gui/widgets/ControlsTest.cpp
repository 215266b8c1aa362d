#include "gui/widgets/Controls.h"

#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>

#include "gui/widgets/QtFileDialog.h"
#include "gui/widgets/Twips.h"
#include "support/gui/QtApplication.h"

namespace pellmark::gui {
namespace {

class ControlsTest : public ::testing::Test {
  protected:
    QApplication& application = test::qtApplication();
    QWidget window;
};

TEST_F(ControlsTest, TwipsBecomePixelsAtNinetySixDotsPerInch) {
    EXPECT_EQ(twips(1440), 96);
    EXPECT_EQ(twips(7350), 490);
    EXPECT_EQ(twips(195), 13);
    EXPECT_EQ(twipsRect(120, 480, 7095, 3735), QRect(8, 32, 473, 249));
    EXPECT_EQ(makeLabel(&window, "L", "x", {2160, 840, 3615, 255})->geometry(),
              QRect(144, 56, 241, 17));
}

TEST_F(ControlsTest, OptionButtonsOfOneParentExcludeEachOtherAndStartUnselected) {
    auto* a = makeOptionButton(&window, "OptA", "A", {0, 0, 100, 100});
    auto* b = makeOptionButton(&window, "OptB", "B", {0, 100, 100, 100}, true);
    EXPECT_FALSE(a->isChecked() || b->isChecked());
    EXPECT_TRUE(b->font().bold());
    a->click();
    b->click();
    EXPECT_FALSE(a->isChecked());
    EXPECT_TRUE(b->isChecked());
}

TEST_F(ControlsTest, LockedTextBoxStillReportsEveryChange) {
    auto* text = makeLockedTextBox(&window, "txtFile", {0, 0, 100, 100});
    int changes = 0;
    QObject::connect(text, &QLineEdit::textChanged, [&] { ++changes; });
    text->setText("/a.pst");
    text->setText("");
    EXPECT_TRUE(text->isReadOnly());
    EXPECT_EQ(changes, 2);
}

TEST_F(ControlsTest, ADropDownListIsAsWideAsItsBoxWhateverItsEntries) {
    window.resize(600, 400);
    auto* list = makeDropDownList(&window, "CmbList", "-- pick --", {150, 150, 4500, 360});
    list->addItem("Mailbox" + QString(300, QLatin1Char(' ')) + "#0000ABCDEF");
    window.show();
    list->showPopup();
    EXPECT_EQ(list->view()->window()->width(), list->width());
    list->hidePopup();
}

TEST(QtFileDialog, FiltersTakeQtsForm) {
    EXPECT_EQ(QtFileDialog::qtFilter("Outlook Mailbox (*.pst)|*.pst"), "Outlook Mailbox (*.pst)");
    EXPECT_EQ(QtFileDialog::qtFilter("Mail|*.pst;*.ost|All files|*"),
              "Mail (*.pst *.ost);;All files (*)");
}

}  // namespace
}  // namespace pellmark::gui
