#include "cli/TerminalProgress.h"

#include <cstdio>
#include <ostream>

#include "base/Printable.h"

namespace pellmark::cli {

TerminalProgress::TerminalProgress(std::ostream& err, int64_t totalItems, bool terminal,
                                   Verbosity verbosity)
    : err_(err),
      total_(totalItems),
      bar_(terminal && verbosity != Verbosity::Quiet),
      verbosity_(verbosity) {}

void TerminalProgress::line(const std::string& text) {
    if (barShown_) err_ << "\r\033[K";
    err_ << base::printable(text) << '\n';
    barShown_ = false;
    if (bar_) drawBar(true);
}

void TerminalProgress::folderStarted(const std::string& name, std::size_t number,
                                     std::size_t folders) {
    folder_ = name;
    const bool shown =
        verbosity_ == Verbosity::Verbose || (verbosity_ == Verbosity::Normal && !bar_);
    if (shown) {
        line("folder " + std::to_string(number) + "/" + std::to_string(folders) + ": " + name);
    }
}

void TerminalProgress::folderFailed(const std::string& name, const std::string& reason) {
    line("pellmark-export: folder " + name + " failed: " + reason);
}

void TerminalProgress::damageFound(const std::string& what) {
    line("pellmark-export: the file is damaged: " + what);
}

void TerminalProgress::itemStarted(const std::string&, int64_t, int64_t) {}

void TerminalProgress::itemWritten(const std::string& path, uint64_t bytes) {
    itemDone();  // first, so that the bar below the line counts the item
    if (verbosity_ == Verbosity::Verbose) {
        line("written: " + path + " (" + std::to_string(bytes) + " bytes)");
    }
}

void TerminalProgress::itemFailed(const std::string& caption, const std::string& reason) {
    itemDone();
    line("pellmark-export: " + folder_ + ": item \"" + caption + "\" failed: " + reason);
}

void TerminalProgress::itemSkipped() {
    itemDone();
}

// Counted in the total like any other item, so that a resumed run's bar still reaches its end.
void TerminalProgress::itemAlreadyExported() {
    itemDone();
}

void TerminalProgress::attachmentFailed(const std::string& fileName, const std::string& reason) {
    line("pellmark-export: " + folder_ + ": attachment \"" + fileName + "\" failed: " + reason);
}

void TerminalProgress::itemDone() {
    ++done_;
    if (bar_) drawBar(false);
}

void TerminalProgress::drawBar(bool force) {
    const auto now = std::chrono::steady_clock::now();
    // A few redraws a second are enough; drawing per item would cost more than the item.
    if (!force && done_ != total_ && now - lastDraw_ < std::chrono::milliseconds(100)) return;
    lastDraw_ = now;
    const double seconds = std::chrono::duration<double>(now - start_).count();
    const double rate = seconds > 0 ? static_cast<double>(done_) / seconds : 0;
    const int width = 30;
    const int filled = total_ > 0 ? static_cast<int>(width * done_ / total_) : width;
    char buf[160];
    std::snprintf(buf, sizeof buf, "\r[%-*s] %lld/%lld items  %.0f items/s ", width,
                  std::string(static_cast<size_t>(std::min(filled, width)), '#').c_str(),
                  static_cast<long long>(done_), static_cast<long long>(total_), rate);
    err_ << buf << std::flush;
    barShown_ = true;
}

void TerminalProgress::finish() {
    if (barShown_) {
        drawBar(true);
        err_ << '\n';
        barShown_ = false;
    }
}

}  // namespace pellmark::cli
