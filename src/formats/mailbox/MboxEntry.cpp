#include "formats/mailbox/MboxEntry.h"

#include <algorithm>
#include <ctime>

#include "base/AsciiCase.h"

namespace pellmark::formats {
namespace {

// Headers the entry's own state headers replace, and Content-Length, which mutt and others
// would use to find the end of the entry instead of the separator.
bool replacedInMbox(std::string_view line) {
    const auto colon = line.find(':');
    if (colon == std::string_view::npos) return false;
    const std::string_view name = line.substr(0, colon);
    for (const char* replaced :
         {"Status", "X-Status", "X-Mozilla-Status", "X-Mozilla-Status2", "Content-Length"}) {
        if (base::equalsNoCase(name, replaced)) return true;
    }
    return false;
}

// mboxrd: a line of any number of '>' then "From " gets one '>' more, so that readers can
// undo it exactly.
bool needsQuoting(std::string_view line) {
    const auto start = line.find_first_not_of('>');
    return start != std::string_view::npos && line.substr(start).rfind("From ", 0) == 0;
}

}  // namespace

std::string mboxSeparator(const store::ItemFacts& facts) {
    std::string sender = facts.senderAddress;
    // The line is ASCII (readers decode it as such) and the address one word.
    const bool fits =
        !sender.empty() && sender.size() < 200 &&
        std::all_of(sender.begin(), sender.end(), [](char c) {
            return static_cast<unsigned char>(c) > 0x20 && static_cast<unsigned char>(c) < 0x7F;
        });
    if (!fits) sender = "MAILER-DAEMON";
    const std::time_t when =
        facts.when() ? static_cast<std::time_t>(facts.when()->time_since_epoch().count()) : 0;
    std::tm tm{};
    gmtime_r(&when, &tm);
    char date[64];
    std::strftime(date, sizeof date, "%a %b %e %H:%M:%S %Y", &tm);
    return "From " + sender + " " + date + "\n";
}

std::string mboxStateHeaders(const store::ItemFacts& facts) {
    // Thunderbird's flags: read 0x1, replied 0x2, marked 0x4, forwarded 0x1000.
    const unsigned mozilla = (facts.read ? 0x1u : 0) | (facts.answered ? 0x2u : 0) |
                             (facts.flagged ? 0x4u : 0) | (facts.forwarded ? 0x1000u : 0);
    std::string xStatus;
    if (facts.answered) xStatus += 'A';
    if (facts.flagged) xStatus += 'F';
    if (facts.draft) xStatus += 'T';
    char buf[96];
    std::snprintf(buf, sizeof buf, "X-Mozilla-Status: %04x\nX-Mozilla-Status2: %08x\n", mozilla,
                  0u);
    // "O": seen by a reader before (not new); "R": read.
    return std::string("Status: ") + (facts.read ? "RO" : "O") + "\n" +
           (xStatus.empty() ? "" : "X-Status: " + xStatus + "\n") + buf;
}

void LineFilter::consume(std::string_view bytes) {
    for (std::size_t end; (end = bytes.find('\n')) != std::string_view::npos;) {
        std::string_view text = bytes.substr(0, end);
        if (!pending_.empty()) {
            pending_.append(text);
            text = pending_;
        }
        if (!text.empty() && text.back() == '\r') text.remove_suffix(1);
        line(text);
        pending_.clear();
        bytes.remove_prefix(end + 1);
    }
    pending_.append(bytes);
}

void LineFilter::finish() {
    flush();
    if (!pending_.empty()) {
        std::string_view text = pending_;
        if (text.back() == '\r') text.remove_suffix(1);
        line(text);
        pending_.clear();
    }
    end();
    next_.flush();
}

void LocalLines::line(std::string_view text) {
    next().put(text);
    next().put("\n");
}

MboxEntryFilter::MboxEntryFilter(base::ByteSink& next, const store::ItemFacts& facts)
    : LineFilter(next), facts_(facts) {
    this->next().put(mboxSeparator(facts_));
}

void MboxEntryFilter::line(std::string_view text) {
    out_.clear();
    if (inHeaders_) {
        const bool continuation = !text.empty() && (text[0] == ' ' || text[0] == '\t');
        if (text.empty()) {
            inHeaders_ = false;
            out_ = mboxStateHeaders(facts_);
        } else if (!continuation) {
            dropping_ = replacedInMbox(text);
        }
        if (dropping_ && !text.empty()) return;
    }
    if (needsQuoting(text)) out_ += '>';
    out_.append(text);
    out_ += '\n';
    next().put(out_);
}

void MboxEntryFilter::end() {
    // A message of headers alone still gets its state; every entry ends with a blank line.
    if (inHeaders_) next().put(mboxStateHeaders(facts_) + "\n");
    next().put("\n");
}

}  // namespace pellmark::formats
