#pragma once
// A file-open dialog that shows nothing: it answers with the next queued path (empty text, as
// for a cancel, when none is queued) and records the filters it was given.

#include <QStringList>

#include "gui/widgets/FileDialog.h"

namespace pellmark::test {

class ScriptedFileDialog : public gui::FileDialog {
  public:
    void queuePath(const QString& path) { paths_.append(path); }
    const QStringList& filters() const { return filters_; }

    QString openFile(QWidget* owner, const QString& fileName, const QString& filter) override;

  private:
    QStringList paths_;
    QStringList filters_;
};

}  // namespace pellmark::test
