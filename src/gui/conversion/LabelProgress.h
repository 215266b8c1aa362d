#pragma once
// Shows a run's progress in the four labels of the conversion window, and lets the window
// system repaint and take input after preparing, after logon and after every item.

#include "export/RunProgress.h"

class QLabel;

namespace pellmark::gui {

class LabelProgress : public exporting::RunProgress {
  public:
    LabelProgress(QLabel& header, QLabel& processing, QLabel& found, QLabel& current);

    void preparing() override;
    void rootPrepared(const std::string& exportRoot) override;
    void loggedOn() override;
    void folderStarted(const std::string& name, std::size_t number, std::size_t folders) override;
    void itemStarted(const std::string& caption, int64_t counter, int64_t count) override;
    void itemWritten(const std::string& path, uint64_t bytes) override;
    void itemFailed(const std::string& caption, const std::string& reason) override;
    void itemSkipped() override;

  private:
    static void yield();

    QLabel& headerLabel;
    QLabel& processingLabel;
    QLabel& foundLabel;
    QLabel& currentLabel;
};

}  // namespace pellmark::gui
