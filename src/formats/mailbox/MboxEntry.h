#pragma once
// The mail-program forms of a message written as an .eml: one entry of an mbox file (mboxrd,
// as Thunderbird, mutt and Apple Mail read it) and a Maildir message file. Both are the .eml
// bytes with local line ends (LF); the mbox entry adds its "From " separator line, quotes
// body lines that would look like one, and carries the reading state in the headers mbox
// readers know (Status/X-Status for mutt and Python, X-Mozilla-Status for Thunderbird). Both
// are filters the .eml writer writes through, line by line, so a large message never sits
// whole in memory and is written once.

#include <string>
#include <string_view>

#include "base/ByteSink.h"
#include "store/ItemFacts.h"

namespace pellmark::formats {

// "From <sender address> <asctime date in UTC>\n"; MAILER-DAEMON when the sender has no
// address that fits the line (one word of printable ASCII), the epoch when the item has no
// date.
std::string mboxSeparator(const store::ItemFacts& facts);

// The state headers of an entry: Status, X-Status, X-Mozilla-Status, X-Mozilla-Status2, each
// line ending in "\n".
std::string mboxStateHeaders(const store::ItemFacts& facts);

// Bytes in lines: each line, without its end (LF, or CRLF), goes to line(); a last line
// without an end is a line too. What a line filter writes goes to `next`.
class LineFilter : public base::ByteSink {
  public:
    explicit LineFilter(base::ByteSink& next) : base::ByteSink(buffer_), next_(next) {}
    // Ends the last line and passes everything on to `next` (which the caller finishes).
    void finish() override;

  protected:
    void consume(std::string_view bytes) override;
    virtual void line(std::string_view text) = 0;
    // Called once the last line has gone.
    virtual void end() {}
    base::ByteSink& next() { return next_; }

  private:
    std::string buffer_;
    std::string pending_;  // a line not yet ended
    base::ByteSink& next_;
};

// A message as a Maildir file holds it: the .eml's bytes with local line ends (LF).
class LocalLines : public LineFilter {
  public:
    using LineFilter::LineFilter;

  protected:
    void line(std::string_view text) override;
};

// The whole mbox entry of a message written through it as an .eml: separator, headers with
// the state headers in place of any the message carried (and no Content-Length, which readers
// would trust over the separators), the body with ">From " quoting, and the blank line that
// ends an entry, in local line ends.
class MboxEntryFilter : public LineFilter {
  public:
    MboxEntryFilter(base::ByteSink& next, const store::ItemFacts& facts);

  protected:
    void line(std::string_view text) override;
    void end() override;

  private:
    store::ItemFacts facts_;
    bool inHeaders_ = true;
    bool dropping_ = false;  // inside a replaced header and its continuation lines
    std::string out_;
};

}  // namespace pellmark::formats
