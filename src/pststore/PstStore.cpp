#include "pststore/PstStore.h"

#include <filesystem>

#include "pststore/DeletedPstItems.h"
#include "pststore/EntryId.h"
#include "pststore/PstFolder.h"
#include "pststore/PstItems.h"

namespace pellmark::pststore {

PstStore::PstStore(std::string absolutePath) : path_(std::move(absolutePath)) {}

PstStore::PstStore(std::string absolutePath, std::shared_ptr<const pst::PstFile> file)
    : path_(std::move(absolutePath)), file_(std::move(file)) {}

const pst::PstFile& PstStore::file() {
    if (!file_) {
        file_ = formats::storeGuarded(
            [&] { return std::shared_ptr<const pst::PstFile>(pst::PstFile::open(path_)); });
    }
    return *file_;
}

std::string PstStore::displayName() {
    return formats::storeGuarded([&] { return file().store().displayName; });
}

std::string PstStore::entryId() {
    return storeEntryId(path_);
}

std::string PstStore::dataFilePath() {
    // A store whose file cannot be read has no second text. The failure names the file: it is
    // all a caller can tell of such a store.
    try {
        file();
    } catch (const std::exception& error) {
        throw store::StoreError(path_ + ": " + error.what());
    }
    return path_;
}

std::unique_ptr<store::Folder> PstStore::rootFolder() {
    file();
    return formats::storeGuarded([&] { return topFolder(file_); });
}

std::unique_ptr<store::Folder> PstStore::folderFromId(const std::string& entryId) {
    file();
    auto id = parseObjectEntryId(entryId);
    if (!id) throw store::StoreError("not a folder entry identifier: " + entryId);
    return formats::storeGuarded([&]() -> std::unique_ptr<store::Folder> {
        auto key = file_->store().recordKey;
        key.resize(16, 0);
        if (id->recordKey != key) throw store::StoreError("the folder belongs to another store");
        const pst::NodeId nid(id->nid);
        if (nid.type() != pst::NodeType::NormalFolder &&
            nid.type() != pst::NodeType::SearchFolder) {
            throw store::StoreError("the entry identifier names no folder");
        }
        return folderById(file_, nid);
    });
}

std::vector<std::string> PstStore::damage() {
    const pst::Ndb& ndb = file().ndb();
    std::vector<std::string> found;
    if (ndb.truncated()) {
        found.push_back("the file is cut short: it holds " + std::to_string(ndb.fileSize()) +
                        " of the " + std::to_string(ndb.header().fileEof) +
                        " bytes its header records");
    }
    for (auto& d : ndb.damage()) found.push_back(std::move(d));
    return found;
}

std::unique_ptr<store::Items> PstStore::unreachableItems() {
    file();
    return formats::storeGuarded([&] {
        std::vector<pst::NodeId> ids;
        for (const pst::NodeEntry& e : file_->unreachableMessages()) ids.push_back(e.nid);
        return std::make_unique<PstItems>(file_, std::move(ids));
    });
}

store::DeletedItems PstStore::deletedItems() {
    file();
    return formats::storeGuarded([&] { return deletedItemsOf(file_); });
}

std::unique_ptr<PstStore> openStore(const std::string& path) {
    std::error_code ec;
    auto absolute = std::filesystem::absolute(path, ec);
    if (ec) throw store::StoreError("cannot resolve " + path + ": " + ec.message());
    auto file = formats::storeGuarded([&] {
        return std::shared_ptr<const pst::PstFile>(pst::PstFile::open(absolute.lexically_normal()));
    });
    return std::make_unique<PstStore>(absolute.lexically_normal().string(), std::move(file));
}

}  // namespace pellmark::pststore
