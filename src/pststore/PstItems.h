#pragma once

#include <memory>
#include <vector>

#include "formats/ModelMailItem.h"
#include "pst/messaging/Message.h"
#include "pst/messaging/PstFile.h"
#include "store/MailStore.h"

namespace pellmark::pststore {

// A folder's items in the order of its contents table.
class PstItems : public store::Items {
  public:
    PstItems(std::shared_ptr<const pst::PstFile> file, std::vector<pst::NodeId> ids);

    int64_t count() override { return static_cast<int64_t>(ids_.size()); }
    std::unique_ptr<store::MailItem> item(int64_t index) override;
    std::unique_ptr<store::ItemEnumerator> enumerate() override;

  private:
    std::shared_ptr<const pst::PstFile> file_;
    std::vector<pst::NodeId> ids_;
};

// An item of the file: the model's item over its message, known by its node id.
class PstMailItem : public formats::ModelMailItem {
  public:
    explicit PstMailItem(pst::Message message);
    // An item known by `entryId` rather than by its node (a recovered one).
    PstMailItem(pst::Message message, std::string entryId);

    std::string entryId() override;

  private:
    std::shared_ptr<const pst::PstFile> file_;
    pst::NodeId id_;
    std::string entryId_;
};

}  // namespace pellmark::pststore
