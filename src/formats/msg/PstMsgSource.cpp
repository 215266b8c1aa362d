#include "formats/msg/PstMsgSource.h"

#include "formats/SaveError.h"
#include "formats/msg/MsgBytes.h"
#include "mapi/Tags.h"
#include "pst/ltp/DataTreeStream.h"
#include "pst/messaging/PstFile.h"

namespace pellmark::formats {
namespace {

[[noreturn]] void missing(mapi::PropTag tag) {
    throw SaveError("property " + hex8(tag) + " cannot be read");
}

// The properties of a message or attachment node, read from its property context.
template <class Base>
class ContextProperties : public Base {
  public:
    std::vector<mapi::PropTag> tags() const override {
        std::vector<mapi::PropTag> out;
        for (const auto& r : context().records()) out.push_back(r.tag());
        return out;
    }
    mapi::PropValue value(mapi::PropTag tag) const override {
        auto v = context().get(mapi::tagId(tag));
        if (!v) missing(tag);
        return std::move(*v);
    }
    std::unique_ptr<mapi::ByteStream> stream(mapi::PropTag tag) const override {
        return context().openStream(mapi::tagId(tag));
    }

  protected:
    virtual const pst::PropertyContext& context() const = 0;
};

// One row of the recipient table: the values are already in memory.
class PstRecipient : public MsgProperties {
  public:
    PstRecipient(pst::Recipient row, uint32_t codepage)
        : row_(std::move(row)), codepage_(codepage) {}

    std::vector<mapi::PropTag> tags() const override {
        std::vector<mapi::PropTag> out;
        for (const auto& [tag, value] : row_.values()) out.push_back(tag);
        return out;
    }
    mapi::PropValue value(mapi::PropTag tag) const override {
        for (const auto& [t, value] : row_.values()) {
            if (t == tag) return value;
        }
        missing(tag);
    }
    std::unique_ptr<mapi::ByteStream> stream(mapi::PropTag tag) const override {
        return std::make_unique<mapi::MemoryStream>(value(tag).bytes);
    }
    uint32_t codepage() const override { return codepage_; }

  private:
    pst::Recipient row_;
    uint32_t codepage_;
};

class PstMsgItem : public ContextProperties<MsgItem> {
  public:
    explicit PstMsgItem(pst::Message message) : message_(std::move(message)) {}

    uint32_t codepage() const override { return message_.codepage(); }

    std::vector<std::unique_ptr<MsgProperties>> recipients() const override {
        std::vector<std::unique_ptr<MsgProperties>> out;
        for (auto& row : message_.recipients()) {
            out.push_back(std::make_unique<PstRecipient>(std::move(row), message_.codepage()));
        }
        return out;
    }
    size_t attachmentCount() const override { return message_.attachmentCount(); }
    std::unique_ptr<MsgAttachment> attachment(size_t index) const override;
    std::optional<mapi::NamedProperty> nameOf(uint16_t id) const override {
        return message_.file()->nameMap().nameOf(id);
    }

  private:
    const pst::PropertyContext& context() const override { return message_.props(); }

    pst::Message message_;
};

class PstMsgAttachment : public ContextProperties<MsgAttachment> {
  public:
    explicit PstMsgAttachment(pst::Attachment attachment) : attachment_(std::move(attachment)) {}

    uint32_t codepage() const override { return attachment_.codepage(); }

    std::unique_ptr<MsgItem> embeddedMessage() const override {
        if (!attachment_.isEmbeddedMessage()) return nullptr;
        return std::make_unique<PstMsgItem>(attachment_.embeddedMessage());
    }

    std::unique_ptr<mapi::ByteStream> objectData() const override {
        const auto& props = attachment_.props();
        auto record = props.record(mapi::prop::kAttachData);
        if (!record || record->type != mapi::PropType::Object || attachment_.isEmbeddedMessage()) {
            return nullptr;
        }
        // An OLE object's storage is kept as a compound file in a subnode of the attachment.
        auto nid = props.objectNode(mapi::prop::kAttachData);
        auto node = nid ? props.node().subnode(*nid) : std::nullopt;
        if (!node) throw SaveError("the data of an attached OLE object is missing");
        return std::make_unique<pst::DataTreeStream>(node->data());
    }

  private:
    const pst::PropertyContext& context() const override { return attachment_.props(); }

    pst::Attachment attachment_;
};

std::unique_ptr<MsgAttachment> PstMsgItem::attachment(size_t index) const {
    return std::make_unique<PstMsgAttachment>(message_.attachment(index));
}

}  // namespace

std::unique_ptr<MsgItem> pstMsgItem(const pst::Message& message) {
    return std::make_unique<PstMsgItem>(message);
}

}  // namespace pellmark::formats
