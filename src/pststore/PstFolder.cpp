#include "pststore/PstFolder.h"

#include <set>

#include "pststore/EntryId.h"
#include "pststore/PstItems.h"
#include "pststore/PstStore.h"

namespace pellmark::pststore {
namespace {

class PstFolderEnumerator : public store::FolderEnumerator {
  public:
    PstFolderEnumerator(std::shared_ptr<const pst::PstFile> file, std::vector<pst::NodeId> ids,
                        std::string parentPath)
        : file_(std::move(file)), ids_(std::move(ids)), parentPath_(std::move(parentPath)) {}

    std::unique_ptr<store::Folder> next() override {
        if (pos_ >= ids_.size()) return nullptr;
        const pst::NodeId id = ids_[pos_++];
        return guarded([&] {
            pst::Folder f = file_->folder(id);
            std::string name = f.displayName();
            std::string path = parentPath_ + "\\" + name;
            return std::make_unique<PstFolder>(file_, std::move(f), std::move(name),
                                               std::move(path));
        });
    }

  private:
    std::shared_ptr<const pst::PstFile> file_;
    std::vector<pst::NodeId> ids_;
    std::string parentPath_;
    size_t pos_ = 0;
};

class PstFolders : public store::Folders {
  public:
    PstFolders(std::shared_ptr<const pst::PstFile> file, std::vector<pst::NodeId> ids,
               std::string path)
        : file_(std::move(file)), ids_(std::move(ids)), path_(std::move(path)) {}

    int32_t count() override { return static_cast<int32_t>(ids_.size()); }
    std::unique_ptr<store::FolderEnumerator> enumerate() override {
        return std::make_unique<PstFolderEnumerator>(file_, ids_, path_);
    }

  private:
    std::shared_ptr<const pst::PstFile> file_;
    std::vector<pst::NodeId> ids_;
    std::string path_;
};

}  // namespace

PstFolder::PstFolder(std::shared_ptr<const pst::PstFile> file, pst::Folder folder, std::string name,
                     std::string path)
    : file_(std::move(file)),
      folder_(std::move(folder)),
      name_(std::move(name)),
      path_(std::move(path)) {}

std::string PstFolder::entryId() {
    return guarded([&] { return objectEntryId(file_->store().recordKey, folder_.id().value); });
}

std::string PstFolder::defaultMessageClass() {
    return guarded([&] { return pst::defaultMessageClass(folder_.containerClass()); });
}

std::unique_ptr<store::Items> PstFolder::items() {
    return guarded([&] { return std::make_unique<PstItems>(file_, folder_.messageIds()); });
}

std::unique_ptr<store::Folders> PstFolder::folders() {
    return guarded(
        [&] { return std::make_unique<PstFolders>(file_, folder_.subfolderIds(), path_); });
}

std::unique_ptr<PstFolder> topFolder(std::shared_ptr<const pst::PstFile> file) {
    pst::Folder top = file->ipmSubtree();
    const std::string name = file->store().displayName;
    return std::make_unique<PstFolder>(file, std::move(top), name, "\\\\" + name);
}

std::unique_ptr<PstFolder> folderById(std::shared_ptr<const pst::PstFile> file, pst::NodeId nid) {
    pst::Folder folder = file->folder(nid);
    const pst::NodeId top = file->ipmSubtree().id();
    if (nid == top) return topFolder(file);
    // Names from the folder up to the top of the visible tree, by the parent links of the node
    // B-tree. A folder outside that tree is named from the highest ancestor found.
    std::vector<std::string> names{folder.displayName()};
    std::set<uint32_t> seen{nid.value};
    pst::NodeId current = nid;
    while (true) {
        auto entry = file->ndb().findNode(current);
        if (!entry || entry->nidParent == current || !seen.insert(entry->nidParent.value).second)
            break;
        current = entry->nidParent;
        if (current == top) {
            names.push_back(file->store().displayName);
            break;
        }
        if (current == pst::nid::kRootFolder || !file->ndb().findNode(current)) break;
        names.push_back(file->folder(current).displayName());
    }
    std::string path = "\\";
    for (auto it = names.rbegin(); it != names.rend(); ++it) path += "\\" + *it;
    std::string name = names.front();
    return std::make_unique<PstFolder>(file, std::move(folder), std::move(name), std::move(path));
}

}  // namespace pellmark::pststore
