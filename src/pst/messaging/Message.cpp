#include "pst/messaging/Message.h"

#include "mapi/StoredSubject.h"
#include "mapi/Tags.h"
#include "pst/ltp/TableContext.h"
#include "pst/messaging/ObjectCodepage.h"
#include "pst/messaging/PstFile.h"

namespace pellmark::pst {
namespace {

std::optional<std::string> stringOf(const PropertyContext& pc, uint16_t id, uint32_t cp) {
    auto v = pc.get(id);
    if (!v || !v->isString()) return std::nullopt;
    return v->asString(cp);
}

}  // namespace

Message::Message(std::shared_ptr<const PstFile> file, const Node& node, bool readableOnly)
    : file_(std::move(file)), node_(node) {
    auto props = std::make_shared<PropertyContext>(node);
    if (readableOnly) props->keepReadable();
    props_ = std::move(props);
    codepage_ = codepageOf(*props_, file_->store().codepage);
}

std::optional<std::string> Message::string(uint16_t propId) const {
    return stringOf(*props_, propId, codepage_);
}

std::string Message::messageClass() const {
    return string(mapi::prop::kMessageClass).value_or("");
}

std::string Message::subject() const {
    return mapi::splitStoredSubject(string(mapi::prop::kSubject).value_or("")).subject;
}

std::vector<mapi::Recipient> Message::recipients() const {
    std::vector<mapi::Recipient> out;
    auto node = node_.subnode(nid::kRecipientTable);
    if (!node) return out;
    TableContext table(*node);
    for (size_t i = 0; i < table.rowCount(); ++i) out.emplace_back(table.rowValues(i), codepage_);
    return out;
}

size_t Message::attachmentCount() const {
    auto node = node_.subnode(nid::kAttachmentTable);
    return node ? TableContext(*node).rowCount() : 0;
}

Attachment Message::attachment(size_t index) const {
    auto table = node_.subnode(nid::kAttachmentTable);
    if (!table) {
        throw PstError(ErrorCode::NotFound, "message has no attachment table", PstError::kNoOffset,
                       0, node_.id().value);
    }
    const NodeId nid(TableContext(*table).rowId(index));
    auto node = node_.subnode(nid);
    if (!node) {
        throw PstError(ErrorCode::NotFound, "attachment subnode missing", PstError::kNoOffset, 0,
                       nid.value);
    }
    return Attachment(file_, *node, codepage_);
}

Attachment::Attachment(std::shared_ptr<const PstFile> file, const Node& node, uint32_t codepage)
    : file_(std::move(file)),
      node_(node),
      props_(std::make_shared<PropertyContext>(node)),
      codepage_(codepageOf(*props_, codepage)) {}

Message Attachment::embeddedMessage() const {
    auto nid = props_->objectNode(mapi::prop::kAttachData);
    auto node = nid ? node_.subnode(*nid) : std::nullopt;
    if (!node) {
        throw PstError(ErrorCode::NotFound, "embedded message missing", PstError::kNoOffset, 0,
                       node_.id().value);
    }
    return Message(file_, *node);
}

}  // namespace pellmark::pst
