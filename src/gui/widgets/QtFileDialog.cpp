#include "gui/widgets/QtFileDialog.h"

#include <QFileDialog>
#include <QStringList>

namespace pellmark::gui {

QString QtFileDialog::qtFilter(const QString& filter) {
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList entries;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString patterns = QString(parts[i + 1]).replace(QLatin1Char(';'), QLatin1Char(' '));
        // Qt takes the patterns from the parentheses; add them when the label has none.
        entries << (parts[i].contains(QLatin1Char('('))
                        ? parts[i]
                        : parts[i] + QStringLiteral(" (") + patterns + QLatin1Char(')'));
    }
    return entries.join(QStringLiteral(";;"));
}

QString QtFileDialog::openFile(QWidget* owner, const QString& fileName, const QString& filter) {
    return QFileDialog::getOpenFileName(owner, QString(), fileName, qtFilter(filter));
}

}  // namespace pellmark::gui
