#include "pststore/DeletedPstItems.h"

#include <algorithm>
#include <map>

#include "pst/messaging/DeletedMessages.h"
#include "pststore/EntryId.h"
#include "pststore/PstFolder.h"
#include "pststore/PstItems.h"

namespace pellmark::pststore {
namespace {

constexpr int kMaxFolderDepth = 64;

class RecoveredItems : public store::Items {
  public:
    RecoveredItems(std::shared_ptr<const pst::PstFile> file,
                   std::vector<pst::RecoveredMessage> found)
        : file_(std::move(file)), found_(std::move(found)) {}

    int64_t count() override { return static_cast<int64_t>(found_.size()); }
    std::unique_ptr<store::MailItem> item(int64_t index) override {
        if (index < 1 || index > count()) {
            throw store::StoreError("no item " + std::to_string(index));
        }
        const pst::RecoveredMessage& found = found_[static_cast<size_t>(index - 1)];
        return formats::storeGuarded([&] {
            return std::make_unique<PstMailItem>(
                pst::recoveredMessage(file_, found),
                recoveredEntryId(file_->store().recordKey, found.entry.nid.value,
                                 found.entry.bidData.value));
        });
    }
    std::unique_ptr<store::ItemEnumerator> enumerate() override {
        class ByIndex : public store::ItemEnumerator {
          public:
            explicit ByIndex(RecoveredItems& items) : items_(items) {}
            std::unique_ptr<store::MailItem> next() override {
                if (next_ > items_.count()) return nullptr;
                return items_.item(next_++);
            }

          private:
            RecoveredItems& items_;
            int64_t next_ = 1;
        };
        return std::make_unique<ByIndex>(*this);
    }

  private:
    std::shared_ptr<const pst::PstFile> file_;
    std::vector<pst::RecoveredMessage> found_;
};

bool liveFolder(const pst::PstFile& file, pst::NodeId nid) {
    try {
        return file.ndb().findNode(nid).has_value();
    } catch (const pst::PstError&) {
        return false;
    }
}

// The path below the store's top folder of the folder `nid`: a live folder's own, or the names
// of deleted folders read from what the file still holds of them, up to a live one. Empty
// where nothing is known of it.
std::vector<store::PathStep> folderSteps(const std::shared_ptr<const pst::PstFile>& file,
                                         pst::NodeId nid) {
    std::vector<store::PathStep> lost;
    for (int depth = 0; depth < kMaxFolderDepth; ++depth) {
        if (liveFolder(*file, nid)) {
            std::vector<store::PathStep> steps;
            try {
                steps = folderById(file, nid)->pathSteps();
                if (!steps.empty()) steps.erase(steps.begin());  // the store's top folder
            } catch (const std::exception&) {
                steps.clear();
            }
            steps.insert(steps.end(), lost.rbegin(), lost.rend());
            return steps;
        }
        auto folder = pst::lostFolder(file, nid);
        if (!folder) break;
        lost.push_back({folder->name, "deleted " + std::to_string(nid.value)});
        if (folder->parent == nid) break;
        nid = folder->parent;
    }
    return {lost.rbegin(), lost.rend()};
}

}  // namespace

store::DeletedItems deletedItemsOf(const std::shared_ptr<const pst::PstFile>& file) {
    const pst::DeletedMessages found = pst::findDeletedMessages(file);
    store::DeletedItems out;
    out.overwritten = static_cast<int64_t>(found.overwritten.size());
    // By folder, in the order of the folders' node ids; in each, in node id order.
    std::map<uint32_t, std::vector<pst::RecoveredMessage>> byFolder;
    for (const pst::RecoveredMessage& m : found.recovered) {
        byFolder[m.entry.nidParent.value].push_back(m);
    }
    for (auto& [folder, messages] : byFolder) {
        store::DeletedItems::Group group;
        group.folder = folderSteps(file, pst::NodeId(folder));
        for (const pst::RecoveredMessage& m : messages) group.how.push_back(pst::howFound(m));
        group.items = std::make_unique<RecoveredItems>(file, std::move(messages));
        out.groups.push_back(std::move(group));
    }
    return out;
}

}  // namespace pellmark::pststore
