#pragma once
// The mail-program forms of a saved .eml file: one entry of an mbox file (mboxrd, as
// Thunderbird, mutt and Apple Mail read it) and a Maildir message file. Both are the .eml
// bytes with local line ends (LF); the mbox entry adds its "From " separator line, quotes
// body lines that would look like one, and carries the reading state in the headers mbox
// readers know (Status/X-Status for mutt and Python, X-Mozilla-Status for Thunderbird).
// Files are streamed line by line, so a large message never sits whole in memory.

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

#include "store/ItemFacts.h"

namespace pellmark::formats {

// Receives the converted bytes, in order.
using ByteSink = std::function<void(std::string_view)>;

// "From <sender address> <asctime date in UTC>\n"; MAILER-DAEMON when the sender has no
// address that fits the line (one word of printable ASCII), the epoch when the item has no
// date.
std::string mboxSeparator(const store::ItemFacts& facts);

// The state headers of an entry: Status, X-Status, X-Mozilla-Status, X-Mozilla-Status2, each
// line ending in "\n".
std::string mboxStateHeaders(const store::ItemFacts& facts);

// The whole mbox entry of the .eml at `eml`: separator, headers with the state headers in
// place of any the message carried (and no Content-Length, which readers would trust over the
// separators), the body with ">From " quoting, and the blank line that ends an entry. Throws
// SaveError when the file cannot be read.
void writeMboxEntry(const std::filesystem::path& eml, const store::ItemFacts& facts,
                    const ByteSink& sink);

// The .eml at `eml` with LF line ends, as a Maildir file holds it. Throws SaveError.
void writeLocalMessage(const std::filesystem::path& eml, const ByteSink& sink);

}  // namespace pellmark::formats
