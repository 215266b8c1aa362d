#include "pstwriter/ltp/PropValue.h"

#include <stdexcept>

namespace pellmark::pstwriter {
namespace {

// Which alternative of PropValue::Data each type must hold.
size_t expectedIndex(PropType t) {
    using mapi::baseType;
    const bool multi = mapi::isMultiValued(t);
    switch (baseType(t)) {
        case PropType::Int16:
        case PropType::Int32:
        case PropType::ErrorCode:
        case PropType::Int64:
        case PropType::Currency:
        case PropType::SysTime:
            return multi ? 5 : 0;
        case PropType::Float32:
        case PropType::Float64:
        case PropType::AppTime:
            return multi ? 6 : 1;
        case PropType::Boolean:
            return 2;
        case PropType::Unicode:
        case PropType::String8:
            return multi ? 7 : 3;
        case PropType::Binary:
        case PropType::Guid:
        case PropType::Object:
            return multi ? 8 : 4;
        default:
            throw std::invalid_argument("property type not supported");
    }
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

uint64_t fileTimeFromUnix(int64_t seconds) {
    constexpr int64_t kEpochDelta = 11644473600;  // 1601-01-01 to 1970-01-01 in seconds
    return static_cast<uint64_t>((seconds + kEpochDelta) * 10000000);
}

}  // namespace pellmark::pstwriter
