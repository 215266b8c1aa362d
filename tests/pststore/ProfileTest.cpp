// The profile as the window's sessions keep it: opened data files added as lines, the lines
// already there never lost, a profile that cannot be read never written.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <thread>
#include <vector>

#include "pststore/Profile.h"
#include "pststore/PstSession.h"
#include "pstwriter/messaging/PstBuilder.h"
#include "support/TestFiles.h"

namespace pellmark::pststore {
namespace {

namespace fs = std::filesystem;
using test::readFile;
using test::TempDir;
using test::writeFile;

TEST(Profile, ANewProfileSaysWhatItIsAndListsEachFileOnce) {
    TempDir dir;
    const fs::path profile = dir / "config/pellmark/profile";
    writeFile(dir / "mail.pst", "x");
    fs::create_symlink(dir / "mail.pst", dir / "link.pst");

    EXPECT_EQ(rememberDataFile(dir / "mail.pst", profile), Remembered::Added);
    const std::string written = readFile(profile);
    EXPECT_EQ(written.rfind("; Pellmark's configured mailboxes", 0), 0u) << written;
    EXPECT_EQ(readProfile(profile), std::vector<std::string>{(dir / "mail.pst").string()});

    // The same file again, or by another name, is listed already.
    EXPECT_EQ(rememberDataFile(dir / "mail.pst", profile), Remembered::AlreadyListed);
    EXPECT_EQ(rememberDataFile(dir / "link.pst", profile), Remembered::AlreadyListed);
    EXPECT_EQ(readFile(profile), written);
}

TEST(Profile, AnAddedFileGoesBelowEveryLineThere) {
    TempDir dir;
    const fs::path profile = dir / "profile";
    // A hand-written profile whose last line has no line end.
    const std::string mine = "; mine\n/home/u/old.pst\n\n  /home/u/work.ost";
    writeFile(profile, mine);
    EXPECT_EQ(rememberDataFile("/home/u/work.ost", profile), Remembered::AlreadyListed);
    EXPECT_EQ(rememberDataFile("/home/u/new.pst", profile), Remembered::Added);
    EXPECT_EQ(readFile(profile), mine + "\n/home/u/new.pst\n");

    // A profile that is a link stays a link; the file it points to gets the line.
    fs::rename(profile, dir / "real-profile");
    fs::create_symlink(dir / "real-profile", profile);
    EXPECT_EQ(rememberDataFile("/home/u/third.pst", profile), Remembered::Added);
    EXPECT_TRUE(fs::is_symlink(profile));
    EXPECT_EQ(readProfile(profile).back(), "/home/u/third.pst");
}

TEST(Profile, WhatCannotBeKeptWhole) {
    TempDir dir;
    // A profile that cannot be read: its lines are unknown, so nothing is written.
    fs::create_directory(dir / "unreadable");
    EXPECT_THROW(rememberDataFile("/home/u/a.pst", dir / "unreadable"), store::StoreError);
    EXPECT_TRUE(fs::is_empty(dir / "unreadable"));

    // Paths the profile would give back otherwise than written.
    for (const char* path : {"/home/u/two\nlines.pst", "/home/u/blank.pst ", "relative.pst"}) {
        EXPECT_THROW(rememberDataFile(path, dir / "profile"), store::StoreError) << path;
    }
    EXPECT_FALSE(fs::exists(dir / "profile"));
}

TEST(Profile, FilesAddedAtOnceAreAllKept) {
    TempDir dir;
    const fs::path profile = dir / "profile";
    std::vector<std::thread> adders;
    for (int i = 0; i < 8; ++i) {
        adders.emplace_back(
            [&, i] { rememberDataFile(dir / ("mail" + std::to_string(i) + ".pst"), profile); });
    }
    for (std::thread& adder : adders) adder.join();
    std::vector<std::string> listed = readProfile(profile);
    std::sort(listed.begin(), listed.end());
    ASSERT_EQ(listed.size(), 8u);
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(listed[i], (dir / ("mail" + std::to_string(i) + ".pst")).string());
    }
    const std::string text = readFile(profile);
    EXPECT_EQ(text.find("; Pellmark's"), text.rfind("; Pellmark's")) << "one heading";
}

// The window's sessions keep the files they open in the profile of XDG_CONFIG_HOME; other
// sessions leave it alone, and a file that does not open is not kept.
TEST(Profile, OnlyTheWindowsSessionsKeepOpenedFiles) {
    TempDir dir;
    pstwriter::PstBuilder builder;
    builder.root().addFolder("Inbox", "IPF.Note");
    builder.write(dir / "mail.pst");
    writeFile(dir / "notes.txt", "not a mailbox");
    ::setenv("XDG_CONFIG_HOME", (dir / "config").c_str(), 1);
    const fs::path profile = dir / "config/pellmark/profile";

    auto addTo = [&](PstSessionFactory& sessions, const fs::path& file) {
        auto session = sessions.create();
        session->logon();
        session->stores().add(file.string());
    };
    PstSessionFactory plain;
    addTo(plain, dir / "mail.pst");
    EXPECT_FALSE(fs::exists(profile));

    PstSessionFactory window({}, AddedFiles::Kept);
    EXPECT_THROW(addTo(window, dir / "notes.txt"), store::StoreError);
    EXPECT_FALSE(fs::exists(profile));
    addTo(window, dir / "mail.pst");
    auto later = window.create();
    later->logon();
    auto listed = later->stores().enumerate();
    auto store = listed->next();
    ASSERT_NE(store, nullptr);
    EXPECT_EQ(store->dataFilePath(), (dir / "mail.pst").string());
    EXPECT_EQ(listed->next(), nullptr);
    ::unsetenv("XDG_CONFIG_HOME");
}

}  // namespace
}  // namespace pellmark::pststore
