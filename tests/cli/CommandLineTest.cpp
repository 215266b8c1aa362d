// pellmark-export's command line: both forms of every option, the short options, the operands,
// and what a command line that cannot be run gets.

#include <gtest/gtest.h>

#include <filesystem>

#include "cli/CommandLine.h"
#include "pstwriter/messaging/PstBuilder.h"
#include "support/TestFiles.h"

namespace pellmark::cli {
namespace {

namespace fs = std::filesystem;

const std::string kProgram = (fs::path(PELLMARK_BINARY_DIR) / "src/cli/pellmark-export").string();

// Every spelling of one export means the same export.
TEST(CommandLine, EverySpellingOfAnExportMeansTheSame) {
    const std::vector<std::vector<std::string>> spellings = {
        {"--format", "eml", "--folder", "\\\\B\\In", "--since", "2020-01-01", "--until",
         "2020-12-31", "--again", "-v", "a.pst", "dir", "out"},
        {"--format=eml", "--folder=\\\\B\\In", "--since=2020-01-01", "--until=2020-12-31",
         "--again", "--verbose", "a.pst", "dir", "out"},
        {"-f", "eml", "a.pst", "--folder", "\\\\B\\In", "dir", "--since", "2020-01-01", "-v",
         "--until", "2020-12-31", "out", "--again"},
        {"-feml", "-o", "out", "--folder=\\\\B\\In", "--since=2020-01-01", "--until=2020-12-31",
         "--again", "-v", "a.pst", "dir"},
        {"-vfeml", "--output=out", "--again", "--folder", "\\\\B\\In", "--since", "2020-01-01",
         "--until", "2020-12-31", "--", "a.pst", "dir"},
    };
    for (const auto& args : spellings) {
        const CommandLine c = parseCommandLine(args);
        SCOPED_TRACE(args.front());
        ASSERT_EQ(c.error, "");
        EXPECT_EQ(c.action, CommandLine::Action::Export);
        EXPECT_EQ(c.options.format, "eml");
        EXPECT_EQ(c.options.outputDirectory, "out");
        EXPECT_EQ(c.mailboxes, (std::vector<std::string>{"a.pst", "dir"}));
        EXPECT_EQ(c.options.folders, std::vector<std::string>{"\\\\B\\In"});
        EXPECT_EQ(c.options.since, "2020-01-01");
        EXPECT_EQ(c.options.until, "2020-12-31");
        EXPECT_TRUE(c.options.again);
        EXPECT_FALSE(c.options.resume);
        EXPECT_EQ(c.options.verbosity, Verbosity::Verbose);
    }
}

// After "--" a word is an operand whatever it looks like; "-" alone always is; a value is
// taken as given, even one that looks like an option.
TEST(CommandLine, OperandsThatLookLikeOptions) {
    CommandLine c = parseCommandLine({"-f", "txt", "--", "-q.pst", "--list", "out"});
    ASSERT_EQ(c.error, "");
    EXPECT_EQ(c.mailboxes, (std::vector<std::string>{"-q.pst", "--list"}));
    EXPECT_EQ(c.options.verbosity, Verbosity::Normal);
    c = parseCommandLine({"-f", "txt", "-", "out"});
    EXPECT_EQ(c.mailboxes, std::vector<std::string>{"-"});
    c = parseCommandLine({"-l", "--", "-l"});
    EXPECT_EQ(c.mailboxes, std::vector<std::string>{"-l"});
    c = parseCommandLine({"--folder", "-v", "-o", "-", "-f", "txt", "a.pst"});
    ASSERT_EQ(c.error, "");
    EXPECT_EQ(c.options.folders, std::vector<std::string>{"-v"});
    EXPECT_EQ(c.options.outputDirectory, "-");
}

TEST(CommandLine, ListingsHelpAndVersion) {
    CommandLine c = parseCommandLine({"-lq", "a.pst", "dir"});
    ASSERT_EQ(c.error, "");
    EXPECT_EQ(c.action, CommandLine::Action::List);
    EXPECT_EQ(c.listKind, ListKind::Folders);
    EXPECT_EQ(c.mailboxes, (std::vector<std::string>{"a.pst", "dir"}));
    c = parseCommandLine({"a.pst", "--json", "--items", "b.ost"});
    EXPECT_EQ(c.listKind, ListKind::Items);
    EXPECT_TRUE(c.json);
    EXPECT_EQ(c.mailboxes, (std::vector<std::string>{"a.pst", "b.ost"}));
    // --help and --version end the reading where they stand, as in GNU programs.
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"-h"}, {"-f", "eml", "--help"}, {"-l", "-h", "--bogus"}}) {
        c = parseCommandLine(args);
        EXPECT_EQ(c.error, "");
        EXPECT_EQ(c.action, CommandLine::Action::Help);
    }
    EXPECT_EQ(parseCommandLine({"-V"}).action, CommandLine::Action::Version);
    EXPECT_EQ(parseCommandLine({"--bogus", "--help"}).error, "unknown option '--bogus'");
}

