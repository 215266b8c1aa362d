#include "gui/conversion/LabelProgress.h"

#include <QLabel>
#include <QMetaObject>

namespace pellmark::gui {
namespace {

const QString kChecking = QStringLiteral("Checking Configuration...");
const QString kProcessing = QStringLiteral("Processing...");

}  // namespace

LabelProgress::LabelProgress(QLabel& header, QLabel& processing, QLabel& found, QLabel& current)
    : headerLabel(header), processingLabel(processing), foundLabel(found), currentLabel(current) {}

void LabelProgress::showPreparing() {
    {
        std::lock_guard lock(mutex_);
        texts_ = {kChecking, kProcessing, QString(), QString()};
    }
    show();
}

template <class Change>
void LabelProgress::update(Change&& change) {
    {
        std::lock_guard lock(mutex_);
        change(texts_);
    }
    // One update in flight at a time: it shows whatever the texts are when it runs.
    if (!posted_.exchange(true)) {
        QMetaObject::invokeMethod(
            &headerLabel, [this] { show(); }, Qt::QueuedConnection);
    }
}

void LabelProgress::show() {
    Texts texts;
    {
        std::lock_guard lock(mutex_);
        posted_ = false;
        texts = texts_;
    }
    headerLabel.setText(texts.header);
    processingLabel.setText(texts.processing);
    foundLabel.setText(texts.found);
    currentLabel.setText(texts.current);
}

void LabelProgress::preparing() {
    update([](Texts& t) { t = {kChecking, kProcessing, QString(), QString()}; });
}

void LabelProgress::folderStarted(const std::string& name, std::size_t, std::size_t) {
    update([&](Texts& t) { t.header = QString::fromStdString(name); });
}

void LabelProgress::itemStarted(const std::string& caption, int64_t counter, int64_t count) {
    update([&](Texts& t) {
        t.processing = QString::fromStdString(caption);
        t.found = QString::number(count);
        t.current = QString::number(counter) + QLatin1Char('/') + QString::number(count);
    });
}

}  // namespace pellmark::gui
