#include "pststore/PstItems.h"

#include <fstream>
#include <vector>

#include "base/AtomicFile.h"
#include "base/FileSink.h"
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

// In pieces, never the whole attachment: at most the sink's buffer at a time.
void copyStream(mapi::ByteStream& in, base::ByteSink& sink) {
    std::string& buffer = sink.buffer();
    for (;;) {
        const size_t have = buffer.size();
        buffer.resize(base::ByteSink::kFlushAt);
        const size_t n = in.read(
            std::span(reinterpret_cast<uint8_t*>(buffer.data()) + have, buffer.size() - have));
        buffer.resize(have + n);
        sink.drainIfFull();
        if (n == 0) return;
    }
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

    void saveAsFile(const std::string& path) override { saveAsHashed(path, false); }
    std::string saveAsHashed(const std::string& path) override { return saveAsHashed(path, true); }

  private:
    std::string saveAsHashed(const std::string& path, bool hash) {
        return guarded([&] {
            if (const auto message = attachment_->embeddedMessage()) {
                return formats::saveMessage(*message, formats::SaveFormat::Msg, path, hash).sha256;
            }
            auto data = attachment_->openData();
            base::AtomicFile out(path);
            base::FileSink sink(out.tempPath(), hash);
            copyStream(*data, sink);
            sink.finish();
            out.commit();
            return sink.sha256();
        });
    }

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

void PstMailItem::writeTo(base::ByteSink& sink, store::SaveFormat format) {
    guarded([&] { formats::writeMessage(*item_, format, sink); });
}

std::string PstMailItem::saveAsHashed(const std::string& path, store::SaveFormat format) {
    return guarded([&] { return formats::saveMessage(*item_, format, path, true).sha256; });
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
