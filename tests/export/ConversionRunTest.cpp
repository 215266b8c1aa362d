#include "export/ConversionRun.h"
#include "export/ExportRoot.h"
#include "export/Manifest.h"

#include <gtest/gtest.h>

#include "formats/OutputFormats.h"

#include "support/FakeStore.h"
#include "support/TestFiles.h"

namespace pellmark::exporting {
namespace {

namespace fs = std::filesystem;
using test::fakeContact;
using test::fakeDistList;
using test::fakeFolder;
using test::fakeMail;

// The number of a file named `stem`, a number and `extension`, or 0 when the name is not so.
int numberIn(const std::string& name, const std::string& stem, const std::string& extension) {
    if (name.size() <= stem.size() + extension.size() || !name.starts_with(stem) ||
        !name.ends_with(extension)) {
        return 0;
    }
    const std::string digits =
        name.substr(stem.size(), name.size() - stem.size() - extension.size());
    if (digits.find_first_not_of("0123456789") != std::string::npos) return 0;
    return std::stoi(digits);
}

class RecordingProgress : public RunProgress {
  public:
    std::vector<std::string> events;

    void folderStarted(const std::string& name, std::size_t, std::size_t) override {
        events.push_back("folder " + name);
    }
    void folderFailed(const std::string& name, const std::string&) override {
        events.push_back("folder failed " + name);
    }
    void itemStarted(const std::string& caption, int64_t counter, int64_t count) override {
        events.push_back("item " + caption + " " + std::to_string(counter) + "/" +
                         std::to_string(count));
    }
    void itemFailed(const std::string& caption, const std::string&) override {
        events.push_back("failed " + caption);
    }
    void itemSkipped() override { events.push_back("skipped"); }
};

class ConversionRunTest : public ::testing::Test {
  protected:
    ConversionRunTest() {
        world.addStore("Personal Folders", "S1");
        // add() hands out references that must survive later additions.
        world.stores[0].root.subfolders.reserve(16);
    }

    test::FakeFolder& add(test::FakeFolder folder) {
        auto& folders = world.stores[0].root.subfolders;
        folders.push_back(std::move(folder));
        return folders.back();
    }

    static store::FolderRef ref(const test::FakeFolder& folder) {
        return {folder.entryId, "\\\\Personal Folders\\" + folder.name};
    }

    RunSummary run(const char* format, std::vector<store::FolderRef> folders,
                   std::function<int32_t()> draw = nullptr) {
        test::FakeSessionFactory factory(world);
        ConversionRun conversion(factory,
                                 RunRequest{"S1",
                                            {std::move(folders)},
                                            dir.path().string(),
                                            formats::outputFormatNamed(format)->save},
                                 progress);
        if (draw) conversion.setNumberSource(std::move(draw));
        return conversion.run();
    }

    std::string root() const { return dir.path().string() + "/Converted Outlook PST/"; }

