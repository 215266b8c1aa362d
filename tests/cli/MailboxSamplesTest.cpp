// Every real sample exported to mbox and Maildir in one run each, and read back by Python's
// mailbox module, mutt and Dovecot over IMAP: each finds every message the .eml export of the
// same sample wrote, with its subject, attachments and state. The counts go to the log.

#include <gtest/gtest.h>

#include <fstream>
#include <iostream>
#include <sstream>

#include "cli/ExportCommand.h"
#include "cli/ListCommand.h"
#include "support/Readers.h"
#include "support/TestFiles.h"

namespace pellmark::cli {
namespace {

namespace fs = std::filesystem;
using test::shellQuote;

std::size_t count(const std::string& text, const std::string& what) {
    std::size_t n = 0;
    for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

TEST(MailboxSamples, EveryReaderFindsEveryMessageOfEverySample) {
    PELLMARK_SAMPLE_OR_SKIP(samples, "pst");
    test::requireReader(test::Reader::Mutt);
    test::requireReader(test::Reader::Dovecot);
    test::TempDir dir;
    // One run per format over the samples' directory: every .pst and .ost in it.
    for (const char* format : {"eml", "mbox", "maildir"}) {
        std::ostringstream out, err;
        const int status = runExports({format, {}, {}, (dir / format).string(), false},
                                      {samples.string()}, out, err);
        EXPECT_LE(status, 1) << format << ":\n" << out.str() << err.str();
    }
    std::cout << "sample | items listed | messages listed | .eml files | python mbox | mutt | "
                 "Dovecot IMAP\n";
    std::size_t samplesRead = 0;
    for (const auto& entry : fs::directory_iterator(dir / "eml")) {
        const std::string name = entry.path().filename().string();
        const fs::path emlRoot = entry.path() / "Converted Outlook PST";
        if (!fs::exists(emlRoot / "export-manifest.tsv")) continue;  // not a readable file
        ++samplesRead;
        // The listing of the same file, found again by its name.
        fs::path pst;
        for (const auto& s : fs::directory_iterator(samples)) {
            if (s.path().stem() == name) pst = s.path();
        }
        std::ofstream json(dir / (name + ".json"));
        std::ostringstream listed, err;
        runList(pst, ListKind::Items, listed, err, true);
        json << listed.str();
        json.close();
        const std::string items = listed.str();
        const std::size_t all = count(items, "\"position\":");
        std::size_t contacts = 0;
        for (const char* kind : {"Contact", "DistList", "AbchPerson"}) {
            contacts += count(items, std::string("\"class\":\"IPM.") + kind);
        }
        std::size_t emlFiles = 0;
        for (const auto& e : fs::recursive_directory_iterator(emlRoot)) {
            emlFiles += e.path().extension() == ".eml";
        }
        std::cout << name << " | " << all << " | " << all - contacts << " | " << emlFiles;
        for (auto [reader, format] : {std::pair{"python-mbox", "mbox"}, std::pair{"mutt", "mbox"},
                                      std::pair{"imap", "maildir"}}) {
            const fs::path root = dir / format / name / "Converted Outlook PST";
            const auto r = test::runPythonTool(
                "mailbox_check.py", std::string(reader) + " " + shellQuote(root.string() + "/") +
                                        " " + shellQuote(emlRoot.string() + "/") + " " +
                                        shellQuote((dir / (name + ".json")).string()) + " 2>&1");
            EXPECT_EQ(r.status, 0) << name << ", " << reader << ":\n" << r.out;
            const auto at = r.out.find("messages=");
            const std::size_t found =
                at == std::string::npos ? 0 : std::stoul(r.out.substr(at + 9));
            // Calendars and task lists are iCalendar files beside the mailboxes.
            std::size_t inCalendars = 0;
            std::istringstream manifest(test::readFile(root / "export-manifest.tsv"));
            for (std::string line; std::getline(manifest, line);) {
                inCalendars += line.find("\tCalendars/") != std::string::npos;
            }
            EXPECT_EQ(found + inCalendars, emlFiles) << name << ", " << reader;
            std::cout << " | " << found;
        }
        std::cout << std::endl;
    }
    EXPECT_GE(samplesRead, 15u);
}

}  // namespace
}  // namespace pellmark::cli
