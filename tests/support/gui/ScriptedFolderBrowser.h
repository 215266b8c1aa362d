#pragma once
// A folder browser that shows nothing: it answers with the next queued directory (empty text,
// as for a cancel, when none is queued) and records the prompts it was given.

#include <QStringList>

#include "gui/widgets/FolderBrowser.h"

namespace pellmark::test {

class ScriptedFolderBrowser : public gui::FolderBrowser {
  public:
    void queuePath(const QString& path) { paths_.append(path); }
    const QStringList& prompts() const { return prompts_; }

    QString browse(QWidget* owner, const QString& prompt) override;

  private:
    QStringList paths_;
    QStringList prompts_;
};

}  // namespace pellmark::test