    // The names of the files in a directory below the export root, sorted.
    std::vector<std::string> files(const std::string& relative) const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(root() + relative)) {
            names.push_back(entry.path().filename());
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    test::TempDir dir;
    test::FakeWorld world;
    RecordingProgress progress;
};

TEST_F(ConversionRunTest, MailFolderGoesToItsMirroredDirectoryNamedBySubjectAndNumber) {
    const auto& inbox = add(fakeFolder("Inbox", {fakeMail("Re: report 3/4 final?"), fakeMail("")}));
    const RunSummary summary = run("html", {{}, ref(inbox), {}, {}});

    EXPECT_EQ(summary.exportRoot, root());
    const auto names = files("Personal Folders/Inbox");
    ASSERT_EQ(names.size(), 2u);
    const int number = numberIn(names[1], "Re report 34 final", ".html");
    EXPECT_GE(number, 1) << names[1];
    EXPECT_LE(number, 40000);
    EXPECT_NE(numberIn(names[0], "", ".html"), 0) << "empty subject: " << names[0];
    EXPECT_EQ(test::readFile(root() + "Personal Folders/Inbox/" + names[1]),
              "5|Re: report 3/4 final?");
    EXPECT_EQ(progress.events, (std::vector<std::string>{
                                   "folder Inbox", "item Re: report 3/4 final? 1/2", "item  2/2"}));
    EXPECT_EQ(summary.folders, 1);
    EXPECT_EQ(summary.itemsWritten, 2);
    EXPECT_EQ(summary.bytesWritten, std::string("5|Re: report 3/4 final?5|").size());
    EXPECT_TRUE(summary.succeeded());
    EXPECT_EQ(world.logons, 1);
    EXPECT_EQ(world.logoffs, 1);
}

TEST_F(ConversionRunTest, EveryFormatSavesWithItsCodeAndExtension) {
    const auto& inbox = add(fakeFolder("Inbox", {fakeMail("m")}));
    for (const char* format : {"msg", "rtf", "txt", "eml", "html", "mht"}) {
        world.saveTypes.clear();
        run(format, {ref(inbox)});
        EXPECT_EQ(
            world.saveTypes,
            std::vector<int16_t>{static_cast<int16_t>(formats::outputFormatNamed(format)->save)});
    }
    const auto names = files("Personal Folders/Inbox");
    std::vector<std::string> extensions;
    for (const auto& name : names) extensions.push_back(fs::path(name).extension());
    std::sort(extensions.begin(), extensions.end());
    EXPECT_EQ(extensions,
              (std::vector<std::string>{".eml", ".html", ".mht", ".msg", ".rtf", ".txt"}));
}

TEST_F(ConversionRunTest, ContactFoldersYieldVCardsUnderEveryFormatAndSkipDistributionLists) {
    auto contacts = fakeFolder(
        "Contacts", {fakeContact("Ann", "Lee"), fakeDistList("Team"), fakeContact("", "")});
    contacts.defaultMessageClass = "IPM.Contact";
    const store::FolderRef contactsRef = ref(add(contacts));
    for (const char* format : {"msg", "rtf", "txt", "vcf", "eml", "html", "mht"}) {
        SCOPED_TRACE(format);
        world.saveTypes.clear();
        progress.events.clear();
        const RunSummary summary = run(format, {contactsRef});
        EXPECT_EQ(world.saveTypes, (std::vector<int16_t>{6, 6}));
        EXPECT_EQ(summary.itemsSkipped, 1);
        EXPECT_EQ(progress.events, (std::vector<std::string>{"folder Contacts", "item Ann Lee 1/3",
                                                             "skipped", "item   3/3"}));
    }
    std::size_t annFiles = 0;
    std::size_t blankFiles = 0;
    for (const auto& name : files("Personal Folders/Contacts")) {
        annFiles += numberIn(name, "Ann Lee", ".vcf") != 0;
        // A contact without a name: the number alone, no name starting with a blank.
        blankFiles += numberIn(name, "", ".vcf") != 0;
    }
    EXPECT_EQ(annFiles, 7u);
    EXPECT_EQ(blankFiles, 7u);
}

TEST_F(ConversionRunTest, VCardChoiceExportsContactFoldersOnlyButMakesEveryDirectory) {
    const store::FolderRef inboxRef = ref(add(fakeFolder("Inbox", {fakeMail("m")})));
    auto contacts = fakeFolder("Contacts", {fakeContact("Ann", "Lee")});
    contacts.defaultMessageClass = "IPM.Contact";
    const store::FolderRef contactsRef = ref(add(contacts));
    const store::FolderRef emptyRef = ref(add(fakeFolder("Empty")));
    const RunSummary summary = run("vcf", {inboxRef, contactsRef, emptyRef});
    EXPECT_TRUE(files("Personal Folders/Inbox").empty());
    EXPECT_EQ(files("Personal Folders/Contacts").size(), 1u);
    EXPECT_TRUE(fs::is_directory(root() + "Personal Folders/Empty"));
    EXPECT_EQ(progress.events, (std::vector<std::string>{"folder Inbox", "folder Contacts",
                                                         "item Ann Lee 1/1", "folder Empty"}));
    EXPECT_EQ(summary.itemsWritten, 1);
    // The summary says what was passed over: the Inbox's item, not the empty folder.
    EXPECT_EQ(summary.itemsOfOtherKinds, 1);
    EXPECT_EQ(summary.foldersOfOtherKinds, (std::vector<std::string>{"Personal Folders\\Inbox"}));
}

TEST_F(ConversionRunTest, FoldersBeyondTheOldSixteenBitLimitExportWhole) {
    std::vector<test::FakeItem> items;
    for (int i = 0; i < 33000; ++i) items.push_back(fakeMail("m" + std::to_string(i)));
    auto& big = add(fakeFolder("Big", std::move(items)));
    const RunSummary summary = run("txt", {ref(big)});
    EXPECT_EQ(summary.itemsWritten, 33000);
    EXPECT_EQ(progress.events.back(), "item m32999 33000/33000");
    std::size_t written = 0;
    for ([[maybe_unused]] const auto& entry :
         fs::directory_iterator(root() + "Personal Folders/Big")) {
        ++written;
    }
    EXPECT_EQ(written, 33000u);
}

TEST_F(ConversionRunTest, SameSubjectsAndRerunsIntoTheSameRootNeverOverwrite) {
    const store::FolderRef inboxRef =
        ref(add(fakeFolder("Inbox", {fakeMail("Same"), fakeMail("Same"), fakeMail("Same")})));
    const auto always7 = [] { return 7; };
    run("txt", {inboxRef}, always7);
    run("txt", {inboxRef}, always7);
    EXPECT_EQ(files("Personal Folders/Inbox"),
              (std::vector<std::string>{"Same7 (2).txt", "Same7 (3).txt", "Same7 (4).txt",
                                        "Same7 (5).txt", "Same7 (6).txt", "Same7.txt"}));
}

TEST_F(ConversionRunTest, HostileNamesNeverLeaveTheExportRoot) {
    const store::FolderRef escapeRef = ref(add(fakeFolder("..", {fakeMail("../../up")})));
    auto& nested = add(fakeFolder("a\\..\\..\\b", {fakeMail("x")}));
    nested.entryId = "F-nested";
    auto& hash = add(fakeFolder("Sales #1", {fakeMail("y")}));
    hash.entryId = "F-sales";  // entry ids never hold '#'; folder names may
    const store::FolderRef hashRef = ref(hash);
    auto& slash = add(fakeFolder("../../../../tmp", {fakeMail(std::string("z\0\n", 3))}));
    slash.entryId = "F-slash";
    const RunSummary summary =
        run("html", {escapeRef, ref(nested), hashRef, {"F-slash", "\\\\whatever"}});
    EXPECT_EQ(summary.itemsWritten, 4);
    std::vector<std::string> written;
    for (const auto& entry : fs::recursive_directory_iterator(dir.path())) {
        if (entry.is_regular_file() && entry.path().filename() != Manifest::kFileName &&
            entry.path().filename() != ExportRoot::kIdentityFile) {
            written.push_back(entry.path().string().substr(root().size()));
        }
    }
    std::sort(written.begin(), written.end());
    ASSERT_EQ(written.size(), 4u);
    // Names starting with '.' get a '_' in front: nothing is hidden.
    EXPECT_TRUE(written[0].starts_with("Personal Folders/Sales #1/y")) << written[0];
    EXPECT_TRUE(written[1].starts_with("Personal Folders/_.._.._.._.._tmp/z__")) << written[1];
    EXPECT_TRUE(written[2].starts_with("Personal Folders/___/_....up")) << written[2];
    EXPECT_TRUE(written[3].starts_with("Personal Folders/a/___/___/b/x")) << written[3];
}

// A page's attachment named like a subfolder, and a folder whose directory cannot be made.
TEST_F(ConversionRunTest, AFolderAndAnAttachmentNeverTakeEachOthersName) {
    auto& inbox = add(fakeFolder("Inbox", {fakeMail("plan", {{"Projects", "attached"}})}));
    auto& projects = add(fakeFolder("Inbox\\Projects", {fakeMail("a"), fakeMail("b")}));
    projects.entryId = "F-projects";
    std::string deep = "Inbox";
    for (int i = 0; i < 20; ++i) deep += "\\" + std::string(250, 'd');  // beyond PATH_MAX
    auto& tooDeep = add(fakeFolder(deep, {fakeMail("c"), fakeMail("d"), fakeMail("e")}));
    tooDeep.entryId = "F-deep";
    const RunSummary summary = run("html", {ref(inbox), ref(projects), ref(tooDeep)});
    EXPECT_EQ(summary.itemsWritten, 3);
    EXPECT_EQ(summary.itemsFailed, 3) << "the items of a folder that could not be made are lost";
    EXPECT_TRUE(fs::is_regular_file(root() + "Personal Folders/Inbox/Projects"));
    EXPECT_EQ(files("Personal Folders/Inbox/Projects (2)").size(), 2u);
    ASSERT_EQ(summary.failedFolders.size(), 1u);
    EXPECT_EQ(summary.failedFolders[0].substr(0, 23), "Personal Folders\\Inbox\\");
}

// Every file written is in the manifest with its size and hash; a resumed run passes over the
// items written whole and writes the others once more, and nothing twice.
TEST_F(ConversionRunTest, TheManifestRecordsEveryFileAndAResumeWritesNothingTwice) {
    auto& inbox = add(fakeFolder(
        "Inbox", {fakeMail("one", {{"a.pdf", "A"}}), fakeMail("two"), fakeMail("three")}));
    for (int i = 0; i < 3; ++i) inbox.items[i].entryId = "E" + std::to_string(i + 1);
    run("html", {ref(inbox)});
    auto entries = Manifest::read(root());
    ASSERT_EQ(entries.size(), 4u) << "the attachment and three pages";
    EXPECT_EQ(entries[0].entryId, "E1");
    EXPECT_EQ(entries[0].file, "Personal Folders/Inbox/a.pdf");
    EXPECT_EQ(entries[1].subject, "one");
    // A page with its links appended, and one without attachments.
    for (const std::size_t page : {1u, 2u}) {
        const auto sha =
            test::runCommand("sha256sum " + test::shellQuote(root() + entries[page].file));
        EXPECT_EQ(sha.out.substr(0, 64), entries[page].sha256) << "as an independent tool does";
    }
    EXPECT_EQ(entries[1].size, fs::file_size(root() + entries[1].file));

    // A run that ended early: the third page never came out, the second was changed since.
    fs::remove(root() + entries[3].file);
    test::writeFile(root() + entries[2].file, "edited");
    test::FakeSessionFactory factory(world);
    RunRequest again{
        "S1", {{ref(inbox)}}, dir.path().string(), formats::outputFormatNamed("html")->save};
    again.earlier = EarlierExport::Resume;
    const RunSummary resumed = ConversionRun(factory, std::move(again), progress).run();
    EXPECT_EQ(resumed.itemsAlreadyExported, 1);
    EXPECT_EQ(resumed.itemsWritten, 2);
    std::size_t pages = 0, pdfs = 0;
    for (const auto& name : files("Personal Folders/Inbox")) {
        pages += name.ends_with(".html");
        pdfs += name.ends_with(".pdf");
    }
    EXPECT_EQ(pdfs, 1u);
    EXPECT_EQ(pages, 4u) << "three pages, and the edited one left as it is";
    EXPECT_EQ(Manifest::read(root()).size(), 4u);
}

TEST_F(ConversionRunTest, ADirectoryEndingWithASeparatorGetsNoDoubledOne) {
    test::FakeSessionFactory factory(world);
    ConversionRun conversion(
        factory,
        RunRequest{"S1", {}, dir.path().string() + "/", formats::outputFormatNamed("msg")->save},
        progress);
    EXPECT_EQ(conversion.run().exportRoot, root());
}

TEST_F(ConversionRunTest, FailuresAreSkippedCountedAndNamed) {
    auto& inbox = add(fakeFolder(
        "Inbox", {fakeMail("ok", {{"keep.pdf", "K"}}), fakeMail("broken", {{"a.pdf", "A"}}),
                  fakeMail("unreadable"), fakeMail("ok2")}));
    inbox.items[1].failSave = true;
    inbox.items[2].failRead = true;
    inbox.items[3].attachments = {{"bad.doc", "B"}};
    inbox.items[3].attachments[0].failSave = true;
    auto& lost = add(fakeFolder("Lost", {fakeMail("m")}));
    lost.failLookup = true;
    auto& closed = add(fakeFolder("Closed", {fakeMail("m")}));
    closed.failItems = true;
    const RunSummary summary = run("html", {ref(inbox), ref(lost), ref(closed)});

    EXPECT_EQ(summary.itemsWritten, 2);
    EXPECT_EQ(summary.itemsFailed, 2);
    EXPECT_EQ(summary.attachmentsWritten, 1);
    EXPECT_EQ(summary.attachmentsFailed, 1);
    EXPECT_EQ(summary.failedFolders,
              (std::vector<std::string>{"Personal Folders\\Inbox", "Personal Folders\\Lost",
                                        "Personal Folders\\Closed"}));
    // The failed page left no file holding only the links, and its attachment went with it.
    std::size_t pages = 0;
    for (const auto& name : files("Personal Folders/Inbox")) {
        pages += name.ends_with(".html");
        EXPECT_FALSE(name.starts_with("broken")) << name;
    }
    EXPECT_EQ(pages, 2u);
    EXPECT_FALSE(fs::exists(root() + "Personal Folders/Inbox/a.pdf"));
    EXPECT_TRUE(fs::exists(root() + "Personal Folders/Inbox/keep.pdf"));
    EXPECT_EQ(world.logoffs, 1);
}

TEST_F(ConversionRunTest, APageGetsItsLinksAndAnUnreadableSubjectStillSaves) {
    auto& inbox = add(fakeFolder("Inbox", {fakeMail("Report", {{"a.pdf"}, {"b.doc"}})}));
    inbox.items[0].failSubject = true;
    run("html", {ref(inbox)}, [] { return 12; });
    const std::string folder = root() + "Personal Folders/Inbox/";
    EXPECT_EQ(test::readFile(folder + "12.html"),
              "5|Report<br /><br />:: Attachments ::<br />\r\n"
              "<a href='b.doc'>b.doc</a>\r\n"
              "<a href='a.pdf'>a.pdf</a>\r\n\r\n");
}

TEST_F(ConversionRunTest, FailuresWhilePreparingStopTheRunWithAClearReason) {
    auto expectPrepareError = [&](const std::string& expected) {
        try {
            run("msg", {});
            ADD_FAILURE() << "no error";
        } catch (const PrepareError& error) {
            EXPECT_NE(std::string(error.what()).find(expected), std::string::npos) << error.what();
        }
    };
    world.failCreate = true;
    expectPrepareError("mail store could not be opened");
    world.failCreate = false;
    world.failLogon = true;
    expectPrepareError("mail store could not be opened");
    world.failLogon = false;
    world.stores[0].entryId = "other";
    expectPrepareError("mailbox to export was not found");
    EXPECT_EQ(world.logoffs, 1) << "a logged-on session is always logged off";
    fs::remove_all(dir / "Converted Outlook PST");
    test::writeFile(dir / "Converted Outlook PST", "a file in the way");
    expectPrepareError("could not be created");
}

TEST(CompletionMessage, PlainSuccessOrWhatFailed) {
    RunSummary summary;
    summary.exportRoot = "/out/Converted Outlook PST/";
    summary.itemsWritten = 5;
    const CompletionMessage done = completionMessage(summary);
    EXPECT_EQ(done.title, "Export Complete");
    EXPECT_EQ(done.text,
              "Outlook Mailbox Exported Successfully to >\r\n/out/Converted Outlook PST/");
    EXPECT_FALSE(done.failure);

    summary.itemsFailed = 2;
    summary.attachmentsFailed = 1;
    summary.failedFolders = {"PF\\Inbox", "PF\\Lost"};
    const CompletionMessage failed = completionMessage(summary);
    EXPECT_EQ(failed.title, "Export finished with errors");
    EXPECT_TRUE(failed.failure);
    EXPECT_EQ(failed.text,
              "Outlook Mailbox exported with errors to >\r\n/out/Converted Outlook PST/\r\n\r\n"
              "5 items exported.\r\n2 items could not be exported.\r\n"
              "1 attachment could not be saved.\r\nFolders with errors:\r\n"
              "    PF\\Inbox\r\n    PF\\Lost\r\n");

    RunSummary damaged;
    damaged.exportRoot = "/out/Converted Outlook PST/";
    damaged.itemsWritten = 3;
    damaged.itemsRecovered = 2;
    damaged.damage = {"the file is cut short"};
    damaged.stopped = true;
    EXPECT_EQ(
        completionMessage(damaged).text,
        "Outlook Mailbox exported with errors to >\r\n/out/Converted Outlook PST/\r\n\r\n"
        "3 items exported.\r\nThe export was stopped before its end.\r\n"
        "The mailbox file is damaged:\r\n    the file is cut short\r\n"
        "2 items that no folder listed any more were recovered into \"Recovered items\".\r\n");
}

}  // namespace
}  // namespace pellmark::exporting
