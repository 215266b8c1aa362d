// pellmark-mkpst and what lies under it: JSON descriptions (and their mistakes, named by place),
// the documented example, and generated mailboxes read back by the peers.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <set>

#include "Fixtures.h"
#include "PeerReaders.h"
#include "mkpst/JsonMailbox.h"
#include "pstwriter/Generator.h"
#include "support/TestFiles.h"

namespace pellmark::test {
namespace {

namespace fs = std::filesystem;
using namespace pstwriter;

const fs::path kTool = fs::path(PELLMARK_BINARY_DIR) / "tools/mkpst/pellmark-mkpst";
const fs::path kExample = fs::path(PELLMARK_DOCS_DIR) / "mkpst-example.json";

struct ToolRun {
    int exitCode;
    std::string err;
};

ToolRun runTool(const std::string& args, const TempDir& dir) {
    const fs::path err = dir / "tool.err";
    const std::string cmd =
        "'" + kTool.string() + "' " + args + " >/dev/null 2>'" + err.string() + "'";
    const int status = std::system(cmd.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, readFile(err)};
}

// The message of the JsonInputError the document raises, or "" when it loads.
std::string loadError(const std::string& json) {
    try {
        loadMailboxJsonText(json, "doc.json");
    } catch (const JsonInputError& e) {
        return e.what();
    }
    return "";
}

TEST(MkpstJson, MistakesNameTheirPlace) {
    EXPECT_EQ(loadError("{\n  \"folders\": [\n    {\"name\": }\n]}").rfind("doc.json:3:", 0), 0u);
    EXPECT_EQ(loadError(R"({"folders": [{"name": "A"}, {"name": "B", "messages": [{"attachments":
              [{"name": "x"}, {"name": "y", "sizee": 3}]}]}]})"),
              "folders[1].messages[0].attachments[1].sizee: unknown field");
    EXPECT_EQ(
        loadError(R"({"folders": [{"name": "A", "messages": [{"attachments": [{"size": -1}]}]}]})"),
        "folders[0].messages[0].attachments[0].size: must be between 0 and 4294967295");
    EXPECT_EQ(loadError(R"({"folders": [{"name": "A", "messages": [{"date": "yesterday"}]}]})"),
              "folders[0].messages[0].date: expected an ISO 8601 time such as "
              "2024-03-01T10:00:00Z, found 'yesterday'");
    EXPECT_EQ(loadError(R"({"folders": [{"messages": []}]})"), "folders[0].name: missing");
    EXPECT_EQ(loadError(R"({"folders": [{"name": 5}]})"),
              "folders[0].name: expected a string, found a number");
    EXPECT_EQ(loadError(R"({"folders": [{"name": "A", "messages": [{"kind": "fax"}]}]})"),
              "folders[0].messages[0].kind: unknown kind 'fax' (mail, contact, distlist, "
              "appointment, task, note, journal)");
    EXPECT_EQ(loadError(R"({"folders": [{"name": "A", "messages": [{"properties": [{"tag": 1,
              "type": "int32", "value": 1.5}]}]}]})"),
              "folders[0].messages[0].properties[0].value: expected a whole number");
    EXPECT_EQ(loadError(R"({"encoding": "rot13"})"), "encoding: must be none, permute or cyclic");
    EXPECT_EQ(loadError(R"({"store": {"codepage": 99999}})"),
              "store.codepage: must be between 1 and 65535");
    EXPECT_EQ(loadError(R"([1, 2])"), "doc.json: the document must be a JSON object");
}

TEST(MkpstJson, RepeatAndDeletedItemsFillTheTree) {
    LoadedMailbox m = loadMailboxJsonText(R"({"format": "ansi", "encoding": "cyclic", "folders": [
        {"name": "Inbox", "messages": [{"repeat": 40, "subject": "Item {n}"}]},
        {"name": "Deleted Items", "messages": [{"subject": "gone", "attachments": [
            {"name": "card", "message": {"kind": "contact", "givenName": "Ann"}}]}]}]})",
                                          "doc.json");
    EXPECT_EQ(m.variant.format, Format::Ansi);
    EXPECT_EQ(m.variant.crypt, CryptMethod::Cyclic);
    ASSERT_EQ(m.builder.root().folders().size(), 1u);
    const auto& items = m.builder.root().folders()[0]->messages();
    ASSERT_EQ(items.size(), 40u);
    EXPECT_EQ(items[39]->getString(0x0037), "Item 40");
    ASSERT_EQ(m.builder.deletedItems().messages().size(), 1u);
    const auto& card = m.builder.deletedItems().messages()[0]->attachments().at(0)->embedded;
    ASSERT_TRUE(card);
    EXPECT_EQ(card->getString(0x001A), "IPM.Contact");
}

