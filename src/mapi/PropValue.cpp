#include "mapi/PropValue.h"

#include <cstring>

#include "mapi/CodepageText.h"

namespace pellmark::mapi {
namespace {

template <typename T>
T load(const std::vector<uint8_t>& b) {
    T v{};
    std::memcpy(&v, b.data(), sizeof(T));
    return v;
}

std::string decodeString(PropType type, Bytes b, uint32_t codepage) {
    if (type == PropType::Unicode) {
        size_t n = b.size() & ~size_t{1};
        while (n >= 2 && b[n - 1] == 0 && b[n - 2] == 0) n -= 2;
        return utf16ToUtf8(b.first(n));
    }
    size_t n = b.size();
    while (n > 0 && b[n - 1] == 0) --n;
    return codepageToUtf8(b.first(n), codepage);
}

}  // namespace

std::optional<int64_t> PropValue::asInteger() const {
    switch (type) {
        case PropType::Int16:
            if (bytes.size() >= 2) return load<int16_t>(bytes);
            break;
        case PropType::Int32:
        case PropType::ErrorCode:
            if (bytes.size() >= 4) return load<int32_t>(bytes);
            break;
        case PropType::Int64:
        case PropType::Currency:
            if (bytes.size() >= 8) return load<int64_t>(bytes);
            break;
        case PropType::Boolean:
            if (!bytes.empty()) return bytes[0] != 0 ? 1 : 0;
            break;
        default:
            break;
    }
    return std::nullopt;
}

std::optional<double> PropValue::asDouble() const {
    if (type == PropType::Float64 || type == PropType::AppTime) {
        if (bytes.size() >= 8) return load<double>(bytes);
    } else if (type == PropType::Float32 && bytes.size() >= 4) {
        return load<float>(bytes);
    }
    if (auto i = asInteger()) return static_cast<double>(*i);
    return std::nullopt;
}

std::optional<bool> PropValue::asBool() const {
    if (auto i = asInteger()) return *i != 0;
    return std::nullopt;
}

std::optional<uint64_t> PropValue::asFileTime() const {
    if ((type == PropType::SysTime || type == PropType::Int64) && bytes.size() >= 8) {
        return load<uint64_t>(bytes);
    }
    return std::nullopt;
}

std::string PropValue::asString(uint32_t codepage) const {
    if (!isString()) return {};
    return decodeString(type, bytes, codepage);
}

std::vector<std::vector<uint8_t>> PropValue::elements() const {
    std::vector<std::vector<uint8_t>> out;
    if (!isMultiValued(type)) return out;
    if (const uint32_t size = fixedSize(type)) {
        for (size_t off = 0; off + size <= bytes.size(); off += size) {
            out.emplace_back(bytes.begin() + off, bytes.begin() + off + size);
        }
        return out;
    }
    // ulCount, then ulCount offsets from the start of the value, then the data.
    auto u32 = [&](size_t offset, const char* what) {
        if (bytes.size() < 4 || bytes.size() - 4 < offset) {
            throw ValueError(std::string("a multi-valued property is cut short in its ") + what);
        }
        return load<uint32_t>(
            std::vector<uint8_t>(bytes.begin() + offset, bytes.begin() + offset + 4));
    };
    const uint32_t count = u32(0, "count");
    if ((bytes.size() - 4) / 4 < count) {
        throw ValueError("a multi-valued property is cut short in its offsets");
    }
    for (uint32_t i = 0; i < count; ++i) {
        const uint32_t begin = u32(4 + 4 * size_t{i}, "offsets");
        const uint32_t end =
            i + 1 < count ? u32(8 + 4 * size_t{i}, "offsets") : static_cast<uint32_t>(bytes.size());
        if (end < begin || end > bytes.size()) {
            throw ValueError("a multi-valued property is cut short in its element " +
                             std::to_string(i));
        }
        out.emplace_back(bytes.begin() + begin, bytes.begin() + end);
    }
    return out;
}

std::vector<std::string> PropValue::asStrings(uint32_t codepage) const {
    std::vector<std::string> out;
    const PropType base = baseType(type);
    if (base != PropType::Unicode && base != PropType::String8) return out;
    for (const auto& e : elements()) out.push_back(decodeString(base, e, codepage));
    return out;
}

}  // namespace pellmark::mapi
