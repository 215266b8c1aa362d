#pragma once
// The window-control layer: each function makes one kind of control with what the windows rely
// on of it (caption with access key, fixed place in twips, locked text, exclusive options, ...).
// Controls get their system name as objectName, so tests and handlers find them by it.

#include <QColor>
#include <QList>
#include <QString>
#include <QStringList>

class QCheckBox;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QStatusBar;
class QTabWidget;
class QWidget;

namespace pellmark::gui {

// Where a control sits, in twips, relative to its parent's client area.
struct TwipsBox {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
};

// A label whose caption shows once pending events are processed.
QLabel* makeLabel(QWidget* parent, const QString& name, const QString& caption, TwipsBox box,
                  bool wordWrap = false);
// A push button; "&" in the caption marks the access key.
QPushButton* makeButton(QWidget* parent, const QString& name, const QString& caption, TwipsBox box);
// An option button; the options of one parent exclude each other. None is selected at first.
QRadioButton* makeOptionButton(QWidget* parent, const QString& name, const QString& caption,
                               TwipsBox box, bool bold = false);
// A captioned frame; disabling it makes its controls unusable.
QGroupBox* makeFrame(QWidget* parent, const QString& name, const QString& caption, TwipsBox box);
// A horizontal line of one colour.
QFrame* makeLine(QWidget* parent, const QString& name, TwipsBox box, QColor colour);
// A text box the user cannot type into; its text still changes under program control.
QLineEdit* makeLockedTextBox(QWidget* parent, const QString& name, TwipsBox box);
// Writes a locked text box. Every write counts as a change, also one that keeps the text, so
// the rules tied to its change event run again.
void writeLockedText(QLineEdit& box, const QString& text);
// A drop-down list without typing; `placeholder` shows while nothing is picked. The list drops
// below the box, as wide as the box.
QComboBox* makeDropDownList(QWidget* parent, const QString& name, const QString& placeholder,
                            TwipsBox box);
// A check box, laid out as the windows give it.
QCheckBox* makeCheckBox(QWidget* parent, const QString& name, const QString& caption, TwipsBox box);
// A tab control whose tabs are `tabHeight` pixels high.
QTabWidget* makeTabControl(QWidget* parent, const QString& name, TwipsBox box, int tabHeight);
// A tab control's page, 1-based as the windows count them.
void setTabPageEnabled(QTabWidget& tabs, int page, bool enabled);
void setCurrentTabPage(QTabWidget& tabs, int page);
// Status bar panels of fixed text, left to right.
QList<QLabel*> addStatusPanels(QStatusBar& bar, const QStringList& texts);

}  // namespace pellmark::gui
