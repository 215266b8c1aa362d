#include "mapi/Attachment.h"

#include "mapi/Tags.h"

namespace pellmark::mapi {

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

}  // namespace pellmark::mapi