// The reason of each command line that cannot be run.
TEST(CommandLine, WhatIsWrongIsSaidOnce) {
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{},
         "nothing to do: export with --format FORMAT MAILBOX... OUTDIR, or list with "
         "--list MAILBOX..."},
        {{"--formats=eml", "a", "b"}, "unknown option '--formats'"},
        {{"-f", "eml", "-x", "a", "b"}, "unknown option '-x'"},
        {{"-f"}, "option '-f' needs a value (FORMAT)"},
        {{"a", "b", "--since"}, "option '--since' needs a value (DATE)"},
        {{"--json=yes", "-l", "a"}, "option '--json' takes no value"},
        {{"a.pst", "out"},
         "missing --format FORMAT (msg, eml, txt, vcf, rtf, html, mht, mbox, "
         "maildir, ics or pdf)"},
        {{"-f", "eml"}, "missing MAILBOX and OUTDIR"},
        {{"-f", "eml", "a.pst"}, "missing OUTDIR after 'a.pst'"},
        {{"-f", "eml", "-o", "out"}, "missing MAILBOX"},
        {{"-f", "eml", "a.pst", ""}, "OUTDIR is an empty name"},
        {{"-f", "odt", "a", "b"},
         "unknown format 'odt' (msg, eml, txt, vcf, rtf, html, mht, "
         "mbox, maildir, ics or pdf)"},
        {{"-f", "eml", "--page-size", "a4", "a", "b"}, "--page-size goes with --format pdf"},
        {{"-f", "html", "--pdf-archive", "a", "b"}, "--pdf-archive goes with --format pdf"},
        {{"-f", "pdf", "--page-size=a5", "a", "b"}, "unknown page size 'a5' (a4 or letter)"},
        {{"-l", "--pdf-archive", "a"}, "--pdf-archive goes with --format, not --list"},
        {{"-f", "eml", "--until", "2020-02-30", "a", "b"},
         "--until wants a date as YYYY-MM-DD, not '2020-02-30'"},
        {{"-f", "eml", "--resume", "--again", "a", "b"}, "--resume and --again exclude each other"},
        {{"-q", "--verbose", "-f", "eml", "a", "b"}, "--quiet and --verbose exclude each other"},
        {{"--list", "--items", "a"}, "--list and --items exclude each other"},
        {{"-l", "-f", "eml", "a"}, "--format and --list exclude each other"},
        {{"--items", "--since", "2020-01-01", "a"}, "--since goes with --format, not --items"},
        {{"-l", "-o", "out", "a"}, "--output goes with --format, not --list"},
        {{"-l"}, "missing MAILBOX to list"},
        {{"-f", "eml", "--json", "a", "b"}, "--json goes with --list or --items"},
        {{"-f", "msg", "--recover", "orphans", "a", "b"},
         "--recover takes 'deleted', not 'orphans'"},
        {{"-l", "--forensic", "a"}, "--forensic goes with --format, not --list"},
        {{"-f", "eml", "--load-file", "csv", "a", "b"}, "unknown load file 'csv' (dat)"},
        {{"-f", "mbox", "--load-file", "dat", "a", "b"},
         "--load-file lists a file per item and per attachment; mbox writes items into shared "
         "files"},
        {{"-f", "eml", "--prefix", "X", "a", "b"}, "--prefix goes with --load-file or --dedupe"},
        {{"-f", "eml", "--dedupe", "--prefix", "A B", "a", "b"},
         "--prefix wants up to 32 letters, digits, '_', '-' or '.', not 'A B'"},
        {{"-f", "eml", "--shard", "4/3", "a", "b"},
         "--shard wants K/N, the shard K of N (1 <= K <= N), not '4/3'"},
        {{"-l", "--dedupe", "a"}, "--dedupe goes with --format, not --list"},
        {{"--merge", "-f", "eml", "a", "b"}, "--format does not go with --merge"},
        {{"--merge", "out"}, "missing DIR to merge"},
    };
    for (const auto& [args, why] : cases) {
        EXPECT_EQ(parseCommandLine(args).error, why) << (args.empty() ? "" : args.front());
    }
}

