#include "gui/widgets/Controls.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QProxyStyle>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTabBar>
#include <QTabWidget>

#include "gui/widgets/Twips.h"

namespace pellmark::gui {

namespace {

class FixedHeightTabBar : public QTabBar {
  public:
    FixedHeightTabBar(int height, QWidget* parent) : QTabBar(parent), height_(height) {}

  protected:
    QSize tabSizeHint(int index) const override {
        return {QTabBar::tabSizeHint(index).width(), height_};
    }

  private:
    int height_;
};

// Drops a list below its box, as wide as the box, whatever the entries hold: some styles widen
// the list to its longest entry, which for entries padded with blanks is the whole screen.
class DropDownListStyle : public QProxyStyle {
  public:
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returned) const override {
        if (hint == QStyle::SH_ComboBox_Popup) return 0;
        return QProxyStyle::styleHint(hint, option, widget, returned);
    }
};

class TabControl : public QTabWidget {
  public:
    TabControl(int tabHeight, QWidget* parent) : QTabWidget(parent) {
        setTabBar(new FixedHeightTabBar(tabHeight, this));
    }
};

template <class W>
W* place(W* widget, const QString& name, TwipsBox box) {
    widget->setObjectName(name);
    widget->setGeometry(twipsRect(box.left, box.top, box.width, box.height));
    return widget;
}

}  // namespace

QLabel* makeLabel(QWidget* parent, const QString& name, const QString& caption, TwipsBox box,
                  bool wordWrap) {
    auto* label = place(new QLabel(caption, parent), name, box);
    label->setWordWrap(wordWrap);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    // Captions are plain text: a subject such as "<b>" must show as written.
    label->setTextFormat(Qt::PlainText);
    return label;
}

QPushButton* makeButton(QWidget* parent, const QString& name, const QString& caption,
                        TwipsBox box) {
    return place(new QPushButton(caption, parent), name, box);
}

QRadioButton* makeOptionButton(QWidget* parent, const QString& name, const QString& caption,
                               TwipsBox box, bool bold) {
    auto* option = place(new QRadioButton(caption, parent), name, box);
    option->setAutoExclusive(true);
    if (bold) {
        QFont font = option->font();
        font.setBold(true);
        option->setFont(font);
    }
    return option;
}

QGroupBox* makeFrame(QWidget* parent, const QString& name, const QString& caption, TwipsBox box) {
    return place(new QGroupBox(caption, parent), name, box);
}

QFrame* makeLine(QWidget* parent, const QString& name, TwipsBox box, QColor colour) {
    auto* line = place(new QFrame(parent), name, box);
    line->setFrameShape(QFrame::NoFrame);
    line->setAutoFillBackground(true);
    QPalette palette = line->palette();
    palette.setColor(QPalette::Window, colour);
    line->setPalette(palette);
    line->setFixedHeight(1);
    return line;
}

QLineEdit* makeLockedTextBox(QWidget* parent, const QString& name, TwipsBox box) {
    auto* text = place(new QLineEdit(parent), name, box);
    text->setReadOnly(true);
    return text;
}

void writeLockedText(QLineEdit& box, const QString& text) {
    if (box.text() == text) {
        emit box.textChanged(text);
    } else {
        box.setText(text);
    }
}

QComboBox* makeDropDownList(QWidget* parent, const QString& name, const QString& placeholder,
                            TwipsBox box) {
    auto* combo = place(new QComboBox(parent), name, box);
    combo->setEditable(false);
    combo->setPlaceholderText(placeholder);
    combo->setCurrentIndex(-1);
    auto* style = new DropDownListStyle;
    style->setParent(combo);
    combo->setStyle(style);
    return combo;
}

QCheckBox* makeCheckBox(QWidget* parent, const QString& name, const QString& caption,
                        TwipsBox box) {
    return place(new QCheckBox(caption, parent), name, box);
}

QTabWidget* makeTabControl(QWidget* parent, const QString& name, TwipsBox box, int tabHeight) {
    return place(new TabControl(tabHeight, parent), name, box);
}

void setTabPageEnabled(QTabWidget& tabs, int page, bool enabled) {
    tabs.setTabEnabled(page - 1, enabled);
}

void setCurrentTabPage(QTabWidget& tabs, int page) {
    tabs.setCurrentIndex(page - 1);
}

QList<QLabel*> addStatusPanels(QStatusBar& bar, const QStringList& texts) {
    QList<QLabel*> panels;
    for (const QString& text : texts) {
        auto* panel = new QLabel(text, &bar);
        panel->setFrameShape(QFrame::StyledPanel);
        bar.addWidget(panel, 1);
        panels << panel;
    }
    return panels;
}

}  // namespace pellmark::gui
