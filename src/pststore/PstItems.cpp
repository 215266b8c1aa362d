#include "pststore/PstItems.h"

#include <vector>

#include "pst/messaging/Items.h"
#include "pststore/EntryId.h"
#include "pststore/PstStore.h"

namespace pellmark::pststore {
namespace {

class PstItemEnumerator : public store::ItemEnumerator {
  public:
    PstItemEnumerator(std::shared_ptr<const pst::PstFile> file, std::vector<pst::NodeId> ids)
        : file_(std::move(file)), ids_(std::move(ids)) {}

    std::unique_ptr<store::MailItem> next() override {
        if (pos_ >= ids_.size()) return nullptr;
        const pst::NodeId id = ids_[pos_++];
        return formats::storeGuarded(
            [&] { return std::make_unique<PstMailItem>(file_->message(id)); });
    }

  private:
    std::shared_ptr<const pst::PstFile> file_;
    std::vector<pst::NodeId> ids_;
    size_t pos_ = 0;
};

}  // namespace

PstItems::PstItems(std::shared_ptr<const pst::PstFile> file, std::vector<pst::NodeId> ids)
    : file_(std::move(file)), ids_(std::move(ids)) {}

std::unique_ptr<store::MailItem> PstItems::item(int64_t index) {
    if (index < 1 || index > count()) throw store::StoreError("no item " + std::to_string(index));
    return formats::storeGuarded([&] {
        return std::make_unique<PstMailItem>(file_->message(ids_[static_cast<size_t>(index - 1)]));
    });
}

std::unique_ptr<store::ItemEnumerator> PstItems::enumerate() {
    return std::make_unique<PstItemEnumerator>(file_, ids_);
}

PstMailItem::PstMailItem(pst::Message message)
    : ModelMailItem(pst::itemOf(message)), file_(message.file()), id_(message.id()) {}

PstMailItem::PstMailItem(pst::Message message, std::string entryId)
    : ModelMailItem(pst::itemOf(message)),
      file_(message.file()),
      id_(message.id()),
      entryId_(std::move(entryId)) {}

std::string PstMailItem::entryId() {
    if (!entryId_.empty()) return entryId_;
    return formats::storeGuarded(
        [&] { return objectEntryId(file_->store().recordKey, id_.value); });
}

}  // namespace pellmark::pststore
