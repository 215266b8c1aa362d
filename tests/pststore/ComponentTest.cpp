// The mail store component over real files: sessions and profile, identifiers found again from
// fresh sessions, folders, items and attachments as the application uses them.

#include <gtest/gtest.h>
#include <stdlib.h>

#include "pststore/EntryId.h"
#include "pststore/Profile.h"
#include "pststore/PstSession.h"
#include "pststore/PstStore.h"
#include "support/TestFiles.h"

namespace pellmark::pststore {
namespace {

using store::StoreError;
using test::TempDir;

std::unique_ptr<store::Folder> childNamed(store::Folder& parent, const std::string& name) {
    auto e = parent.folders()->enumerate();
    while (auto f = e->next()) {
        if (f->name() == name) return f;
    }
    return nullptr;
}

void expectWellFormedId(const std::string& id) {
    EXPECT_FALSE(id.empty());
    EXPECT_EQ(id.find('#'), std::string::npos);
    EXPECT_EQ(id.find(' '), std::string::npos);
}

TEST(Component, ProfileFileDecidesTheConfiguredStores) {
    PELLMARK_SAMPLE_OR_SKIP(sample, "pst/hughbe-hughbe__hughbe_Outlook.pst");
    TempDir dir;
    // No profile: logon succeeds with no stores.
    PstSession none(dir / "no-such-profile");
    none.logon();
    EXPECT_EQ(none.stores().enumerate()->next(), nullptr);

    // A profile that cannot be read makes logon fail.
    std::filesystem::create_directory(dir / "a-directory");
    PstSession unreadable(dir / "a-directory");
    EXPECT_THROW(unreadable.logon(), StoreError);

    // Comments and blank lines are skipped; a missing file is listed but fails on its second text.
    test::writeFile(dir / "profile", "; my mailboxes\n\n" + sample.string() + "  \n" +
                                         (dir / "gone.pst").string() + "\n");
    PstSession session(dir / "profile");
    EXPECT_THROW(session.stores(), StoreError);  // not logged on yet
    session.logon();
    auto e = session.stores().enumerate();
    auto first = e->next();
    auto second = e->next();
    ASSERT_TRUE(first && second);
    EXPECT_EQ(e->next(), nullptr);
    EXPECT_EQ(first->dataFilePath(), sample.string());
    EXPECT_EQ(first->displayName(), "Personal Folders");
    try {
        second->dataFilePath();
        ADD_FAILURE() << "a missing file has no second text";
    } catch (const StoreError& error) {
        // A caller knows nothing else of the store: the failure names its file.
        EXPECT_EQ(std::string(error.what()).rfind((dir / "gone.pst").string() + ": ", 0), 0u)
            << error.what();
    }
    session.logoff();
}

TEST(Component, XdgConfigHomeLocatesTheProfile) {
    TempDir dir;
    ::setenv("XDG_CONFIG_HOME", dir.path().c_str(), 1);
    EXPECT_EQ(profilePath(), dir / "pellmark" / "profile");
    ::unsetenv("XDG_CONFIG_HOME");
}

TEST(Component, StoresAndFoldersAreFoundAgainFromFreshSessions) {
    PELLMARK_SAMPLE_OR_SKIP(sample, "pst/npm-pst-extractor__enron.pst");
    std::string storeId, folderId, folderPath;
    {
        PstSession s;
        s.logon();
        auto store = s.stores().add(sample.string());
        storeId = store->entryId();
        auto root = store->rootFolder();
        auto lokay = childNamed(*root, "lokay-m");
        auto mlokay = childNamed(*lokay, "MLOKAY (Non-Privileged)");
        auto systems = childNamed(*mlokay, "Systems");
        ASSERT_TRUE(systems);
        folderId = systems->entryId();
        folderPath = systems->folderPath();
        s.logoff();
    }
    expectWellFormedId(storeId);
    expectWellFormedId(folderId);
    EXPECT_EQ(folderPath, "\\\\Personal folders\\lokay-m\\MLOKAY (Non-Privileged)\\Systems");

    PstSession later;
    later.logon();
    auto viaSession = later.storeFromId(storeId);
    auto viaStores = later.stores().storeFromId(storeId);
    EXPECT_EQ(viaSession->displayName(), "Personal folders");
    EXPECT_EQ(viaStores->entryId(), storeId);
    auto folder = viaSession->folderFromId(folderId);
    EXPECT_EQ(folder->name(), "Systems");
    EXPECT_EQ(folder->folderPath(), folderPath);  // rebuilt from the parent links
    EXPECT_EQ(folder->items()->count(), 7);
    EXPECT_EQ(viaSession->rootFolder()->name(), "Personal folders");
    EXPECT_EQ(viaSession->rootFolder()->folderPath(), "\\\\Personal folders");

    EXPECT_THROW(later.storeFromId("00ZZ"), StoreError);
    EXPECT_THROW(later.storeFromId(folderId), StoreError);
    EXPECT_THROW(viaSession->folderFromId(storeId), StoreError);
    EXPECT_THROW(later.stores().add("/nonexistent/file.pst"), StoreError);
}

TEST(Component, FolderOfAnotherStoreIsRefused) {
    PELLMARK_SAMPLE_OR_SKIP(a, "pst/pstsdk__sample1.pst");
    PELLMARK_SAMPLE_OR_SKIP(b, "pst/pstsdk__sample2.pst");
    auto s1 = openStore(a.string());
    auto s2 = openStore(b.string());
    const std::string id = s1->rootFolder()->entryId();
    EXPECT_NO_THROW(s1->folderFromId(id));
    EXPECT_THROW(s2->folderFromId(id), StoreError);
}

TEST(Component, ClassesItemsAndContacts) {
    PELLMARK_SAMPLE_OR_SKIP(sample, "pst/hughbe-hughbe__hughbe_Outlook.pst");
    auto store = openStore(sample.string());
    auto root = store->rootFolder();
    EXPECT_EQ(root->defaultMessageClass(), "IPM.Note");
    auto contacts = childNamed(*root, "Contacts");
    EXPECT_EQ(contacts->defaultMessageClass(), "IPM.Contact");
    EXPECT_EQ(childNamed(*root, "Calendar")->defaultMessageClass(), "IPM.Appointment");
    EXPECT_EQ(childNamed(*root, "Tasks")->defaultMessageClass(), "IPM.Task");
    EXPECT_EQ(childNamed(*root, "Notes")->defaultMessageClass(), "IPM.StickyNote");

    auto items = contacts->items();
    ASSERT_EQ(items->count(), 2);
    EXPECT_THROW(items->item(0), StoreError);
    EXPECT_THROW(items->item(3), StoreError);
    auto contact = items->item(1);
    EXPECT_EQ(contact->messageClass(), "IPM.Contact");
    EXPECT_EQ(contact->asContact().firstName(), "Distribution");
    EXPECT_EQ(contact->asContact().lastName(), "Member");
    auto list = items->item(2);
    EXPECT_EQ(list->messageClass(), "IPM.DistList");
    EXPECT_THROW(list->asContact(), StoreError);

    // Enumeration gives the same items in the same order.
    auto e = items->enumerate();
    EXPECT_EQ(e->next()->messageClass(), "IPM.Contact");
    EXPECT_EQ(e->next()->messageClass(), "IPM.DistList");
    EXPECT_EQ(e->next(), nullptr);
}

TEST(Component, AttachmentsAreNamedAndSavedWhole) {
    PELLMARK_SAMPLE_OR_SKIP(sample, "pst/hht__msgInMsgInMsg.pst");
    auto store = openStore(sample.string());
    auto item = store->rootFolder()->items()->item(1);
    auto atts = item->attachments();
    ASSERT_EQ(atts->count(), 2);
    std::vector<std::string> names;
    for (int i = 1; i <= atts->count(); ++i) names.push_back(atts->item(i)->fileName());
    EXPECT_NE(std::find(names.begin(), names.end(), "blue.png"), names.end());
    // The embedded message is named after its subject.
    bool embeddedNamed = false;
    for (const auto& n : names) embeddedNamed |= n.size() > 4 && n.substr(n.size() - 4) == ".msg";
    EXPECT_TRUE(embeddedNamed);
    EXPECT_THROW(atts->item(0), StoreError);

    TempDir dir;
    for (int i = 1; i <= atts->count(); ++i) {
        auto a = atts->item(i);
        if (a->fileName() != "blue.png") continue;
        a->saveAsFile((dir / "blue.png").string());
        EXPECT_EQ(std::filesystem::file_size(dir / "blue.png"), 134u);
        EXPECT_EQ(test::readFile(dir / "blue.png").substr(1, 3), "PNG");
    }
}

TEST(Component, AFailedSaveLeavesNoFile) {
    PELLMARK_SAMPLE_OR_SKIP(sample, "pst/hht__threeItems.pst");
    auto store = openStore(sample.string());
    auto item = store->rootFolder()->items()->item(1);
    TempDir dir;
    EXPECT_THROW(item->saveAs((dir / "missing-dir" / "x.txt").string(), store::SaveFormat::Txt),
                 StoreError);
    EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

}  // namespace
}  // namespace pellmark::pststore
