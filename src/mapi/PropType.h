#pragma once
// Property types ([MS-OXCDATA] 2.11.1) and property tags: the high 16 bits of a tag are the
// property id, the low 16 bits its type.

#include <cstdint>

namespace pellmark::mapi {

enum class PropType : uint16_t {
    Unspecified = 0x0000,
    Null = 0x0001,
    Int16 = 0x0002,
    Int32 = 0x0003,
    Float32 = 0x0004,
    Float64 = 0x0005,
    Currency = 0x0006,
    AppTime = 0x0007,
    ErrorCode = 0x000A,
    Boolean = 0x000B,
    Object = 0x000D,
    Int64 = 0x0014,
    String8 = 0x001E,
    Unicode = 0x001F,
    SysTime = 0x0040,
    Guid = 0x0048,
    ServerId = 0x00FB,
    Restriction = 0x00FD,
    RuleAction = 0x00FE,
    Binary = 0x0102,
    MultiInt16 = 0x1002,
    MultiInt32 = 0x1003,
    MultiFloat32 = 0x1004,
    MultiFloat64 = 0x1005,
    MultiCurrency = 0x1006,
    MultiAppTime = 0x1007,
    MultiInt64 = 0x1014,
    MultiString8 = 0x101E,
    MultiUnicode = 0x101F,
    MultiSysTime = 0x1040,
    MultiGuid = 0x1048,
    MultiBinary = 0x1102,
};

inline constexpr uint16_t kMultiValueFlag = 0x1000;

constexpr bool isMultiValued(PropType t) {
    return (static_cast<uint16_t>(t) & kMultiValueFlag) != 0;
}
constexpr PropType baseType(PropType t) {
    return static_cast<PropType>(static_cast<uint16_t>(t) & ~kMultiValueFlag);
}
// Size of one value of a fixed-size type, 0 for variable-size types.
constexpr uint32_t fixedSize(PropType t) {
    switch (baseType(t)) {
        case PropType::Int16:
            return 2;
        case PropType::Int32:
        case PropType::Float32:
        case PropType::ErrorCode:
            return 4;
        case PropType::Boolean:
            return 1;
        case PropType::Float64:
        case PropType::Currency:
        case PropType::AppTime:
        case PropType::Int64:
        case PropType::SysTime:
            return 8;
        case PropType::Guid:
            return 16;
        default:
            return 0;
    }
}

using PropTag = uint32_t;

constexpr PropTag makeTag(uint16_t id, PropType type) {
    return (uint32_t{id} << 16) | static_cast<uint16_t>(type);
}
constexpr uint16_t tagId(PropTag tag) {
    return static_cast<uint16_t>(tag >> 16);
}
constexpr PropType tagType(PropTag tag) {
    return static_cast<PropType>(tag & 0xFFFF);
}

}  // namespace pellmark::mapi
