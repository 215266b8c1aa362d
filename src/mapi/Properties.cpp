#include "mapi/Properties.h"

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

}  // namespace pellmark::mapi
