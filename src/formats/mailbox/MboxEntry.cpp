#include "formats/mailbox/MboxEntry.h"

#include <algorithm>
#include <ctime>
#include <fstream>

#include "base/AsciiCase.h"
#include "formats/SaveError.h"

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

// Calls `onLine` with each line of `path` without its line end (LF or CRLF).
template <class OnLine>
void forEachLine(const std::filesystem::path& path, OnLine onLine) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw SaveError("cannot read the saved message " + path.string());
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        onLine(std::string_view(line));
    }
    if (in.bad()) throw SaveError("cannot read the saved message " + path.string());
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

void writeMboxEntry(const std::filesystem::path& eml, const store::ItemFacts& facts,
                    const ByteSink& sink) {
    sink(mboxSeparator(facts));
    bool inHeaders = true;
    bool dropping = false;  // inside a replaced header and its continuation lines
    std::string out;
    forEachLine(eml, [&](std::string_view line) {
        out.clear();
        if (inHeaders) {
            const bool continuation = !line.empty() && (line[0] == ' ' || line[0] == '\t');
            if (line.empty()) {
                inHeaders = false;
                out = mboxStateHeaders(facts);
            } else if (!continuation) {
                dropping = replacedInMbox(line);
            }
            if (dropping && !line.empty()) return;
        }
        if (needsQuoting(line)) out += '>';
        out.append(line);
        out += '\n';
        sink(out);
    });
    // A message of headers alone still gets its state; every entry ends with a blank line.
    if (inHeaders) sink(mboxStateHeaders(facts) + "\n");
    sink("\n");
}

void writeLocalMessage(const std::filesystem::path& eml, const ByteSink& sink) {
    std::string out;
    forEachLine(eml, [&](std::string_view line) {
        out.assign(line);
        out += '\n';
        sink(out);
    });
}

}  // namespace pellmark::formats
