#pragma once
// The mail store component as the application sees it: sessions, stores, folders, items and
// attachments, with exactly the operations the application calls. src/mapi implements it over
// the PST reader; tests implement it with fakes. Every operation may throw StoreError.
//
// Texts are UTF-8. Entry identifiers hold no '#' and no leading or trailing blanks, so callers
// may join them to other texts with '#' and trim them.

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "base/ByteSink.h"
#include "store/DocumentFacts.h"
#include "store/ItemFacts.h"
#include "store/SaveFormat.h"

namespace pellmark::store {

class StoreError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

class Attachment {
  public:
    virtual ~Attachment() = default;
    // Never empty; an embedded message is named after its subject with ".msg".
    virtual std::string fileName() = 0;
    // Writes the attachment's content (an embedded message as a .msg file) to `path`.
    virtual void saveAsFile(const std::string& path) = 0;
    // The same, returning the lower-case hex SHA-256 of the file written.
    virtual std::string saveAsHashed(const std::string& path);
    // The bytes of the attachment's own data; 0 for an embedded message.
    virtual uint64_t dataSize() = 0;
};

class Attachments {
  public:
    virtual ~Attachments() = default;
    virtual int32_t count() = 0;
    virtual std::unique_ptr<Attachment> item(int32_t index) = 0;  // 1-based
};

class ContactItem {
  public:
    virtual ~ContactItem() = default;
    virtual std::string firstName() = 0;
    virtual std::string lastName() = 0;
};

class MailItem {
  public:
    virtual ~MailItem() = default;
    virtual std::string messageClass() = 0;
    virtual std::string subject() = 0;
    // The item's entry identifier, by which a later export knows it again; empty when the
    // store has none for it.
    virtual std::string entryId() { return {}; }
    virtual std::unique_ptr<Attachments> attachments() = 0;
    // Times, sender, recipients and reading state; what the store cannot tell stays empty.
    virtual ItemFacts facts() { return {}; }
    // What a load file lists of the item; by default what facts() tells and its attachments.
    virtual DocumentFacts documentFacts();
    // The lower-case hex SHA-256 of what makes a message the message it is (sender,
    // recipients, sent time, subject, bodies, attachments with their bytes, Message-ID), the
    // same for every copy of it in any folder or mailbox and different for any change; of any
    // other item (a contact, an appointment) every property, recipient and attachment. Empty
    // where the store cannot tell: such an item is never taken for a copy of another.
    virtual std::string contentHash() { return {}; }
    // Writes the whole item to `path` in `format`, or fails leaving no file there.
    virtual void saveAs(const std::string& path, SaveFormat format) = 0;
    // The same, returning the lower-case hex SHA-256 of the file written.
    virtual std::string saveAsHashed(const std::string& path, SaveFormat format);
    // Writes the whole item in `format` into `sink` (.msg excepted, whose files are written
    // whole); throws StoreError when the store cannot.
    virtual void writeTo(base::ByteSink& sink, SaveFormat format);
    // The item as a contact; fails when it is not one.
    virtual ContactItem& asContact() = 0;
};

// Walks a folder's items in the store's order. next() moves to the following item and returns
// it, or nullptr after the last; when the item there cannot be read it throws, and the next
// call goes on with the item after it.
class ItemEnumerator {
  public:
    virtual ~ItemEnumerator() = default;
    virtual std::unique_ptr<MailItem> next() = 0;
};

class Items {
  public:
    virtual ~Items() = default;
    virtual int64_t count() = 0;
    virtual std::unique_ptr<MailItem> item(int64_t index) = 0;  // 1-based
    virtual std::unique_ptr<ItemEnumerator> enumerate() = 0;
};

class Folder;

// One folder of a folder's path, from the store's top folder down: its name, and what tells it
// from a sibling of the same name (its entry identifier, or any text the store keeps unique per
// folder; empty where the store cannot tell).
struct PathStep {
    std::string name;
    std::string id;
    bool operator==(const PathStep&) const = default;
};

// The steps of a folderPath ("\\Store\A\B": Store, A, B), split at every "\", without ids.
std::vector<PathStep> pathStepsOf(const std::string& folderPath);

class FolderEnumerator {
  public:
    virtual ~FolderEnumerator() = default;
    virtual std::unique_ptr<Folder> next() = 0;  // nullptr after the last
};

class Folders {
  public:
    virtual ~Folders() = default;
    virtual int32_t count() = 0;
    virtual std::unique_ptr<FolderEnumerator> enumerate() = 0;
};

class Folder {
  public:
    virtual ~Folder() = default;
    virtual std::string name() = 0;
    virtual std::string entryId() = 0;
    // The kind of item the folder holds by its container class: "IPM.Contact",
    // "IPM.Appointment", "IPM.Task", "IPM.StickyNote", "IPM.Journal" for those kinds (and the
    // classes that extend them), "IPM.Note" for mail and for every class of no known kind.
    virtual std::string defaultMessageClass() = 0;
    // "\\" then the folder names from the store's root folder down, joined by "\".
    virtual std::string folderPath() = 0;
    // The same path as its steps, the store's root folder first. Unlike folderPath, a name that
    // holds a "\" stays one step, and two siblings of one name stay apart. By default
    // folderPath split at every "\", the last step with this folder's entry identifier.
    virtual std::vector<PathStep> pathSteps();
    virtual std::unique_ptr<Items> items() = 0;
    virtual std::unique_ptr<Folders> folders() = 0;
};

// What a store's file still holds of items the mailbox deleted, and of versions of its items
// that it has since replaced, by the folder that held them.
struct DeletedItems {
    struct Group {
        // The folder that held them, its path below the store's top folder (empty: the top
        // folder, or not known).
        std::vector<PathStep> folder;
        std::unique_ptr<Items> items;
        std::vector<std::string> how;  // for each item, in order: how it was found
    };
    std::vector<Group> groups;
    int64_t overwritten = 0;  // found, but what is left cannot be read
};

class Store {
  public:
    virtual ~Store() = default;
    virtual std::string displayName() = 0;
    virtual std::string entryId() = 0;
    // The data file's path; blank for stores not to be offered. Fails, naming the file, when
    // the store's file is missing or unreadable.
    virtual std::string dataFilePath() = 0;
    virtual std::unique_ptr<Folder> rootFolder() = 0;
    virtual std::unique_ptr<Folder> folderFromId(const std::string& entryId) = 0;

