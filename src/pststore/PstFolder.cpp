#include "pststore/PstFolder.h"

#include <algorithm>
#include <set>

#include "pststore/EntryId.h"
#include "pststore/PstItems.h"
#include "pststore/PstStore.h"

namespace pellmark::pststore {
namespace {

// A folder's node id tells it from its siblings within the one file.
std::string stepId(pst::NodeId nid) {
    return std::to_string(nid.value);
}

class PstFolderEnumerator : public store::FolderEnumerator {
  public:
    PstFolderEnumerator(std::shared_ptr<const pst::PstFile> file, std::vector<pst::NodeId> ids,
                        std::vector<store::PathStep> parent)
        : file_(std::move(file)), ids_(std::move(ids)), parent_(std::move(parent)) {}

    std::unique_ptr<store::Folder> next() override {
        if (pos_ >= ids_.size()) return nullptr;
        const pst::NodeId id = ids_[pos_++];
        return formats::storeGuarded([&] {
            pst::Folder f = file_->folder(id);
            std::vector<store::PathStep> steps = parent_;
            steps.push_back({f.displayName(), stepId(id)});
            return std::make_unique<PstFolder>(file_, std::move(f), std::move(steps));
        });
    }

  private:
    std::shared_ptr<const pst::PstFile> file_;
    std::vector<pst::NodeId> ids_;
    std::vector<store::PathStep> parent_;
    size_t pos_ = 0;
};

class PstFolders : public store::Folders {
  public:
    PstFolders(std::shared_ptr<const pst::PstFile> file, std::vector<pst::NodeId> ids,
               std::vector<store::PathStep> steps)
        : file_(std::move(file)), ids_(std::move(ids)), steps_(std::move(steps)) {}

    int32_t count() override { return static_cast<int32_t>(ids_.size()); }
    std::unique_ptr<store::FolderEnumerator> enumerate() override {
        return std::make_unique<PstFolderEnumerator>(file_, ids_, steps_);
    }

  private:
    std::shared_ptr<const pst::PstFile> file_;
    std::vector<pst::NodeId> ids_;
    std::vector<store::PathStep> steps_;
};

}  // namespace

PstFolder::PstFolder(std::shared_ptr<const pst::PstFile> file, pst::Folder folder,
                     std::vector<store::PathStep> steps)
    : file_(std::move(file)), folder_(std::move(folder)), steps_(std::move(steps)) {
    name_ = steps_.back().name;
    std::string path = "\\";
    for (const store::PathStep& step : steps_) {
        path += '\\';
        path += step.name;
    }
    path_ = std::move(path);
}

std::string PstFolder::entryId() {
    return formats::storeGuarded(
        [&] { return objectEntryId(file_->store().recordKey, folder_.id().value); });
}

std::string PstFolder::defaultMessageClass() {
    return formats::storeGuarded(
        [&] { return pst::defaultMessageClass(folder_.containerClass()); });
}

std::unique_ptr<store::Items> PstFolder::items() {
    return formats::storeGuarded(
        [&] { return std::make_unique<PstItems>(file_, folder_.messageIds()); });
}

std::unique_ptr<store::Folders> PstFolder::folders() {
    return formats::storeGuarded(
        [&] { return std::make_unique<PstFolders>(file_, folder_.subfolderIds(), steps_); });
}

std::unique_ptr<PstFolder> topFolder(std::shared_ptr<const pst::PstFile> file) {
    pst::Folder top = file->ipmSubtree();
    std::vector<store::PathStep> steps{{file->store().displayName, stepId(top.id())}};
    return std::make_unique<PstFolder>(file, std::move(top), std::move(steps));
}

std::unique_ptr<PstFolder> folderById(std::shared_ptr<const pst::PstFile> file, pst::NodeId nid) {
    pst::Folder folder = file->folder(nid);
    const pst::NodeId top = file->ipmSubtree().id();
    if (nid == top) return topFolder(file);
    // Names from the folder up to the top of the visible tree, by the parent links of the node
    // B-tree. A folder outside that tree is named from the highest ancestor found.
    std::vector<store::PathStep> steps{{folder.displayName(), stepId(nid)}};
    std::set<uint32_t> seen{nid.value};
    pst::NodeId current = nid;
    while (true) {
        auto entry = file->ndb().findNode(current);
        if (!entry || entry->nidParent == current || !seen.insert(entry->nidParent.value).second)
            break;
        current = entry->nidParent;
        if (current == top) {
            steps.push_back({file->store().displayName, stepId(top)});
            break;
        }
        if (current == pst::nid::kRootFolder || !file->ndb().findNode(current)) break;
        steps.push_back({file->folder(current).displayName(), stepId(current)});
    }
    std::reverse(steps.begin(), steps.end());
    return std::make_unique<PstFolder>(file, std::move(folder), std::move(steps));
}

}  // namespace pellmark::pststore
