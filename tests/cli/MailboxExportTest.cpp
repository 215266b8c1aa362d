// `--format mbox` and `--format maildir` read back by the mail programs they are for: Python's
// mailbox module and mutt open the mbox files, mutt the Maildir folders, and a throw-away
// Dovecot serves the Maildir tree over IMAP; each message must be the .eml export's item with
// the item's state and date, each folder where its name says.
// Also the date filters, many mailboxes in one run and the JSON listing.

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "cli/ExportCommand.h"
#include "cli/ListCommand.h"
#include "mapi/Tags.h"
#include "pstwriter/Generator.h"
#include "pstwriter/messaging/ItemKinds.h"
#include "pstwriter/messaging/PstBuilder.h"
#include "support/Readers.h"
#include "support/TestFiles.h"

namespace pellmark::cli {
namespace {

namespace fs = std::filesystem;
using test::shellQuote;

uint64_t fileTime(int y, unsigned m, unsigned d) {
    const auto days = std::chrono::sys_days(std::chrono::year(y) / m / d).time_since_epoch();
    return (static_cast<uint64_t>(std::chrono::seconds(days).count()) + 11644473600ull) *
           10000000ull;
}

// A small mailbox whose items carry every state a mail program keeps, in folders whose names
// need encoding, with "From " lines in a body and an attachment of every byte value.
void writeStatesMailbox(const fs::path& path) {
    pstwriter::PstBuilder b;
    b.options().storeName = "Box";
    auto& inbox = b.root().addFolder("Inbox", "IPF.Note");
    auto& flagged = inbox.addMessage().setSubject("Read and flagged");
    flagged.setSender("Ann", "ann@example.com").setDate(fileTime(2020, 1, 2)).setRead(true);
    flagged.setBody("From the start\r\n>From quoted\r\nend\r\n");
    flagged.setInt(mapi::prop::kFlagStatus, 2);
    pstwriter::ByteVec bytes;
    for (int i = 0; i < 4096; ++i) bytes.push_back(static_cast<uint8_t>(i * 7));
    flagged.addAttachment("every byte.bin", bytes);
    auto& answered = inbox.addMessage().setSubject("Answered").setDate(fileTime(2021, 6, 30));
    answered.setRead(true).setInt(mapi::prop::kLastVerbExecuted, 102);
    auto& forwarded = inbox.addMessage().setSubject("Forwarded").setDate(fileTime(2021, 7, 1));
    forwarded.setRead(false).setInt(mapi::prop::kLastVerbExecuted, 104);
    inbox.addFolder("v1.2 & more", "IPF.Note")
        .addMessage()
        .setSubject("In a dotted folder")
        .setDate(fileTime(2022, 2, 2));
    auto& draft = b.root().addFolder("Entwürfe", "IPF.Note").addMessage().setSubject("Draft");
    draft.setInt(mapi::prop::kMessageFlags, 8);  // unsent
    draft.setTime(mapi::prop::kCreationTime, fileTime(2021, 3, 3));
    b.root().addMessage().setSubject("At the top").setDate(fileTime(2019, 9, 9));
    auto& contact = b.root().addFolder("Contacts", "IPF.Contact").addMessage("IPM.Contact");
    contact.setString(mapi::prop::kGivenName, "Bob");
    contact.setString(mapi::prop::kSurname, "Contact");
    b.write(path);
}

struct Exported {
    fs::path eml, mbox, maildir;  // export roots
    fs::path items;               // the --items --json listing
    std::size_t emlFiles = 0;
    std::size_t messages = 0;  // of those, what is no calendar or task: the mailboxes' messages
};

std::size_t countOf(const std::string& text, const std::string& what) {
    std::size_t n = 0;
    for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

// The file below `dir` whose name starts with `stem` and ends with `extension` (item files
// carry a number); empty when there is none.
fs::path fileNamed(const fs::path& dir, const std::string& stem, const std::string& extension) {
    if (!fs::exists(dir)) return {};
    for (const auto& e : fs::recursive_directory_iterator(dir)) {
        const std::string name = e.path().filename().string();
        if (name.starts_with(stem) && name.ends_with(extension)) return e.path();
    }
    return {};
}

// The items a mailbox export wrote into calendars, by its manifest.
std::size_t calendarItems(const fs::path& root) {
    std::istringstream manifest(test::readFile(root / "export-manifest.tsv"));
    std::size_t n = 0;
    for (std::string line; std::getline(manifest, line);) {
        n += line.find("\tCalendars/") != std::string::npos;
    }
    return n;
}

std::size_t filesNamed(const fs::path& dir, const std::string& extension) {
    std::size_t n = 0;
    for (const auto& e : fs::recursive_directory_iterator(dir)) {
        n += e.is_regular_file() && e.path().extension() == extension;
    }
    return n;
}

int exportAs(const std::string& format, const fs::path& pst, const fs::path& out,
             std::string* summary = nullptr) {
    std::ostringstream o, e;
    const int status = runExport({format, {}, pst.string(), out.string(), false}, o, e);
    if (summary) *summary = o.str();
    EXPECT_EQ(status, 0) << format << ": " << o.str() << e.str();
    return status;
}

Exported exportAll(const fs::path& pst, const fs::path& dir) {
    Exported x;
    for (auto [format, root] :
         {std::pair{"eml", &x.eml}, std::pair{"mbox", &x.mbox}, std::pair{"maildir", &x.maildir}}) {
        exportAs(format, pst, dir / format);
        *root = dir / format / "Converted Outlook PST";
    }
    x.items = dir / "items.json";
    std::ofstream json(x.items);
    std::ostringstream err;
    EXPECT_EQ(runList(pst, ListKind::Items, json, err, true), 0) << err.str();
    x.emlFiles = filesNamed(x.eml, ".eml");
    x.messages = x.emlFiles - calendarItems(x.mbox);
    EXPECT_EQ(calendarItems(x.mbox), calendarItems(x.maildir));
    return x;
}

std::size_t messagesFound(const std::string& report) {
    const auto at = report.find("messages=");
    return at == std::string::npos ? 0 : std::stoul(report.substr(at + 9));
}

// mailbox_check.py's count of messages, after checking each; fails the test on a difference.
std::size_t readBack(const std::string& reader, const fs::path& root, const Exported& x) {
    test::requireReader(reader.starts_with("mutt") ? test::Reader::Mutt : test::Reader::Python);
    if (reader == "imap") test::requireReader(test::Reader::Dovecot);
    const auto r =
        test::runPythonTool("mailbox_check.py", reader + " " + shellQuote(root.string() + "/") +
                                                    " " + shellQuote(x.eml.string() + "/") + " " +
                                                    shellQuote(x.items.string()) + " 2>&1");
    EXPECT_EQ(r.status, 0) << reader << " on " << root << ":\n" << r.out;
    return messagesFound(r.out);
}

void expectEveryReaderFindsEveryMessage(const Exported& x) {
    EXPECT_EQ(readBack("python-mbox", x.mbox, x), x.messages);
    EXPECT_EQ(readBack("mutt", x.mbox, x), x.messages);
    EXPECT_EQ(readBack("imap", x.maildir, x), x.messages);
    EXPECT_EQ(readBack("mutt-maildir", x.maildir, x), x.messages);
}

TEST(MailboxExport, StatesNamesAndAttachmentsComeBackThroughEveryReader) {
    test::TempDir dir;
    writeStatesMailbox(dir / "box.pst");
    const Exported x = exportAll(dir / "box.pst", dir.path());
    EXPECT_EQ(x.emlFiles, 6u);
    expectEveryReaderFindsEveryMessage(x);

    // The flags as the Maildir files carry them, and their times the delivery times.
    const fs::path store = x.maildir / "Box";
    std::multiset<std::string> flags;
    for (const auto& e : fs::directory_iterator(store / "cur")) {
        const std::string name = e.path().filename().string();
        flags.insert(name.substr(name.find(":2,") + 3));
    }
    // IMAP servers read no P: Dovecot shows the folder's keyword a as $Forwarded.
    EXPECT_EQ(flags, (std::multiset<std::string>{"FS", "RS", "Pa"}));
    EXPECT_EQ(test::readFile(store / "dovecot-keywords"), "0 $Forwarded\n");
    EXPECT_TRUE(fs::is_directory(store / ".INBOX.v1\\2e2 &- more" / "cur"));
    EXPECT_FALSE(fs::exists(store / ".INBOX.v1\\2e2 &- more" / "dovecot-keywords"));
    EXPECT_TRUE(fs::is_directory(store / ".Entw&APw-rfe" / "cur"));
    EXPECT_EQ(filesNamed(x.maildir / "vCards", ".vcf"), 1u);
    EXPECT_EQ(filesNamed(x.mbox / "vCards", ".vcf"), 1u);
    // Thunderbird's layout: a file per folder, subfolders in Name.sbd beside it.
    EXPECT_TRUE(fs::is_regular_file(x.mbox / "Box" / "Inbox.sbd" / "v1.2 & more"));
    const std::string inbox = test::readFile(x.mbox / "Box" / "Inbox");
    EXPECT_NE(inbox.find("\n>From the start\n>>From quoted\n"), std::string::npos) << inbox;
    EXPECT_NE(inbox.find("X-Mozilla-Status: 0005\n"), std::string::npos);  // read, marked
    EXPECT_NE(inbox.find("X-Mozilla-Status: 1000\n"), std::string::npos);  // forwarded
    const std::string manifest = test::readFile(x.mbox / "export-manifest.tsv");
    EXPECT_EQ(manifest.substr(0, manifest.find('\n')),
              "entry_id\tfolder\tsubject\tfile\tsize\tsha256\toffset");
}

TEST(MailboxExport, AMailboxOfEveryKindComesBackThroughEveryReader) {
    test::TempDir dir;
    pstwriter::GenerateOptions options;
    options.items = 150;
    options.seed = 17;
    pstwriter::generateMailbox(dir / "every.pst", options);
    const Exported x = exportAll(dir / "every.pst", dir.path());
    EXPECT_GT(x.messages, 110u);
    EXPECT_GT(x.emlFiles, x.messages) << "its calendar and tasks are no messages";
    expectEveryReaderFindsEveryMessage(x);
}

// Calendar and task folders leave a mailbox export as one iCalendar file each below
// Calendars/, read back whole by Python's icalendar; distribution lists are vCard groups.
TEST(MailboxExport, CalendarsAndTasksAreCalendarFilesAndListsAreGroups) {
    test::TempDir dir;
    pstwriter::PstBuilder b;
    b.options().storeName = "Box";
    b.root()
        .addFolder("Inbox", "IPF.Note")
        .addMessage()
        .setSubject("Mail")
        .setDate(fileTime(2020, 1, 1));
    auto& calendar = b.root().addFolder("Calendar", "IPF.Appointment");
    for (int i = 1; i <= 3; ++i) {
        pstwriter::addAppointment(
            calendar, {"Meeting " + std::to_string(i), "Room", "Agenda", fileTime(2024, 3, i),
                       fileTime(2024, 3, i) + 36'000'000'000ull, false, 2});
    }
    pstwriter::addTask(b.root().addFolder("Tasks", "IPF.Task"),
                       {"File report", "", {}, {}, 1, 0.5});
    auto& contacts = b.root().addFolder("Contacts", "IPF.Contact");
    pstwriter::addContact(contacts,
                          {.givenName = "Ann", .surname = "Lee", .emails = {"ann@example.com"}});
    pstwriter::addDistList(contacts, "Team",
                           {{"Ann Lee", "ann@example.com"}, {"Carol", "carol@example.com"}});
    b.write(dir / "box.pst");
    for (const char* format : {"mbox", "maildir"}) {
        SCOPED_TRACE(format);
        std::string summary;
        exportAs(format, dir / "box.pst", dir / format, &summary);
        EXPECT_NE(summary.find("7 items written, 0 failed, 0 skipped"), std::string::npos)
            << summary;
        const fs::path root = dir / format / "Converted Outlook PST";
        const fs::path meetings = fileNamed(root / "Calendars", "Calendar", ".ics");
        const fs::path tasks = fileNamed(root / "Calendars", "Tasks", ".ics");
        ASSERT_FALSE(meetings.empty() || tasks.empty());
        EXPECT_EQ(meetings.parent_path().filename(), "Calendar");
        const std::string events = test::readFile(meetings);
        EXPECT_EQ(countOf(events, "BEGIN:VEVENT"), 3u) << events;
        EXPECT_EQ(countOf(events, "BEGIN:VCALENDAR"), 1u);
        EXPECT_EQ(countOf(test::readFile(tasks), "BEGIN:VTODO"), 1u);
        EXPECT_EQ(calendarItems(root), 4u);
        test::requireReader(test::Reader::Python);
        for (const fs::path& file : {meetings, tasks}) {
            auto r = test::runPythonTool("ics_summary.py", shellQuote(file.string()));
            EXPECT_EQ(r.status, 0) << r.out;
        }
        const std::string group = test::readFile(fileNamed(root / "vCards", "Team", ".vcf"));
        EXPECT_NE(group.find("X-ADDRESSBOOKSERVER-KIND:group\r\n"), std::string::npos) << group;
        EXPECT_NE(group.find("X-ADDRESSBOOKSERVER-MEMBER:mailto:carol@example.com\r\n"),
                  std::string::npos);
    }
}

// A Maildir holds a file per message, so a resumed export writes just what is missing, and
// gives a forwarded message the letter the folder's keywords have for it by then.
TEST(MailboxExport, AMaildirExportResumesWhereItEnded) {
    test::TempDir dir;
    writeStatesMailbox(dir / "box.pst");
    exportAs("maildir", dir / "box.pst", dir / "md");
    const fs::path store = dir / "md" / "Converted Outlook PST" / "Box";
    const fs::path cur = store / "cur";
    for (const auto& e : fs::directory_iterator(cur)) {
        if (e.path().string().ends_with(",Pa")) fs::remove(e.path());
    }
    // As a server that took letter a for a keyword of its own leaves the file.
    test::writeFile(store / "dovecot-keywords", "0 $Junk\n1 $Forwarded\n");
    ExportOptions o{"maildir", {}, (dir / "box.pst").string(), (dir / "md").string(), false};
    o.resume = true;
    std::ostringstream out, err;
    EXPECT_EQ(runExport(o, out, err), 0) << err.str();
    EXPECT_NE(out.str().find("1 items written, 0 failed"), std::string::npos) << out.str();
    EXPECT_NE(out.str().find("6 items were written whole before"), std::string::npos);
    EXPECT_EQ(std::distance(fs::directory_iterator(cur), {}), 3);
    std::size_t forwarded = 0;
    for (const auto& e : fs::directory_iterator(cur))
        forwarded += e.path().string().ends_with(",Pb");
    EXPECT_EQ(forwarded, 1u);
    EXPECT_EQ(test::readFile(store / "dovecot-keywords"), "0 $Junk\n1 $Forwarded\n");
    EXPECT_FALSE(fs::exists(dir / "md" / "Converted Outlook PST" / "Box (2)"));
}

std::string repeated(const std::string& s, int n) {
    std::string out;
    for (int i = 0; i < n; ++i) out += s;
    return out;
}

// Folder names the layouts cannot take as they are: a '/' (IMAP's separator), names longer in
// IMAP UTF-7 than a directory entry, siblings alike in their first 300 characters, a path of
// a hundred folders whose ".Parent.Child" entry cannot hold every name.
void writeAwkwardNamesMailbox(const fs::path& path) {
    pstwriter::PstBuilder b;
    b.options().storeName = "Names";
    auto& slashed = b.root().addFolder("a/b", "IPF.Note");
    slashed.addMessage().setSubject("In a/b").setDate(fileTime(2020, 1, 1));
    slashed.addFolder("c", "IPF.Note").addMessage().setSubject("In a/b/c");
    auto& umlauts = b.root().addFolder(repeated("ü", 200), "IPF.Note");
    umlauts.addMessage().setSubject("In the umlauts").setDate(fileTime(2020, 1, 2));
    umlauts.addFolder("Sub", "IPF.Note").addMessage().setSubject("Below the umlauts");
    const std::string start = repeated("Long name ", 30);
    b.root().addFolder(start + "one", "IPF.Note").addMessage().setSubject("In the first");
    b.root().addFolder(start + "two", "IPF.Note").addMessage().setSubject("In the second");
    pstwriter::Folder* deep = &b.root();
    for (int level = 1; level <= 100; ++level) {
        deep = &deep->addFolder("Level " + std::to_string(level), "IPF.Note");
        if (level % 20 == 0 || level == 27 || level == 29) {
            deep->addMessage().setSubject("At level " + std::to_string(level));
        }
    }
    b.write(path);
}

TEST(MailboxExport, AwkwardFolderNamesAreListedOnceAndSelectableUnderTheirParents) {
    test::TempDir dir;
    writeAwkwardNamesMailbox(dir / "names.pst");
    const Exported x = exportAll(dir / "names.pst", dir.path());
    EXPECT_EQ(x.emlFiles, 13u);
    // IMAP: every folder listed once under its own parents, selectable, with its messages.
    expectEveryReaderFindsEveryMessage(x);

    std::set<std::string> maildirs;
    for (const auto& e : fs::directory_iterator(x.maildir / "Names")) {
        const std::string name = e.path().filename().string();
        EXPECT_LE(name.size(), 255u);
        if (name.starts_with(".")) maildirs.insert(name);
    }
    EXPECT_TRUE(maildirs.count(".a_b.c")) << "'/' is written '_', not as IMAP's separator";
    // Each mbox file holds one folder, its name (and "Name.sbd") one directory entry.
    std::map<std::string, std::set<std::string>> folderFiles;
    const std::string manifest = test::readFile(x.mbox / "export-manifest.tsv");
    std::istringstream lines(manifest.substr(manifest.find('\n') + 1));
    for (std::string line; std::getline(lines, line);) {
        std::vector<std::string> fields;
        std::istringstream cells(line);
        for (std::string cell; std::getline(cells, cell, '\t');) fields.push_back(cell);
        ASSERT_GE(fields.size(), 4u) << line;
        folderFiles[fields[3]].insert(fields[1]);
        for (const auto& part : fs::path(fields[3])) EXPECT_LE(part.string().size(), 255u);
    }
    EXPECT_EQ(folderFiles.size(), x.emlFiles);
    for (const auto& [file, folders] : folderFiles) EXPECT_EQ(folders.size(), 1u) << file;
}

TEST(MailboxExport, DatesFilterMessagesAndKeepContacts) {
    test::TempDir dir;
    writeStatesMailbox(dir / "box.pst");
    std::ostringstream out, err;
    ExportOptions o{"eml", {}, (dir / "box.pst").string(), (dir / "out").string(), false};
    o.since = "2021-01-01";
    o.until = "2021-06-30";  // the whole day: "Answered" is kept
    ASSERT_EQ(runExport(o, out, err), 0) << err.str();
    EXPECT_NE(out.str().find("3 items written, 0 failed, 0 skipped (distribution lists, 4 "
                             "messages outside the dates)"),
              std::string::npos)
        << out.str();  // Answered, the draft (created 2021-03-03) and the contact
    EXPECT_EQ(filesNamed(dir / "out", ".vcf"), 1u);

    for (auto [since, until] : {std::pair{"2021-13-01", ""}, std::pair{"", "yesterday"},
                                std::pair{"2022-01-01", "2021-01-01"}}) {
        o.since = since;
        o.until = until;
        o.outputDirectory = (dir / "bad").string();
        std::ostringstream o2, e2;
        EXPECT_EQ(runExport(o, o2, e2), 2) << since << " " << until;
        EXPECT_NE(e2.str().find("--"), std::string::npos) << e2.str();
    }
}

TEST(MailboxExport, ManyMailboxesEachInTheirOwnDirectoryWithOneSummary) {
    test::TempDir dir;
    fs::create_directories(dir / "a");
    fs::create_directories(dir / "b");
    writeStatesMailbox(dir / "a" / "box.pst");
    writeStatesMailbox(dir / "b" / "box.pst");
    fs::copy_file(dir / "a" / "box.pst", dir / "b" / "other.OST");
    test::writeFile(dir / "b" / "notes.txt", "not a mailbox");
    test::writeFile(dir / "broken.pst", "not a mailbox either");
    std::ostringstream out, err;
    ExportOptions o{"mbox", {}, {}, (dir / "out").string(), false};
    const int status = runExports(
        o, {(dir / "a" / "box.pst").string(), (dir / "b").string(), (dir / "broken.pst").string()},
        out, err);
    EXPECT_EQ(status, 2) << "the worst of the mailboxes: one cannot be read";
    for (const char* name : {"box", "box (2)", "other"}) {
        EXPECT_TRUE(
            fs::is_regular_file(dir / "out" / name / "Converted Outlook PST" / "Box" / "Inbox"))
            << name;
    }
    EXPECT_NE(err.str().find("mailbox 4/4: "), std::string::npos) << err.str();
    EXPECT_NE(out.str().find("Summary of 4 mailboxes"), std::string::npos) << out.str();
    EXPECT_NE(out.str().find("NOT EXPORTED  " + (dir / "broken.pst").string()), std::string::npos)
        << out.str();
    EXPECT_NE(out.str().find("Total: 21 items written, 0 failed"), std::string::npos) << out.str();

    // An mbox export cannot be resumed: its folders are single files.
    o.resume = true;
    o.outputDirectory = (dir / "out" / "box").string();
    o.file = (dir / "a" / "box.pst").string();
    std::ostringstream o2, e2;
    EXPECT_EQ(runExport(o, o2, e2), 2);
    EXPECT_NE(e2.str().find("--again"), std::string::npos) << e2.str();
}

TEST(MailboxExport, JsonListingsCarryEveryField) {
    test::TempDir dir;
    writeStatesMailbox(dir / "box.pst");
    for (auto kind : {ListKind::Folders, ListKind::Items}) {
        std::ofstream json(dir / "list.json");
        std::ostringstream err;
        ASSERT_EQ(runList(dir / "box.pst", kind, json, err, true), 0) << err.str();
        json.close();
        const auto r = test::runPythonTool("mailbox_check.py",
                                           "summary " + shellQuote((dir / "list.json").string()));
        ASSERT_EQ(r.status, 0) << r.out;
        if (kind == ListKind::Folders) {
            EXPECT_NE(r.out.find("folders=6 paths=\\\\Box,\\\\Box\\Contacts,"), std::string::npos)
                << r.out;
            continue;
        }
        EXPECT_NE(r.out.find("items=7"), std::string::npos) << r.out;
        EXPECT_NE(r.out.find("Read and flagged|Inbox|2020-01-02T00:00:00Z|ann@example.com|0|"
                             "read,flagged|1 4096"),
                  std::string::npos)
            << r.out;
        EXPECT_NE(r.out.find("Draft|Entwürfe|2021-03-03T00:00:00Z||0|draft|0 0"), std::string::npos)
            << r.out;
    }
}

}  // namespace
}  // namespace pellmark::cli
