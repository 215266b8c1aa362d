#include "mkpst/JsonProperties.h"

#include <map>

#include "pstwriter/messaging/NameMap.h"

namespace pellmark::pstwriter {
namespace {

PropType typeNamed(const JsonCursor& c) {
    static const std::map<std::string, PropType> kTypes = {
        {"int16", PropType::Int16},     {"int32", PropType::Int32},
        {"int64", PropType::Int64},     {"float", PropType::Float32},
        {"double", PropType::Float64},  {"currency", PropType::Currency},
        {"apptime", PropType::AppTime}, {"error", PropType::ErrorCode},
        {"boolean", PropType::Boolean}, {"string", PropType::Unicode},
        {"time", PropType::SysTime},    {"guid", PropType::Guid},
        {"binary", PropType::Binary}};
    std::string name = c.string();
    const bool multi = name.rfind("multi-", 0) == 0;
    auto it = kTypes.find(multi ? name.substr(6) : name);
    if (it == kTypes.end() || (multi && it->second == PropType::Boolean)) {
        c.fail("unknown property type '" + name + "'");
    }
    return multi ? static_cast<PropType>(static_cast<uint16_t>(it->second) | mapi::kMultiValueFlag)
                 : it->second;
}

Guid propertySet(const JsonCursor& c) {
    namespace ps = mapi::psetid;
    static const std::map<std::string, const Guid*> kSets = {
        {"PS_MAPI", &ps::kMapi},
        {"PS_PUBLIC_STRINGS", &ps::kPublicStrings},
        {"PS_INTERNET_HEADERS", &ps::kInternetHeaders},
        {"PSETID_Address", &ps::kAddress},
        {"PSETID_Appointment", &ps::kAppointment},
        {"PSETID_Meeting", &ps::kMeeting},
        {"PSETID_Task", &ps::kTask},
        {"PSETID_Common", &ps::kCommon},
        {"PSETID_Note", &ps::kNote},
        {"PSETID_Log", &ps::kLog}};
    const std::string s = c.string();
    if (auto it = kSets.find(s); it != kSets.end()) return *it->second;
    if (auto g = Guid::parse(s)) return *g;
    c.fail("expected a property set name or a GUID, found '" + s + "'");
}

PropValue scalar(PropType t, const JsonCursor& v) {
    switch (t) {
        case PropType::Int16:
            return {t, v.integer(INT16_MIN, INT16_MAX)};
        case PropType::Int32:
        case PropType::ErrorCode:
            return {t, v.integer(INT32_MIN, UINT32_MAX)};
        case PropType::Int64:
        case PropType::Currency:
            return {t, v.integer(INT64_MIN, INT64_MAX)};
        case PropType::Float32:
        case PropType::Float64:
        case PropType::AppTime:
            return {t, v.number()};
        case PropType::Boolean:
            return PropValue::boolean(v.boolean());
        case PropType::Unicode:
            return PropValue::string(v.string());
        case PropType::SysTime:
            return {t, static_cast<int64_t>(v.time())};
        case PropType::Guid: {
            if (auto g = Guid::parse(v.string())) return PropValue::guid(*g);
            v.fail("not a GUID");
        }
        default:
            return PropValue::binary(v.base64());
    }
}

PropValue propertyValue(PropType t, const JsonCursor& v) {
    if (!mapi::isMultiValued(t)) return scalar(t, v);
    const PropType base = mapi::baseType(t);
    std::vector<int64_t> ints;
    std::vector<double> reals;
    std::vector<std::string> texts;
    std::vector<ByteVec> blobs;
    for (const JsonCursor& item : v.array()) {
        PropValue one = scalar(base, item);
        std::visit(
            [&](const auto& d) {
                using T = std::decay_t<decltype(d)>;
                if constexpr (std::is_same_v<T, int64_t>)
                    ints.push_back(d);
                else if constexpr (std::is_same_v<T, double>)
                    reals.push_back(d);
                else if constexpr (std::is_same_v<T, std::string>)
                    texts.push_back(d);
                else if constexpr (std::is_same_v<T, ByteVec>)
                    blobs.push_back(d);
            },
            one.data());
    }
    switch (base) {
        case PropType::Float32:
        case PropType::Float64:
        case PropType::AppTime:
            return {t, reals};
        case PropType::Unicode:
            return {t, texts};
        case PropType::Guid:
        case PropType::Binary:
            return {t, blobs};
        default:
            return {t, ints};
    }
}

}  // namespace

void readProperties(const JsonCursor& owner, PropertyBag& bag) {
    for (const JsonCursor& p : owner.arrayField("properties")) {
        p.allowOnly({"tag", "set", "id", "name", "type", "value"});
        const PropType type = typeNamed(p.field("type"));
        PropValue value = propertyValue(type, p.field("value"));
        if (p.has("tag")) {
            if (p.has("set") || p.has("name") || p.has("id"))
                p.fail("give either a tag or a named property");
            const int64_t tag = p.field("tag").integer(1, 0x7FFF);
            bag.set(static_cast<uint16_t>(tag), std::move(value));
            continue;
        }
        NamedProp n{propertySet(p.field("set")), 0, {}};
        if (p.has("name") == p.has("id")) p.fail("a named property has either an id or a name");
        if (p.has("id"))
            n.id = static_cast<uint32_t>(p.field("id").integer(0, UINT32_MAX));
        else
            n.name = p.field("name").string();
        if (p.has("name") && n.name.empty()) p.field("name").fail("must not be empty");
        bag.set(n, std::move(value));
    }
}

}  // namespace pellmark::pstwriter
