#pragma once
// The command line's display of a run: a bar with items done, items in all and the rate on a
// terminal, plain lines otherwise; failures always get a line of their own.

#include <chrono>
#include <cstdint>
#include <iosfwd>
#include <string>

#include "export/RunProgress.h"

namespace pellmark::cli {

// How much a run says while it works. Quiet: what failed or is damaged, nothing else. Normal:
// a bar on a terminal, a line per folder otherwise. Verbose: a line per folder and one per
// item written, on a terminal too, below the bar.
enum class Verbosity { Quiet, Normal, Verbose };

class TerminalProgress : public exporting::RunProgress {
  public:
    TerminalProgress(std::ostream& err, int64_t totalItems, bool terminal,
                     Verbosity verbosity = Verbosity::Normal);

    void folderStarted(const std::string& name, std::size_t number, std::size_t folders) override;
    void folderFailed(const std::string& name, const std::string& reason) override;
    void itemStarted(const std::string& caption, int64_t counter, int64_t count) override;
    void itemWritten(const std::string& path, uint64_t bytes) override;
    void itemFailed(const std::string& caption, const std::string& reason) override;
    void itemSkipped() override;
    void itemAlreadyExported() override;
    void attachmentFailed(const std::string& fileName, const std::string& reason) override;
    void damageFound(const std::string& what) override;
    // Clears the bar before the summary is printed.
    void finish();

  private:
    void itemDone();
    void drawBar(bool force);
    void line(const std::string& text);

    std::ostream& err_;
    int64_t total_;
    int64_t done_ = 0;
    bool bar_;  // a terminal, not quiet
    Verbosity verbosity_;
    bool barShown_ = false;
    std::string folder_;
    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
    std::chrono::steady_clock::time_point lastDraw_{};
};

}  // namespace pellmark::cli