TEST(MkpstTool, BadInputExitsWithTwoAndLeavesNoFile) {
    TempDir dir;
    writeFile(dir / "bad.json", R"({"folders": [{"name": "A", "colour": "red"}]})");
    ToolRun r = runTool(
        "--from '" + (dir / "bad.json").string() + "' '" + (dir / "out.pst").string() + "'", dir);
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_NE(r.err.find("folders[0].colour: unknown field"), std::string::npos) << r.err;
    r = runTool(
        "--from '" + (dir / "missing.json").string() + "' '" + (dir / "out.pst").string() + "'",
        dir);
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_NE(r.err.find("cannot read"), std::string::npos) << r.err;
    EXPECT_EQ(runTool("--generate many x.pst", dir).exitCode, 2);
    EXPECT_EQ(runTool("--generate 5 --encoding rot13 x.pst", dir).exitCode, 2);
    // Nothing else in the directory: no output, no temporary file.
    std::set<std::string> names;
    for (const auto& e : fs::directory_iterator(dir.path()))
        names.insert(e.path().filename().string());
    EXPECT_EQ(names, (std::set<std::string>{"bad.json", "tool.err"}));
}

TEST(MkpstTool, DocumentedExampleIsReadByBothPeers) {
    TempDir dir;
    ToolRun r = runTool(
        "--quiet --from '" + kExample.string() + "' '" + (dir / "ex.pst").string() + "'", dir);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const PeerRun pff = runPffexport(dir / "ex.pst", dir / "pff");
    ASSERT_EQ(pff.exitCode, 0) << pff.errors;
    EXPECT_EQ(pff.folders.at("Inbox").size(), 4u);
    EXPECT_EQ(pff.folders.at("Contacts").size(), 3u);
    EXPECT_EQ(pff.folders.at("Calendar").size(), 9u);
    EXPECT_EQ(pff.folders.at("Tasks").size(), 3u);
    EXPECT_EQ(pff.folders.at("Deleted Items").size(), 1u);
    const PeerItem& first = pff.folders.at("Inbox").front();
    EXPECT_EQ(first.attachments.at("notes.txt"), "plain text content");
    EXPECT_EQ(first.attachments.at("large.bin").size(), 9000000u);
    const PeerRun rp = runReadpst(dir / "ex.pst", dir / "readpst");
    EXPECT_EQ(rp.exitCode, 0) << rp.errors;
    EXPECT_EQ(rp.folders.at("Inbox").size(), 4u);
}

class GeneratedMailboxTest : public testing::TestWithParam<FileVariant> {};

TEST_P(GeneratedMailboxTest, PeersFindEveryFolderAndItem) {
    TempDir dir;
    GenerateOptions o;
    o.items = 400;
    o.seed = 11;
    o.variant = GetParam();
    const GenerateSummary s = generateMailbox(dir / "gen.pst", o);
    EXPECT_EQ(s.items, 400u);
    const PeerRun pff = runPffexport(dir / "gen.pst", dir / "pff");
    ASSERT_EQ(pff.exitCode, 0) << pff.errors;
    for (const auto& [path, count] : s.folders) {
        SCOPED_TRACE(path);
        // pffexport leaves out items of a class it does not know.
        const std::string stored = textAsStored(GetParam(), path);
        if (stored.find('?') != std::string::npos) continue;  // pffexport escapes it in file names
        const size_t found = pff.folders.count(stored) ? pff.folders.at(stored).size() : 0;
        if (path == "Custom data")
            EXPECT_EQ(found, 0u);
        else
            EXPECT_EQ(found, count);
    }
    const PeerRun rp = runReadpst(dir / "gen.pst", dir / "readpst");
    EXPECT_EQ(rp.exitCode, 0) << rp.errors;
    EXPECT_GE(rp.folders.at("Inbox").size(), s.folders.at("Inbox"));
    // The same seed gives the same file.
    generateMailbox(dir / "again.pst", o);
    EXPECT_TRUE(readFile(dir / "gen.pst") == readFile(dir / "again.pst"));
}

INSTANTIATE_TEST_SUITE_P(Variants, GeneratedMailboxTest,
                         testing::Values(FileVariant{Format::Unicode, CryptMethod::Permute},
                                         FileVariant{Format::Ansi, CryptMethod::None}),
                         [](const auto& info) {
                             return std::string(info.param.format == Format::Ansi ? "Ansi"
                                                                                  : "Unicode");
                         });

}  // namespace
}  // namespace pellmark::test
