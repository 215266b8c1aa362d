#include "pstwriter/PropValue.h"

#include <stdexcept>

namespace pellmark::pstwriter {
namespace {

// Which alternative of PropValue::Data each type must hold.
size_t expectedIndex(PropType t) {
    using pst::baseType;
    const bool multi = pst::isMultiValued(t);
    switch (baseType(t)) {
        case PropType::Int16:
        case PropType::Int32:
        case PropType::ErrorCode:
        case PropType::Int64:
        case PropType::Currency:
        case PropType::SysTime: return multi ? 5 : 0;
        case PropType::Float32:
        case PropType::Float64:
        case PropType::AppTime: return multi ? 6 : 1;
        case PropType::Boolean: return 2;
        case PropType::Unicode:
        case PropType::String8: return multi ? 7 : 3;
        case PropType::Binary:
        case PropType::Guid:
        case PropType::Object: return multi ? 8 : 4;
        default: throw std::invalid_argument("property type not supported");
    }
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

PropValue::PropValue(PropType type, Data data) : type_(type), data_(std::move(data)) {
    const size_t want = expectedIndex(type);
    const bool streamed = data_.index() == 9 && type == PropType::Binary;
    if (data_.index() != want && !streamed) {
        throw std::invalid_argument("property value does not match its type");
    }
}

uint64_t PropValue::binarySize() const {
    if (auto* b = std::get_if<ByteVec>(&data_)) return b->size();
    if (auto* s = std::get_if<std::shared_ptr<const ContentSource>>(&data_)) {
        return (*s)->size();
    }
    return 0;
}

Guid Guid::parse(std::string_view text) {
    if (text.size() == 38 && text.front() == '{' && text.back() == '}') {
        text = text.substr(1, 36);
    }
    if (text.size() != 36 || text[8] != '-' || text[13] != '-' || text[18] != '-' ||
        text[23] != '-') {
        throw std::invalid_argument("not a GUID: " + std::string(text));
    }
    uint8_t raw[16];
    size_t n = 0;
    for (size_t i = 0; i < text.size(); i += 2) {
        if (text[i] == '-') --i;
        else {
            const int hi = hexDigit(text[i]), lo = hexDigit(text[i + 1]);
            if (hi < 0 || lo < 0) throw std::invalid_argument("not a GUID: " + std::string(text));
            raw[n++] = static_cast<uint8_t>(hi << 4 | lo);
        }
    }
    // Text order is big-endian for the first three fields; the file stores them little-endian.
    static const int kOrder[16] = {3, 2, 1, 0, 5, 4, 7, 6, 8, 9, 10, 11, 12, 13, 14, 15};
    Guid g;
    for (int i = 0; i < 16; ++i) g.bytes[i] = raw[kOrder[i]];
    return g;
}

uint64_t fileTimeFromUnix(int64_t seconds) {
    constexpr int64_t kEpochDelta = 11644473600;  // 1601-01-01 to 1970-01-01 in seconds
    return static_cast<uint64_t>((seconds + kEpochDelta) * 10000000);
}

}  // namespace pellmark::pstwriter
