#include "cli/TerminalProgress.h"

#include <cstdio>
#include <ostream>

#include "base/Printable.h"

namespace pellmark::cli {

TerminalProgress::TerminalProgress(std::ostream& err, int64_t totalItems, bool terminal)
    : err_(err), total_(totalItems), terminal_(terminal) {}

void TerminalProgress::line(const std::string& text) {
    if (barShown_) err_ << "\r\033[K";
    err_ << base::printable(text) << '\n';
    barShown_ = false;
    if (terminal_) drawBar(true);
}

void TerminalProgress::folderStarted(const std::string& name, std::size_t number,
                                     std::size_t folders) {
    folder_ = name;
    if (!terminal_) {
        err_ << "folder " << number << "/" << folders << ": " << base::printable(name) << '\n';
    }
}

void TerminalProgress::folderFailed(const std::string& name, const std::string& reason) {
    line("pellmark-export: folder " + name + " failed: " + reason);
}

void TerminalProgress::damageFound(const std::string& what) {
    line("pellmark-export: the file is damaged: " + what);
}

void TerminalProgress::itemStarted(const std::string&, int64_t, int64_t) {}

void TerminalProgress::itemWritten(const std::string&, uint64_t) {
    itemDone();
}

void TerminalProgress::itemFailed(const std::string& caption, const std::string& reason) {
    line("pellmark-export: " + folder_ + ": item \"" + caption + "\" failed: " + reason);
    itemDone();
}

void TerminalProgress::itemSkipped() {
    itemDone();
}

void TerminalProgress::attachmentFailed(const std::string& fileName, const std::string& reason) {
    line("pellmark-export: " + folder_ + ": attachment \"" + fileName + "\" failed: " + reason);
}

void TerminalProgress::itemDone() {
    ++done_;
    if (terminal_) drawBar(false);
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