TEST(CommandLine, ForensicIsRecoverDeletedAndMore) {
    const CommandLine recover = parseCommandLine({"-f", "msg", "--recover=deleted", "a", "b"});
    EXPECT_TRUE(recover.options.recoverDeleted);
    EXPECT_FALSE(recover.options.forensic);
    const CommandLine forensic = parseCommandLine({"--forensic", "-f", "msg", "a", "b"});
    EXPECT_EQ(forensic.error, "");
    EXPECT_TRUE(forensic.options.recoverDeleted);
    EXPECT_TRUE(forensic.options.forensic);
}

TEST(CommandLine, ReviewOptionsAndTheMerge) {
    CommandLine c =
        parseCommandLine({"-f", "msg", "--load-file=dat", "--custodian", "Ann Lee", "--prefix",
                          "ACME", "--dedupe", "--shard", "2/8", "in", "out"});
    ASSERT_EQ(c.error, "");
    EXPECT_EQ(c.options.loadFile, "dat");
    EXPECT_EQ(c.options.custodian, "Ann Lee");
    EXPECT_EQ(c.options.prefix, "ACME");
    EXPECT_TRUE(c.options.dedupe);
    EXPECT_EQ(c.options.shard, "2/8");
    c = parseCommandLine({"--merge", "-q", "s1", "s2", "out"});
    ASSERT_EQ(c.error, "");
    EXPECT_EQ(c.action, CommandLine::Action::Merge);
    EXPECT_EQ(c.mailboxes, (std::vector<std::string>{"s1", "s2"}));
    EXPECT_EQ(c.options.outputDirectory, "out");
    c = parseCommandLine({"--merge", "-o", "out", "s1"});
    EXPECT_EQ(c.mailboxes, std::vector<std::string>{"s1"});
}

struct ProgramRun {
    int status;
    std::string out, err;
};

ProgramRun runProgram(const std::string& arguments, const test::TempDir& dir) {
    const auto err = dir / "stderr";
    const auto r = test::runCommand(test::shellQuote(kProgram) + " " + arguments + " 2>" +
                                    test::shellQuote(err.string()));
    return {r.status, r.out, test::readFile(err)};
}

// The program itself: the reason and the hint, two lines on standard error and nothing else,
// status 2; the whole usage only when asked for, on standard output.
TEST(CommandLine, UsageErrorsAreOneLineAndAHint) {
    test::TempDir dir;
    for (const std::string args : {"--bogus", "-f", "--format eml mail.pst", "--format=eml -o out",
                                   "-f eml --resume --again a.pst out", "-x -l a.pst"}) {
        const ProgramRun r = runProgram(args, dir);
        EXPECT_EQ(r.status, 2) << args;
        EXPECT_EQ(r.out, "") << args;
        const auto hint = r.err.find("\nTry 'pellmark-export --help' for more information.\n");
        EXPECT_EQ(r.err.rfind("pellmark-export: ", 0), 0u) << r.err;
        EXPECT_NE(hint, std::string::npos) << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 2) << r.err;
    }
    const ProgramRun help = runProgram("-l mail.pst --help", dir);
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.err, "");
    EXPECT_EQ(help.out.rfind("Usage: pellmark-export", 0), 0u);
    EXPECT_EQ(runProgram("-h", dir).out, help.out);
}

// The output directory named by -o, with the mailboxes after it, and the positional form of
// before write the same export.
TEST(CommandLine, NamedAndPositionalOutputDirectoriesExportAlike) {
    test::TempDir dir;
    pstwriter::PstBuilder b;
    b.root().addFolder("Inbox", "IPF.Note").addMessage().setSubject("hello");
    b.write(dir / "m.pst");
    const std::string pst = test::shellQuote((dir / "m.pst").string());
    const ProgramRun named =
        runProgram("-o " + test::shellQuote((dir / "a").string()) + " --format=eml -q " + pst, dir);
    const ProgramRun positional =
        runProgram("--format eml " + pst + " " + test::shellQuote((dir / "b").string()), dir);
    EXPECT_EQ(named.status, 0) << named.err;
    EXPECT_EQ(positional.status, 0) << positional.err;
    EXPECT_EQ(named.err, "") << "quiet: nothing but failures";
    EXPECT_NE(positional.err.find("folder 1/2: Inbox"), std::string::npos) << positional.err;
    for (const char* out : {"a", "b"}) {
        EXPECT_TRUE(fs::exists(dir / out / "Converted Outlook PST" / "export-manifest.tsv")) << out;
    }
}

}  // namespace
}  // namespace pellmark::cli
