#include "support/FakeStore.h"

#include <algorithm>
#include <fstream>

namespace pellmark::test {

namespace {

using store::StoreError;

template <class T>
T& at(std::vector<T>& list, int64_t index) {
    if (index < 1 || index > static_cast<int64_t>(list.size())) {
        throw StoreError("index out of range");
    }
    return list[static_cast<std::size_t>(index - 1)];
}

void writeMarker(const std::string& path, const std::string& content) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << content;
    if (!out) throw StoreError("cannot write " + path);
}

class Attachment : public store::Attachment {
  public:
    explicit Attachment(FakeAttachment& data) : data_(data) {}
    std::string fileName() override {
        if (data_.failName) throw StoreError("attachment name unreadable");
        return data_.fileName;
    }
    uint64_t dataSize() override { return data_.content.size(); }
    void saveAsFile(const std::string& path) override {
        if (data_.failSave) throw StoreError("attachment save failed");
        writeMarker(path, data_.content);
    }

  private:
    FakeAttachment& data_;
};

class Attachments : public store::Attachments {
  public:
    explicit Attachments(std::vector<FakeAttachment>& list) : list_(list) {}
    int32_t count() override { return static_cast<int32_t>(list_.size()); }
    std::unique_ptr<store::Attachment> item(int32_t index) override {
        return std::make_unique<Attachment>(at(list_, index));
    }

  private:
    std::vector<FakeAttachment>& list_;
};

class MailItem : public store::MailItem, public store::ContactItem {
  public:
    MailItem(FakeItem& data, FakeWorld& world) : data_(data), world_(world) {}
    std::string messageClass() override { return data_.messageClass; }
    std::string entryId() override { return data_.entryId; }
    std::string subject() override {
        if (data_.failSubject) throw StoreError("subject unreadable");
        return data_.subject;
    }
    std::unique_ptr<store::Attachments> attachments() override {
        if (data_.failAttachments) throw StoreError("attachments unreadable");
        return std::make_unique<Attachments>(data_.attachments);
    }
    void saveAs(const std::string& path, store::SaveFormat format) override {
        const auto type = static_cast<int16_t>(format);
        if (data_.failSave) throw StoreError("save failed");
        writeMarker(path, std::to_string(type) + "|" + data_.subject);
        world_.saveTypes.push_back(type);
    }
    void writeTo(base::ByteSink& sink, store::SaveFormat format) override {
        const auto type = static_cast<int16_t>(format);
        if (data_.failSave) throw StoreError("save failed");
        sink.put(std::to_string(type) + "|" + data_.subject);
        world_.saveTypes.push_back(type);
    }
    store::ContactItem& asContact() override {
        if (data_.messageClass != "IPM.Contact") throw StoreError("not a contact");
        return *this;
    }
    std::string firstName() override { return data_.firstName; }
    std::string lastName() override { return data_.lastName; }

  private:
    FakeItem& data_;
    FakeWorld& world_;
};

class ItemEnumerator : public store::ItemEnumerator {
  public:
    ItemEnumerator(std::vector<FakeItem>& list, FakeWorld& world) : list_(list), world_(world) {}
    std::unique_ptr<store::MailItem> next() override {
        if (next_ >= list_.size()) return nullptr;
        FakeItem& item = list_[next_++];
        if (item.failRead) throw StoreError("item unreadable");
        return std::make_unique<MailItem>(item, world_);
    }

  private:
    std::vector<FakeItem>& list_;
    FakeWorld& world_;
    std::size_t next_ = 0;
};

class Items : public store::Items {
  public:
    Items(FakeFolder& folder, FakeWorld& world) : folder_(folder), world_(world) {}
    int64_t count() override {
        if (folder_.failCount) throw StoreError("count unreadable");
        return static_cast<int64_t>(folder_.items.size());
    }
    std::unique_ptr<store::MailItem> item(int64_t index) override {
        FakeItem& item = at(folder_.items, index);
        if (item.failRead) throw StoreError("item unreadable");
        return std::make_unique<MailItem>(item, world_);
    }
    std::unique_ptr<store::ItemEnumerator> enumerate() override {
        return std::make_unique<ItemEnumerator>(folder_.items, world_);
    }

  private:
    FakeFolder& folder_;
    FakeWorld& world_;
};

class Folder : public store::Folder {
  public:
    Folder(FakeFolder& data, std::string path, FakeWorld& world)
        : data_(data), path_(std::move(path)), world_(world) {}
    std::string name() override { return data_.name; }
    std::string entryId() override { return data_.entryId; }
    std::string defaultMessageClass() override { return data_.defaultMessageClass; }
    std::string folderPath() override { return path_; }
    std::unique_ptr<store::Items> items() override {
        if (data_.failItems) throw StoreError("items unreadable");
        return std::make_unique<Items>(data_, world_);
    }
    std::unique_ptr<store::Folders> folders() override;

  private:
    FakeFolder& data_;
    std::string path_;
    FakeWorld& world_;
};

class FolderEnumerator : public store::FolderEnumerator {
  public:
    FolderEnumerator(FakeFolder& parent, std::string path, FakeWorld& world)
        : parent_(parent), path_(std::move(path)), world_(world) {}
    std::unique_ptr<store::Folder> next() override {
        if (next_ >= parent_.subfolders.size()) return nullptr;
        FakeFolder& folder = parent_.subfolders[next_++];
        return std::make_unique<Folder>(folder, path_ + "\\" + folder.name, world_);
    }

