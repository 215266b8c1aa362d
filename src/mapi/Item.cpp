#include "mapi/Item.h"

#include "mapi/StoredSubject.h"
#include "mapi/Tags.h"

namespace pellmark::mapi {

std::string Item::messageClass() const {
    return string(prop::kMessageClass).value_or("");
}

std::string Item::subject() const {
    return splitStoredSubject(string(prop::kSubject).value_or("")).subject;
}

std::optional<PropValue> Item::named(const Guid& set, uint32_t lid) const {
    const auto id = idOf(set, lid);
    return id ? get(*id) : std::nullopt;
}

std::optional<PropValue> Item::named(const Guid& set, const std::string& name) const {
    const auto id = idOf(set, name);
    return id ? get(*id) : std::nullopt;
}

}  // namespace pellmark::mapi