    // The damage found in the store's file so far, a sentence each: a file cut short, a
    // damaged index. Reading goes on around it; callers report it as failure.
    virtual std::vector<std::string> damage() { return {}; }
    // Items the store holds that no folder lists any more (their folder's table is damaged,
    // or the folder cannot be reached), to be recovered; empty for a sound store.
    virtual std::unique_ptr<Items> unreachableItems() { return nullptr; }
    // Items the file still holds after the mailbox deleted them, and earlier versions of its
    // items, read apart from the live ones; a search of the whole file. None by default.
    virtual DeletedItems deletedItems() { return {}; }
};

class StoreEnumerator {
  public:
    virtual ~StoreEnumerator() = default;
    virtual std::unique_ptr<Store> next() = 0;  // nullptr after the last
};

class Stores {
  public:
    virtual ~Stores() = default;
    virtual std::unique_ptr<StoreEnumerator> enumerate() = 0;
    // Opens a data file as a store of the session; fails when it is not a readable .pst.
    virtual std::unique_ptr<Store> add(const std::string& path) = 0;
    virtual std::unique_ptr<Store> storeFromId(const std::string& entryId) = 0;
};

class Session {
  public:
    virtual ~Session() = default;
    // Reads the profile; fails when the profile exists but cannot be read.
    virtual void logon() = 0;
    virtual Stores& stores() = 0;
    virtual std::unique_ptr<Store> storeFromId(const std::string& entryId) = 0;
    virtual void logoff() = 0;
};

// Creates sessions. The application holds one factory and creates a session per user action;
// tests substitute their own.
class SessionFactory {
  public:
    virtual ~SessionFactory() = default;
    virtual std::unique_ptr<Session> create() = 0;
    // Whether items of one session may save themselves on several threads at once.
    virtual bool savesConcurrently() const { return false; }
};

}  // namespace pellmark::store
