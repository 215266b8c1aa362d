#pragma once
// Shows a run's progress in the four labels of the conversion window. The run reports from a
// thread of its own; the texts are kept here and the labels take the latest of them on the
// window's thread, one update at a time, however fast items come.

#include <QObject>
#include <QString>
#include <atomic>
#include <mutex>

#include "export/RunProgress.h"

class QLabel;

namespace pellmark::gui {

class LabelProgress : public exporting::RunProgress {
  public:
    LabelProgress(QLabel& header, QLabel& processing, QLabel& found, QLabel& current);

    // What the labels show while a run prepares; on the window's thread, at once.
    void showPreparing();

    // From the run's thread.
    void preparing() override;
    void folderStarted(const std::string& name, std::size_t number, std::size_t folders) override;
    void itemStarted(const std::string& caption, int64_t counter, int64_t count) override;

  private:
    struct Texts {
        QString header, processing, found, current;
    };
    // Keeps `change` of the texts and has the labels show them on the window's thread.
    template <class Change>
    void update(Change&& change);
    void show();

    QLabel& headerLabel;
    QLabel& processingLabel;
    QLabel& foundLabel;
    QLabel& currentLabel;
    std::mutex mutex_;
    Texts texts_;
    std::atomic<bool> posted_{false};
};

}  // namespace pellmark::gui
