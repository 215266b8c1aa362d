#pragma once
// The independent readers the tests check written files with. Whatever runs one calls
// requireReader() first: the reader is started once per test program with a trivial job, and
// when it cannot run, the test ends there with one line naming the Debian package that brings
// it, instead of with a mismatch for every field the reader would have shown.

#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>

#include "support/TestFiles.h"

namespace pellmark::test {

enum class Reader {
    Python,      // /usr/bin/python3 and its email package
    Vobject,     // python3-vobject
    Olefile,     // python3-olefile
    Msgconvert,  // msgconvert, with the Perl modules it loads at start
    Unrtf,
    Chromium,
    Pffexport,
    Readpst,
    Mutt,
    Dovecot,    // its IMAP server
    Msgreader,  // @kenjiuno/msgreader under Node.js, installed by scripts/install-deps.sh
    IcalJs,     // ical.js under Node.js, likewise
    Radicale,   // its CalDAV and CardDAV server
};

// Why `reader` cannot run here, with the package to install; nullopt when it runs.
std::optional<std::string> readerProblem(Reader reader);

class ReaderMissing : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};
// Throws ReaderMissing, which fails the running test with its one line, from any depth of
// helpers.
void requireReader(Reader reader);

// tests/scripts/<tool> run by /usr/bin/python3 (Debian's, where its modules are) on `args`.
CommandResult runPythonTool(const std::string& tool, const std::string& args);
// tests/scripts/<tool> run by Node.js on `args`, with the modules scripts/install-deps.sh
// installs for the tests (the module the tool reads with is required first).
CommandResult runNodeTool(const std::string& tool, const std::string& args);
// The summaries of tests/scripts: html_summary.py (Python's HTML parser), mime_summary.py
// (Python's email package; the decoded parts go to `dumpDir` when given) and
// vcard_summary.py (vobject). Each expects its reader to accept the file. ole_listing.py
// lists a compound file as olefile reads it.
std::string htmlSummary(const std::filesystem::path& page);
std::string mimeSummary(const std::filesystem::path& file,
                        const std::filesystem::path& dumpDir = {});
std::string vcardSummary(const std::filesystem::path& file);
// What ics_occurrences.js (ical.js) expands of the calendar file at `ics`.
std::string icalJsOccurrences(const std::filesystem::path& ics);
// What unrtf shows of the document at `rtf` (`--text` or `--html`), without the banner lines
// that start its text output.
std::string unrtf(const std::filesystem::path& rtf, const std::string& mode);

}  // namespace pellmark::test
