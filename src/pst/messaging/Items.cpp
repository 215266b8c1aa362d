#include "pst/messaging/Items.h"

#include "mapi/Tags.h"
#include "pst/io/PstError.h"
#include "pst/ltp/DataTreeStream.h"
#include "pst/messaging/PstFile.h"

namespace pellmark::pst {
namespace {

// The properties of a message or attachment node, read from its property context.
template <class Base>
class ContextProperties : public Base {
  public:
    std::vector<mapi::PropTag> tags() const override {
        std::vector<mapi::PropTag> out;
        for (const auto& r : context().records()) out.push_back(r.tag());
        return out;
    }
    std::optional<mapi::PropValue> get(uint16_t propId) const override {
        return context().get(propId);
    }
    std::optional<mapi::PropType> typeOf(uint16_t propId) const override {
        const auto r = context().record(propId);
        return r ? std::optional<mapi::PropType>(r->type) : std::nullopt;
    }
    uint64_t sizeOf(uint16_t propId) const override {
        const auto r = context().record(propId);
        return r ? context().valueSize(*r) : 0;
    }
    std::unique_ptr<mapi::ByteStream> stream(uint16_t propId) const override {
        if (auto s = context().openStream(propId)) return s;
        return std::make_unique<mapi::MemoryStream>(std::vector<uint8_t>{});
    }

  protected:
    virtual const PropertyContext& context() const = 0;
};

class MessageItem : public ContextProperties<mapi::Item> {
  public:
    // `stored`: a message of a folder, not one embedded in an attachment.
    MessageItem(pst::Message message, bool stored)
        : message_(std::move(message)), stored_(stored) {}

    uint32_t codepage() const override { return message_.codepage(); }
    std::vector<mapi::Recipient> recipients() const override { return message_.recipients(); }
    size_t attachmentCount() const override { return message_.attachmentCount(); }
    std::unique_ptr<mapi::Attachment> attachment(size_t index) const override;
    std::optional<mapi::NamedProperty> nameOf(uint16_t propId) const override {
        return message_.file()->nameMap().nameOf(propId);
    }
    std::optional<uint16_t> idOf(const mapi::Guid& set, uint32_t lid) const override {
        return message_.file()->nameMap().idOf(set, lid);
    }
    std::optional<uint16_t> idOf(const mapi::Guid& set, const std::string& name) const override {
        return message_.file()->nameMap().idOf(set, name);
    }
    // Four bytes of flags, the store's record key and the node id.
    std::vector<uint8_t> entryId() const override {
        if (!stored_) return {};
        std::vector<uint8_t> id(4, 0);
        std::vector<uint8_t> key = message_.file()->store().recordKey;
        key.resize(16, 0);
        id.insert(id.end(), key.begin(), key.end());
        for (int shift = 0; shift < 32; shift += 8) {
            id.push_back(static_cast<uint8_t>(message_.id().value >> shift));
        }
        return id;
    }

  private:
    const PropertyContext& context() const override { return message_.props(); }

    pst::Message message_;
    bool stored_;
};

class AttachmentItem : public ContextProperties<mapi::Attachment> {
  public:
    explicit AttachmentItem(pst::Attachment attachment) : attachment_(std::move(attachment)) {}

    uint32_t codepage() const override { return attachment_.codepage(); }

    std::unique_ptr<mapi::Item> embeddedMessage() const override {
        if (!isEmbeddedMessage()) return nullptr;
        return std::make_unique<MessageItem>(attachment_.embeddedMessage(), false);
    }

    std::unique_ptr<mapi::ByteStream> objectData() const override {
        const PropertyContext& props = attachment_.props();
        auto record = props.record(mapi::prop::kAttachData);
        if (!record || record->type != mapi::PropType::Object || isEmbeddedMessage()) {
            return nullptr;
        }
        // An OLE object's storage is kept as a compound file in a subnode of the attachment.
        auto nid = props.objectNode(mapi::prop::kAttachData);
        auto node = nid ? props.node().subnode(*nid) : std::nullopt;
        if (!node) {
            throw PstError(ErrorCode::NotFound, "the data of an attached OLE object is missing",
                           PstError::kNoOffset, 0, attachment_.id().value);
        }
        return std::make_unique<DataTreeStream>(node->data());
    }

  private:
    const PropertyContext& context() const override { return attachment_.props(); }

    pst::Attachment attachment_;
};

std::unique_ptr<mapi::Attachment> MessageItem::attachment(size_t index) const {
    return std::make_unique<AttachmentItem>(message_.attachment(index));
}

}  // namespace

std::unique_ptr<mapi::Item> itemOf(Message message) {
    return std::make_unique<MessageItem>(std::move(message), true);
}

}  // namespace pellmark::pst
