#include "mapi/Recipient.h"

#include "mapi/Tags.h"

namespace pellmark::mapi {

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

}  // namespace pellmark::mapi
