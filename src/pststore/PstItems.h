#pragma once

#include <memory>
#include <vector>

#include "mapi/Item.h"
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

class PstMailItem : public store::MailItem, public store::ContactItem {
  public:
    explicit PstMailItem(pst::Message message);

    std::string messageClass() override;
    std::string subject() override;
    std::string entryId() override;
    std::unique_ptr<store::Attachments> attachments() override;
    store::ItemFacts facts() override;  // PstItemFacts.cpp
    void saveAs(const std::string& path, store::SaveFormat format) override;
    void writeTo(base::ByteSink& sink, store::SaveFormat format) override;
    std::string saveAsHashed(const std::string& path, store::SaveFormat format) override;
    store::ContactItem& asContact() override;

    std::string firstName() override;
    std::string lastName() override;

    // The item as the writers read it.
    const mapi::Item& item() const { return *item_; }

  private:
    std::shared_ptr<const pst::PstFile> file_;
    pst::NodeId id_;
    std::shared_ptr<const mapi::Item> item_;
};

}  // namespace pellmark::pststore
