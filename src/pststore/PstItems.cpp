#include "pststore/PstItems.h"

#include <fstream>
#include <vector>

#include "base/AtomicFile.h"
#include "formats/SaveMessage.h"
#include "mapi/Tags.h"
#include "pst/messaging/Items.h"
#include "pststore/EntryId.h"
#include "pststore/PstStore.h"
#include "store/FolderKinds.h"

namespace pellmark::pststore {
namespace {

class PstItemEnumerator : public store::ItemEnumerator {
  public:
    PstItemEnumerator(std::shared_ptr<const pst::PstFile> file, std::vector<pst::NodeId> ids)
        : file_(std::move(file)), ids_(std::move(ids)) {}

    std::unique_ptr<store::MailItem> next() override {
        if (pos_ >= ids_.size()) return nullptr;
        const pst::NodeId id = ids_[pos_++];
        return guarded([&] { return std::make_unique<PstMailItem>(file_->message(id)); });
    }

  private:
    std::shared_ptr<const pst::PstFile> file_;
    std::vector<pst::NodeId> ids_;
    size_t pos_ = 0;
};

void copyStream(mapi::ByteStream& in, const std::filesystem::path& path) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    // Pieces, never the whole attachment; no larger than the attachment itself.
    const size_t size = static_cast<size_t>(std::min<uint64_t>(in.size(), 256 * 1024));
    auto buf = std::make_unique_for_overwrite<uint8_t[]>(std::max<size_t>(size, 1));
    while (size_t n = in.read(std::span(buf.get(), std::max<size_t>(size, 1)))) {
        out.write(reinterpret_cast<const char*>(buf.get()), static_cast<std::streamsize>(n));
    }
    out.flush();
    if (!out) throw store::StoreError("cannot write " + path.string());
}

class PstAttachment : public store::Attachment {
  public:
    PstAttachment(std::unique_ptr<mapi::Attachment> attachment, int32_t index)
        : attachment_(std::move(attachment)), index_(index) {}

    std::string fileName() override {
        return guarded([&] {
            if (const auto message = attachment_->embeddedMessage()) {
                std::string subject = message->subject();
                return (subject.empty() ? std::string("Untitled") : subject) + ".msg";
            }
            std::string name = attachment_->fileName();
            if (name.empty()) {
                name = "Attachment " + std::to_string(index_) +
                       attachment_->string(mapi::prop::kAttachExtension).value_or("");
            }
            return name;
        });
    }

    uint64_t dataSize() override {
        return guarded([&] { return attachment_->dataSize(); });
    }

    void saveAsFile(const std::string& path) override {
        guarded([&] {
            if (const auto message = attachment_->embeddedMessage()) {
                formats::saveMessage(*message, formats::SaveFormat::Msg, path);
                return;
            }
            auto data = attachment_->openData();
            base::AtomicFile out(path);
            copyStream(*data, out.tempPath());
            out.commit();
        });
    }

  private:
    std::unique_ptr<mapi::Attachment> attachment_;
    int32_t index_;
};

class PstAttachments : public store::Attachments {
  public:
    explicit PstAttachments(std::shared_ptr<const mapi::Item> item)
        : item_(std::move(item)), count_(item_->attachmentCount()) {}

    int32_t count() override { return static_cast<int32_t>(count_); }
    std::unique_ptr<store::Attachment> item(int32_t index) override {
        if (index < 1 || static_cast<size_t>(index) > count_) {
            throw store::StoreError("no attachment " + std::to_string(index));
        }
        return guarded([&] {
            return std::make_unique<PstAttachment>(
                item_->attachment(static_cast<size_t>(index - 1)), index);
        });
    }

  private:
    std::shared_ptr<const mapi::Item> item_;
    size_t count_;
};

}  // namespace

PstItems::PstItems(std::shared_ptr<const pst::PstFile> file, std::vector<pst::NodeId> ids)
    : file_(std::move(file)), ids_(std::move(ids)) {}

std::unique_ptr<store::MailItem> PstItems::item(int64_t index) {
    if (index < 1 || index > count()) throw store::StoreError("no item " + std::to_string(index));
    return guarded([&] {
        return std::make_unique<PstMailItem>(file_->message(ids_[static_cast<size_t>(index - 1)]));
    });
}

std::unique_ptr<store::ItemEnumerator> PstItems::enumerate() {
    return std::make_unique<PstItemEnumerator>(file_, ids_);
}

PstMailItem::PstMailItem(pst::Message message)
    : file_(message.file()), id_(message.id()), item_(pst::itemOf(std::move(message))) {}

std::string PstMailItem::messageClass() {
    return guarded([&] { return item_->messageClass(); });
}

std::string PstMailItem::subject() {
    return guarded([&] { return item_->subject(); });
}

std::string PstMailItem::entryId() {
    return guarded([&] { return objectEntryId(file_->store().recordKey, id_.value); });
}

std::unique_ptr<store::Attachments> PstMailItem::attachments() {
    return guarded([&] { return std::make_unique<PstAttachments>(item_); });
}

void PstMailItem::saveAs(const std::string& path, store::SaveFormat format) {
    guarded([&] { formats::saveMessage(*item_, format, path); });
}

std::string PstMailItem::saveAsHashed(const std::string& path, store::SaveFormat format) {
    base::Sha256 digest;
    // The writers hash as they write, but for .msg, whose file is read back.
    const bool hashed =
        guarded([&] { return formats::saveMessage(*item_, format, path, &digest); });
    return hashed ? digest.hex() : base::sha256OfFile(path);
}

store::ContactItem& PstMailItem::asContact() {
    if (!store::isContactClass(messageClass()))
        throw store::StoreError("the item is not a contact");
    return *this;
}

std::string PstMailItem::firstName() {
    return guarded([&] { return item_->string(mapi::prop::kGivenName).value_or(""); });
}

std::string PstMailItem::lastName() {
    return guarded([&] { return item_->string(mapi::prop::kSurname).value_or(""); });
}

}  // namespace pellmark::pststore
