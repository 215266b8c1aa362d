#pragma once
// An item of the model as the mail store's item: its class, subject, attachments, what it tells
// of itself (times, sender, reading state), and its saves through the writers. The stores over
// the readers give their items this way and add what only they know (the entry identifier).

#include <memory>
#include <string>

#include "mapi/Item.h"
#include "store/MailStore.h"

namespace pellmark::formats {

// Runs `f`, turning reader, writer and system failures into the component's StoreError.
template <typename F>
auto storeGuarded(F&& f) -> decltype(f()) {
    try {
        return f();
    } catch (const store::StoreError&) {
        throw;
    } catch (const std::exception& e) {
        throw store::StoreError(e.what());
    }
}

class ModelMailItem : public store::MailItem, public store::ContactItem {
  public:
    explicit ModelMailItem(std::shared_ptr<const mapi::Item> item);

    std::string messageClass() override;
    std::string subject() override;
    std::unique_ptr<store::Attachments> attachments() override;
    store::ItemFacts facts() override;              // ModelItemFacts.cpp
    store::DocumentFacts documentFacts() override;  // ModelDocumentFacts.cpp
    std::string contentHash() override;             // ModelDocumentFacts.cpp
    void saveAs(const std::string& path, store::SaveFormat format) override;
    void writeTo(base::ByteSink& sink, store::SaveFormat format) override;
    std::string saveAsHashed(const std::string& path, store::SaveFormat format) override;
    store::ContactItem& asContact() override;

    std::string firstName() override;
    std::string lastName() override;

    // The item as the writers read it.
    const mapi::Item& item() const { return *item_; }

  protected:
    std::shared_ptr<const mapi::Item> item_;
};

}  // namespace pellmark::formats
