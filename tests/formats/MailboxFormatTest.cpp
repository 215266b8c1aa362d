// The mail-program forms of a saved message: mboxrd entries and Maildir++ names.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "base/ByteSink.h"
#include "formats/SaveError.h"
#include "formats/mailbox/MaildirKeywords.h"
#include "formats/mailbox/MaildirNames.h"
#include "formats/mailbox/MboxEntry.h"
#include "support/StringSink.h"
#include "support/TestFiles.h"

namespace pellmark::formats {
namespace {

using test::StringSink;

// The entry of `eml`, written through the filter in pieces of `piece` bytes: lines and line
// ends split anywhere between two writes come out the same.
std::string entryOf(const std::string& eml, const store::ItemFacts& facts, size_t piece = 0) {
    StringSink file;
    MboxEntryFilter entry(file, facts);
    for (size_t at = 0; at < eml.size(); at += piece ? piece : eml.size()) {
        entry.put(std::string_view(eml).substr(at, piece ? piece : eml.size()));
        entry.flush();
    }
    entry.finish();
    file.flush();
    if (piece == 0) {
        EXPECT_EQ(file.out, entryOf(eml, facts, 1)) << "written a byte at a time";
    }
    return file.out;
}

TEST(MboxEntry, QuotesFromLinesReplacesStateHeadersAndEndsWithABlankLine) {
    store::ItemFacts facts;
    facts.senderAddress = "ann@example.com";
    facts.delivered =
        std::chrono::sys_days(std::chrono::year(2021) / 3 / 4) + std::chrono::hours(5);
    facts.read = facts.flagged = facts.forwarded = true;
    const std::string eml =
        "Subject: Hi\r\nStatus: U\r\nContent-Length: 3\r\n  folded\r\nX-Keep: yes\r\n\r\n"
        "From here\r\n>From there\r\n>>From deep\r\nFrom: not a header\r\nFromage\r\nlast";
    EXPECT_EQ(entryOf(eml, facts),
              "From ann@example.com Thu Mar  4 05:00:00 2021\n"
              "Subject: Hi\nX-Keep: yes\n"
              "Status: RO\nX-Status: F\nX-Mozilla-Status: 1005\nX-Mozilla-Status2: 00000000\n\n"
              ">From here\n>>From there\n>>>From deep\nFrom: not a header\nFromage\nlast\n\n");
}

TEST(MboxEntry, SeparatorFallsBackWhereTheSenderOrDateCannotGoOnTheLine) {
    store::ItemFacts facts;
    facts.senderAddress = "jürgen@例え.jp";
    EXPECT_EQ(mboxSeparator(facts), "From MAILER-DAEMON Thu Jan  1 00:00:00 1970\n");
    facts.senderAddress = "two words@x";
    facts.created = std::chrono::sys_days(std::chrono::year(1999) / 12 / 31);
    EXPECT_EQ(mboxSeparator(facts), "From MAILER-DAEMON Fri Dec 31 00:00:00 1999\n");
    // Headers alone still get their state and the entry its end.
    facts.answered = facts.draft = true;
    EXPECT_EQ(entryOf("Subject: x\r\n", facts).substr(mboxSeparator(facts).size()),
              "Subject: x\nStatus: O\nX-Status: AT\nX-Mozilla-Status: 0002\n"
              "X-Mozilla-Status2: 00000000\n\n\n");
}

TEST(MaildirNames, ImapModifiedUtf7AndListescapeEscapes) {
    // RFC 3501 5.1.3's example, and what it says of '&'.
    EXPECT_EQ(imapUtf7("~peter/mail/台北/日本語"), "~peter/mail/&U,BTFw-/&ZeVnLIqe-");
    EXPECT_EQ(imapUtf7("Tom & Jerry"), "Tom &- Jerry");
    EXPECT_EQ(imapUtf7("Überprojekt Ω"), "&ANw-berprojekt &A6k-");
    EXPECT_EQ(imapUtf7("😀"), "&2D3eAA-");  // outside the BMP: a surrogate pair
    // '/' is the separator IMAP clients see: an escaped one would make a parent of its own.
    EXPECT_EQ(maildirFolderDirectory({"INBOX", "v1.2", "a/b\\c", "~home", ""}),
              ".INBOX.v1\\2e2.a_b\\5cc.\\7ehome._");
}

std::string repeated(const std::string& s, int n) {
    std::string out;
    for (int i = 0; i < n; ++i) out += s;
    return out;
}

TEST(MaildirNames, APathTooLongForOneEntryIsCutAtCharactersAndKeptApart) {
    const std::string umlauts = repeated("ü", 200);  // 536 bytes in IMAP UTF-7
    const std::string entry = maildirFolderDirectory({umlauts});
    ASSERT_LE(entry.size(), 255u);
    int kept = 1;  // whole characters, and the mark of the name
    auto cut = [&](int n) { return "." + imapUtf7(repeated("ü", n)) + shortenedMark(umlauts); };
    while (kept < 200 && cut(kept) != entry) ++kept;
    ASSERT_LT(kept, 200) << entry;
    EXPECT_GT(kept, 50);
    // Room is left for subfolders.
    EXPECT_EQ(maildirFolderDirectory({umlauts, "Sub folder"}), entry + ".Sub folder");
    EXPECT_NE(maildirFolderDirectory({umlauts + "a"}), maildirFolderDirectory({umlauts + "b"}));
    EXPECT_NE(maildirFolderDirectory({"INBOX", umlauts + "a"}),
              maildirFolderDirectory({"INBOX", umlauts + "b"}));

    // A deep path: each folder's entry starts with the entry of a folder above it, the
    // nearest one that leaves room, so servers list it below its own parents.
    std::vector<std::string> names;
    std::vector<std::string> entries;
    bool joined = false;
    for (int level = 1; level <= 100; ++level) {
        names.push_back("Level " + std::to_string(level));
        entries.push_back(maildirFolderDirectory(names));
        const std::string& e = entries.back();
        ASSERT_LE(e.size(), 255u) << level;
        if (level == 1) continue;
        const std::string& parent = entries[entries.size() - 2];
        if (e != parent + "." + names.back()) {
            EXPECT_GT(parent.size(), 255u - 40) << "the parent had room";
            joined = true;
            EXPECT_NE(e.find(" &IDo- Level " + std::to_string(level)), std::string::npos) << e;
            EXPECT_TRUE(std::any_of(entries.begin(), entries.end() - 1, [&](const std::string& a) {
                return e.size() > a.size() && e.compare(0, a.size() + 1, a + ".") == 0;
            })) << e;
        }
    }
    EXPECT_TRUE(joined);
    std::sort(entries.begin(), entries.end());
    EXPECT_EQ(std::unique(entries.begin(), entries.end()), entries.end());
}

TEST(MaildirNames, FlagsInMaildirOrder) {
    store::ItemFacts facts;
    EXPECT_EQ(maildirFlags(facts), "");
    facts.read = facts.answered = facts.forwarded = facts.flagged = facts.draft = true;
    EXPECT_EQ(maildirFlags(facts), "DFPRS");
    // Keyword letters follow the standard flags, for forwarded items only.
    EXPECT_EQ(maildirFlags(facts, 'c'), "DFPRSc");
    facts.forwarded = false;
    EXPECT_EQ(maildirFlags(facts, 'c'), "DFRS");
}

TEST(MaildirKeywords, ReadsDovecotsFileAndKeepsEveryLetterItGave) {
    MaildirKeywords keywords =
        MaildirKeywords::parse("0 Junk\n2 $Forwarded\r\nno number\n27 Far\n1 \n3 Junk\nx4 X\n");
    EXPECT_EQ(keywords.letterOf("$Forwarded"), 'c');
    EXPECT_EQ(keywords.letterOf("Junk"), 'a');
    EXPECT_EQ(keywords.letterOf("Far"), std::nullopt);
    EXPECT_EQ(keywords.add("$Forwarded"), 'c');
    EXPECT_EQ(keywords.add("NonJunk"), 'b');
    EXPECT_EQ(keywords.text(), "0 Junk\n1 NonJunk\n2 $Forwarded\n");

    MaildirKeywords full = MaildirKeywords::parse("");
    for (int i = 0; i < 26; ++i) EXPECT_EQ(full.add("k" + std::to_string(i)), 'a' + i);
    EXPECT_EQ(full.add("$Forwarded"), std::nullopt);

    // A folder's file: added to once, kept as it is after; a link is refused, not followed.
    test::TempDir dir;
    const std::string folder = (dir / "f").string() + "/";
    std::filesystem::create_directory(folder);
    test::writeFile(dir / "f" / "dovecot-keywords", "0 Junk\n");
    EXPECT_EQ(folderKeywordLetter(folder, "$Forwarded"), 'b');
    EXPECT_EQ(folderKeywordLetter(folder, "$Forwarded"), 'b');
    EXPECT_EQ(test::readFile(dir / "f" / "dovecot-keywords"), "0 Junk\n1 $Forwarded\n");
    std::filesystem::remove(dir / "f" / "dovecot-keywords");
    test::writeFile(dir / "elsewhere", "0 Junk\n");
    std::filesystem::create_symlink(dir / "elsewhere", dir / "f" / "dovecot-keywords");
    EXPECT_THROW(folderKeywordLetter(folder, "$Forwarded"), SaveError);
    EXPECT_EQ(test::readFile(dir / "elsewhere"), "0 Junk\n");
}

}  // namespace
}  // namespace pellmark::formats
