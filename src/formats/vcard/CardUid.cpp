#include "formats/vcard/CardUid.h"

#include <string_view>

#include "base/Sha256.h"
#include "mapi/Tags.h"

namespace pellmark::formats {

std::string uuidOf(const std::vector<uint8_t>& bytes) {
    base::Sha256 sha;
    sha.update(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    std::string hex = sha.hex().substr(0, 32);
    hex[12] = '8';  // version 8: a name of our own
    hex[16] = "89ab"[std::stoi(hex.substr(16, 1), nullptr, 16) & 3];  // the RFC 4122 variant
    return hex.substr(0, 8) + '-' + hex.substr(8, 4) + '-' + hex.substr(12, 4) + '-' +
           hex.substr(16, 4) + '-' + hex.substr(20);
}

std::optional<std::string> cardUid(const mapi::Item& item) {
    if (std::vector<uint8_t> id = item.entryId(); !id.empty()) return uuidOf(id);
    if (auto key = item.get(mapi::prop::kSearchKey); key && !key->bytes.empty()) {
        return uuidOf(key->bytes);
    }
    return std::nullopt;
}

}  // namespace pellmark::formats
