#include "formats/ModelMailItem.h"

#include "base/AtomicFile.h"
#include "base/FileSink.h"
#include "formats/SaveMessage.h"
#include "mapi/Tags.h"
#include "store/FolderKinds.h"

namespace pellmark::formats {
namespace {

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

class ModelAttachment : public store::Attachment {
  public:
    ModelAttachment(std::unique_ptr<mapi::Attachment> attachment, int32_t index)
        : attachment_(std::move(attachment)), index_(index) {}

    std::string fileName() override {
        return storeGuarded([&] {
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
        return storeGuarded([&] { return attachment_->dataSize(); });
    }

    void saveAsFile(const std::string& path) override { saveAsHashed(path, false); }
    std::string saveAsHashed(const std::string& path) override { return saveAsHashed(path, true); }

  private:
    std::string saveAsHashed(const std::string& path, bool hash) {
        return storeGuarded([&] {
            if (const auto message = attachment_->embeddedMessage()) {
                return saveMessage(*message, SaveFormat::Msg, path, hash).sha256;
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

class ModelAttachments : public store::Attachments {
  public:
    explicit ModelAttachments(std::shared_ptr<const mapi::Item> item)
        : item_(std::move(item)), count_(item_->attachmentCount()) {}

    int32_t count() override { return static_cast<int32_t>(count_); }
    std::unique_ptr<store::Attachment> item(int32_t index) override {
        if (index < 1 || static_cast<size_t>(index) > count_) {
            throw store::StoreError("no attachment " + std::to_string(index));
        }
        return storeGuarded([&] {
            return std::make_unique<ModelAttachment>(
                item_->attachment(static_cast<size_t>(index - 1)), index);
        });
    }

  private:
    std::shared_ptr<const mapi::Item> item_;
    size_t count_;
};

}  // namespace

ModelMailItem::ModelMailItem(std::shared_ptr<const mapi::Item> item) : item_(std::move(item)) {}

std::string ModelMailItem::messageClass() {
    return storeGuarded([&] { return item_->messageClass(); });
}

std::string ModelMailItem::subject() {
    return storeGuarded([&] { return item_->subject(); });
}

std::unique_ptr<store::Attachments> ModelMailItem::attachments() {
    return storeGuarded([&] { return std::make_unique<ModelAttachments>(item_); });
}

void ModelMailItem::saveAs(const std::string& path, store::SaveFormat format) {
    storeGuarded([&] { saveMessage(*item_, format, path); });
}

void ModelMailItem::writeTo(base::ByteSink& sink, store::SaveFormat format) {
    storeGuarded([&] { writeMessage(*item_, format, sink); });
}

std::string ModelMailItem::saveAsHashed(const std::string& path, store::SaveFormat format) {
    return storeGuarded([&] { return saveMessage(*item_, format, path, true).sha256; });
}

store::ContactItem& ModelMailItem::asContact() {
    if (!store::isContactClass(messageClass()))
        throw store::StoreError("the item is not a contact");
    return *this;
}

std::string ModelMailItem::firstName() {
    return storeGuarded([&] { return item_->string(mapi::prop::kGivenName).value_or(""); });
}

std::string ModelMailItem::lastName() {
    return storeGuarded([&] { return item_->string(mapi::prop::kSurname).value_or(""); });
}

}  // namespace pellmark::formats
