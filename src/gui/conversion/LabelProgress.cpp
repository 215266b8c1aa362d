#include "gui/conversion/LabelProgress.h"

#include <QCoreApplication>
#include <QLabel>

namespace pellmark::gui {

LabelProgress::LabelProgress(QLabel& header, QLabel& processing, QLabel& found, QLabel& current)
    : headerLabel(header), processingLabel(processing), foundLabel(found), currentLabel(current) {}

void LabelProgress::yield() {
    QCoreApplication::processEvents();
}

void LabelProgress::preparing() {
    headerLabel.setText(QStringLiteral("Checking Configuration..."));
    processingLabel.setText(QStringLiteral("Processing..."));
    foundLabel.clear();
    currentLabel.clear();
}

void LabelProgress::rootPrepared(const std::string&) {
    yield();
}

void LabelProgress::loggedOn() {
    yield();
}

void LabelProgress::folderStarted(const std::string& name, std::size_t, std::size_t) {
    headerLabel.setText(QString::fromStdString(name));
}

void LabelProgress::itemStarted(const std::string& caption, int64_t counter, int64_t count) {
    processingLabel.setText(QString::fromStdString(caption));
    foundLabel.setText(QString::number(count));
    currentLabel.setText(QString::number(counter) + QLatin1Char('/') + QString::number(count));
}

void LabelProgress::itemWritten(const std::string&, uint64_t) {
    yield();
}

void LabelProgress::itemFailed(const std::string&, const std::string&) {
    yield();
}

void LabelProgress::itemSkipped() {
    yield();
}

}  // namespace pellmark::gui
