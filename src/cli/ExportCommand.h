#pragma once
// `pellmark-export --format FMT [--folder PATH]... FILE OUTDIR`: the conversion run of the
// desktop program, driven from the command line, with the same naming, attachment handling and
// result tree under OUTDIR/Converted Outlook PST/.

#include <iosfwd>
#include <string>
#include <vector>

namespace pellmark::cli {

struct ExportOptions {
    std::string format;                // msg, eml, txt, vcf, rtf, html, mht
    std::vector<std::string> folders;  // folderPath values; empty: every folder the tree shows
    std::string file;
    std::string outputDirectory;
    bool terminal = false;  // draw a progress bar instead of plain lines
    // An export root that already holds an export is refused unless one of these is given:
    // finish it, passing over the items its manifest lists as written whole, or write the
    // export again beside it.
    bool resume = false;
    bool again = false;
};

// Returns the exit status: 0 when everything was written, 1 when anything failed, 2 on bad
// usage or a file that cannot be read, 128 + the signal's number when a signal stopped it.
int runExport(const ExportOptions& options, std::ostream& out, std::ostream& err);

}  // namespace pellmark::cli
