#pragma once
// Property values as callers give them: numbers, UTF-8 text, bytes, lists of these, or binary
// content produced on demand (large generated attachments, streamed block by block).

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "mapi/Guid.h"
#include "mapi/PropType.h"
#include "pstwriter/ndb/ByteBuffer.h"

namespace pellmark::pstwriter {

using mapi::PropTag;
using mapi::PropType;

// Binary content read on demand, in order, so that it never has to sit whole in memory.
class ContentSource {
  public:
    virtual ~ContentSource() = default;
    virtual uint64_t size() const = 0;
    // Fills `out` with the bytes from `offset` on; called with increasing offsets.
    virtual void read(uint64_t offset, std::span<uint8_t> out) const = 0;
};

using mapi::Guid;

// 100-nanosecond ticks since 1601-01-01 UTC, the FILETIME of PtypTime.
uint64_t fileTimeFromUnix(int64_t seconds);

class PropValue {
  public:
    using Data = std::variant<int64_t, double, bool, std::string, ByteVec, std::vector<int64_t>,
                              std::vector<double>, std::vector<std::string>, std::vector<ByteVec>,
                              std::shared_ptr<const ContentSource>>;

    PropValue() : type_(PropType::Int32), data_(int64_t{0}) {}
    PropValue(PropType type, Data data);

    static PropValue int16(int16_t v) { return {PropType::Int16, int64_t{v}}; }
    static PropValue int32(int32_t v) { return {PropType::Int32, int64_t{v}}; }
    static PropValue int64(int64_t v) { return {PropType::Int64, v}; }
    static PropValue boolean(bool v) { return {PropType::Boolean, v}; }
    static PropValue float64(double v) { return {PropType::Float64, v}; }
    static PropValue time(uint64_t fileTime) {
        return {PropType::SysTime, static_cast<int64_t>(fileTime)};
    }
    static PropValue string(std::string utf8) { return {PropType::Unicode, std::move(utf8)}; }
    static PropValue binary(ByteVec bytes) { return {PropType::Binary, std::move(bytes)}; }
    static PropValue binary(std::string_view bytes) {
        return binary(ByteVec(bytes.begin(), bytes.end()));
    }
    static PropValue stream(std::shared_ptr<const ContentSource> source) {
        return {PropType::Binary, std::move(source)};
    }
    static PropValue guid(const Guid& g) {
        return {PropType::Guid, ByteVec(g.bytes.begin(), g.bytes.end())};
    }

    PropType type() const { return type_; }
    const Data& data() const { return data_; }
    // The value's text for string types, empty otherwise.
    const std::string* text() const { return std::get_if<std::string>(&data_); }
    const int64_t* integer() const { return std::get_if<int64_t>(&data_); }
    // Size of the binary payload (bytes or stream); 0 for other types.
    uint64_t binarySize() const;

  private:
    PropType type_;
    Data data_;
};

// A named property ([MS-OXCDATA] 2.6.1): a property set and either a number or a name.
struct NamedProp {
    Guid set;
    uint32_t id = 0;
    std::string name;  // UTF-8; a string name when not empty
    bool isString() const { return !name.empty(); }
    auto operator<=>(const NamedProp&) const = default;
};

}  // namespace pellmark::pstwriter