  private:
    FakeFolder& parent_;
    std::string path_;
    FakeWorld& world_;
    std::size_t next_ = 0;
};

class Folders : public store::Folders {
  public:
    Folders(FakeFolder& parent, std::string path, FakeWorld& world)
        : parent_(parent), path_(std::move(path)), world_(world) {}
    int32_t count() override { return static_cast<int32_t>(parent_.subfolders.size()); }
    std::unique_ptr<store::FolderEnumerator> enumerate() override {
        return std::make_unique<FolderEnumerator>(parent_, path_, world_);
    }

  private:
    FakeFolder& parent_;
    std::string path_;
    FakeWorld& world_;
};

std::unique_ptr<store::Folders> Folder::folders() {
    if (data_.failFolders) throw StoreError("subfolders unreadable");
    return std::make_unique<Folders>(data_, path_, world_);
}

// Depth-first search for the folder with `entryId`, building its path on the way.
FakeFolder* findFolder(FakeFolder& folder, const std::string& path, const std::string& entryId,
                       std::string& foundPath) {
    if (folder.entryId == entryId) {
        foundPath = path;
        return &folder;
    }
    for (FakeFolder& sub : folder.subfolders) {
        if (FakeFolder* hit = findFolder(sub, path + "\\" + sub.name, entryId, foundPath)) {
            return hit;
        }
    }
    return nullptr;
}

class Store : public store::Store {
  public:
    Store(FakeStoreData& data, FakeWorld& world) : data_(data), world_(world) {}
    std::string displayName() override { return data_.displayName; }
    std::string entryId() override { return data_.entryId; }
    std::string dataFilePath() override {
        if (data_.failSecondText) throw StoreError(data_.dataFilePath + ": data file missing");
        return data_.dataFilePath;
    }
    std::unique_ptr<store::Folder> rootFolder() override {
        return std::make_unique<Folder>(data_.root, "\\\\" + data_.root.name, world_);
    }
    std::unique_ptr<store::Folder> folderFromId(const std::string& entryId) override {
        std::string path;
        FakeFolder* folder = findFolder(data_.root, "\\\\" + data_.root.name, entryId, path);
        if (!folder || folder->failLookup) throw StoreError("folder not found: " + entryId);
        return std::make_unique<Folder>(*folder, path, world_);
    }

  private:
    FakeStoreData& data_;
    FakeWorld& world_;
};

std::unique_ptr<store::Store> storeWhere(FakeWorld& world, auto matches) {
    for (FakeStoreData& data : world.stores) {
        if (matches(data)) return std::make_unique<Store>(data, world);
    }
    throw StoreError("store not found");
}

class StoreEnumerator : public store::StoreEnumerator {
  public:
    explicit StoreEnumerator(FakeWorld& world) : world_(world) {}
    std::unique_ptr<store::Store> next() override {
        if (next_ >= world_.stores.size()) return nullptr;
        return std::make_unique<Store>(world_.stores[next_++], world_);
    }

  private:
    FakeWorld& world_;
    std::size_t next_ = 0;
};

class Stores : public store::Stores {
  public:
    explicit Stores(FakeWorld& world) : world_(world) {}
    std::unique_ptr<store::StoreEnumerator> enumerate() override {
        if (world_.failStores) throw StoreError("stores unreadable");
        return std::make_unique<StoreEnumerator>(world_);
    }
    std::unique_ptr<store::Store> add(const std::string& path) override {
        return storeWhere(world_, [&](const FakeStoreData& s) { return s.dataFilePath == path; });
    }
    std::unique_ptr<store::Store> storeFromId(const std::string& entryId) override {
        return storeWhere(world_, [&](const FakeStoreData& s) { return s.entryId == entryId; });
    }

  private:
    FakeWorld& world_;
};

class Session : public store::Session {
  public:
    explicit Session(FakeWorld& world) : world_(world), stores_(world) {}
    void logon() override {
        if (world_.failLogon) throw StoreError("logon refused");
        world_.logons += 1;
    }
    store::Stores& stores() override { return stores_; }
    std::unique_ptr<store::Store> storeFromId(const std::string& entryId) override {
        return stores_.storeFromId(entryId);
    }
    void logoff() override { world_.logoffs += 1; }

  private:
    FakeWorld& world_;
    Stores stores_;
};

}  // namespace

FakeStoreData& FakeWorld::addStore(const std::string& displayName, const std::string& entryId) {
    FakeStoreData data;
    data.displayName = displayName;
    data.entryId = entryId;
    data.root.name = displayName;
    data.root.entryId = "ROOT-" + entryId;
    stores.push_back(std::move(data));
    return stores.back();
}

FakeFolder fakeFolder(const std::string& name, std::vector<FakeItem> items) {
    FakeFolder folder;
    folder.name = name;
    folder.entryId = "F-" + name;
    folder.items = std::move(items);
    return folder;
}

FakeItem fakeMail(const std::string& subject, std::vector<FakeAttachment> attachments) {
    FakeItem item;
    item.subject = subject;
    item.attachments = std::move(attachments);
    return item;
}

FakeItem fakeContact(const std::string& firstName, const std::string& lastName) {
    FakeItem item;
    item.messageClass = "IPM.Contact";
    item.subject = firstName + " " + lastName;
    item.firstName = firstName;
    item.lastName = lastName;
    return item;
}

FakeItem fakeDistList(const std::string& name) {
    FakeItem item;
    item.messageClass = "IPM.DistList";
    item.subject = name;
    return item;
}

std::unique_ptr<store::Session> FakeSessionFactory::create() {
    if (world_.failCreate) throw StoreError("component missing");
    world_.sessionsCreated += 1;
    return std::make_unique<Session>(world_);
}

}  // namespace pellmark::test
