#include "mapi/Message.h"

#include "mapi/StoredSubject.h"
#include "mapi/Tags.h"

namespace pellmark::mapi {

std::optional<PropType> Properties::typeOf(uint16_t propId) const {
    for (const PropTag tag : tags()) {
        if (tagId(tag) == propId) return tagType(tag);
    }
    return std::nullopt;
}

uint64_t Properties::sizeOf(uint16_t propId) const {
    const auto value = get(propId);
    return value ? value->bytes.size() : 0;
}

std::unique_ptr<ByteStream> Properties::stream(uint16_t propId) const {
    auto value = get(propId);
    return std::make_unique<MemoryStream>(value ? std::move(value->bytes) : std::vector<uint8_t>{});
}

std::optional<std::string> Properties::string(uint16_t propId) const {
    const auto value = get(propId);
    if (!value || !value->isString()) return std::nullopt;
    return value->asString(codepage());
}

Recipient::Recipient(std::vector<std::pair<PropTag, PropValue>> values, uint32_t codepage)
    : values_(std::move(values)), codepage_(codepage) {}

const PropValue* Recipient::find(uint16_t propId) const {
    for (const auto& [tag, value] : values_) {
        if (tagId(tag) == propId) return &value;
    }
    return nullptr;
}

std::string Recipient::text(uint16_t propId) const {
    const PropValue* v = find(propId);
    return v ? v->asString(codepage_) : std::string();
}

int Recipient::type() const {
    const PropValue* v = find(prop::kRecipientType);
    return v && v->asInteger() ? static_cast<int>(*v->asInteger() & 0x0F) : 1;
}

std::vector<PropTag> Recipient::tags() const {
    std::vector<PropTag> out;
    for (const auto& [tag, value] : values_) out.push_back(tag);
    return out;
}

std::optional<PropValue> Recipient::get(uint16_t propId) const {
    const PropValue* v = find(propId);
    return v ? std::optional<PropValue>(*v) : std::nullopt;
}

int32_t Attachment::method() const {
    auto v = get(prop::kAttachMethod);
    return v && v->asInteger() ? static_cast<int32_t>(*v->asInteger()) : prop::kAttachByValue;
}

std::string Attachment::fileName() const {
    for (uint16_t id : {prop::kAttachLongFilename, prop::kAttachFilename, prop::kDisplayName}) {
        if (auto s = string(id); s && !s->empty()) return *s;
    }
    return {};
}

bool Attachment::isEmbeddedMessage() const {
    return typeOf(prop::kAttachData) == PropType::Object &&
           method() == prop::kAttachEmbeddedMessage;
}

uint64_t Attachment::dataSize() const {
    return typeOf(prop::kAttachData) == PropType::Binary ? sizeOf(prop::kAttachData) : 0;
}

std::unique_ptr<ByteStream> Attachment::openData() const {
    if (typeOf(prop::kAttachData) != PropType::Binary) {
        return std::make_unique<MemoryStream>(std::vector<uint8_t>{});
    }
    return stream(prop::kAttachData);
}

std::string Message::messageClass() const {
    return string(prop::kMessageClass).value_or("");
}

std::string Message::subject() const {
    return splitStoredSubject(string(prop::kSubject).value_or("")).subject;
}

std::optional<PropValue> Message::named(const Guid& set, uint32_t lid) const {
    const auto id = idOf(set, lid);
    return id ? get(*id) : std::nullopt;
}

std::optional<PropValue> Message::named(const Guid& set, const std::string& name) const {
    const auto id = idOf(set, name);
    return id ? get(*id) : std::nullopt;
}

}  // namespace pellmark::mapi
