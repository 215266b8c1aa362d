#pragma once
// An in-memory mail store behind the store interface, for tests of everything above it. The
// test builds a FakeWorld of stores, folders, items and attachments, sets the failures it
// wants per operation, and hands a FakeSessionFactory to the code under test. Saves write a
// small marker file ("<save type>|<subject>"); the world records what happened.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "store/MailStore.h"

namespace pellmark::test {

struct FakeAttachment {
    std::string fileName;
    std::string content = "attachment";
    bool failName = false;
    bool failSave = false;
};

struct FakeItem {
    std::string entryId;
    std::string messageClass = "IPM.Note";
    std::string subject;
    std::string firstName;  // contacts
    std::string lastName;
    std::vector<FakeAttachment> attachments;
    bool failRead = false;     // fetching the item (enumeration or Item(index)) throws
    bool failSubject = false;  // subject() throws
    bool failSave = false;     // saveAs throws and writes nothing
    bool failAttachments = false;
};

struct FakeFolder {
    std::string name;
    std::string entryId;
    std::string defaultMessageClass = "IPM.Note";
    std::vector<FakeItem> items;
    std::vector<FakeFolder> subfolders;
    bool failLookup = false;   // folderFromId throws for it
    bool failItems = false;    // items() throws
    bool failCount = false;    // Items::Count throws
    bool failFolders = false;  // folders() throws
};

struct FakeStoreData {
    std::string displayName;
    std::string entryId;
    std::string dataFilePath;
    bool failSecondText = false;
    FakeFolder root;  // root.name is what folderPath starts with
};

struct FakeWorld {
    std::vector<FakeStoreData> stores;
    bool failCreate = false;
    bool failLogon = false;
    bool failStores = false;  // enumerating the stores throws

    // What happened.
    int sessionsCreated = 0;
    int logons = 0;
    int logoffs = 0;
    std::vector<int16_t> saveTypes;  // one per successful MailItem::saveAs

    // Adds a store with a root folder named `displayName` and returns it (valid until the
    // next store is added).
    FakeStoreData& addStore(const std::string& displayName, const std::string& entryId);
};

// A folder with `name`, entry id "F-" + name and the given items.
FakeFolder fakeFolder(const std::string& name, std::vector<FakeItem> items = {});
// A mail item with `subject`.
FakeItem fakeMail(const std::string& subject, std::vector<FakeAttachment> attachments = {});
// A contact ("IPM.Contact") and a distribution list ("IPM.DistList").
FakeItem fakeContact(const std::string& firstName, const std::string& lastName);
FakeItem fakeDistList(const std::string& name);

class FakeSessionFactory : public store::SessionFactory {
  public:
    explicit FakeSessionFactory(FakeWorld& world) : world_(world) {}
    std::unique_ptr<store::Session> create() override;

  private:
    FakeWorld& world_;
};

}  // namespace pellmark::test
