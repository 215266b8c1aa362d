#pragma once
// One object of a message file, a storage of its own: the message, a recipient, an attachment
// or an attached message. Its property stream (`__properties_version1.0`) holds a header, then
// 16 bytes a property: the tag, flags, and the value itself for fixed sizes or the size of a
// value kept in a stream `__substg1.0_TTTTTTTT` beside it ([MS-OXMSG] 2.4). The entries are
// read when the object is opened; values when they are asked for.

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cfb/CompoundFileReader.h"
#include "mapi/ByteStream.h"
#include "mapi/PropValue.h"

namespace pellmark::msgfile {

// The size of the property stream's header before its entries.
enum class ObjectKind : size_t {
    TopMessage = 32,       // reserved, next ids, counts of recipients and attachments, reserved
    AttachedMessage = 24,  // the same without the last reserved bytes
    RecipientOrAttachment = 8,
};

class MsgObject {
  public:
    // Throws MsgError when `storage` holds no property stream of the kind's layout.
    MsgObject(std::shared_ptr<const cfb::CompoundFileReader> file, cfb::EntryId storage,
              ObjectKind kind);

    const std::vector<mapi::PropTag>& tags() const { return tags_; }
    std::optional<mapi::PropType> typeOf(uint16_t propId) const;
    std::optional<mapi::PropValue> get(uint16_t propId) const;
    uint64_t sizeOf(uint16_t propId) const;
    std::unique_ptr<mapi::ByteStream> stream(uint16_t propId) const;
    // Every value at once, in the entries' order.
    std::vector<std::pair<mapi::PropTag, mapi::PropValue>> values() const;

    // The child storages named `prefix` and a number ("__recip_version1.0_#00000000"), by
    // number.
    std::vector<cfb::EntryId> numbered(std::string_view prefix) const;
    // The child storage `name`; nullopt when there is none.
    std::optional<cfb::EntryId> storage(std::string_view name) const;

    const std::shared_ptr<const cfb::CompoundFileReader>& file() const { return file_; }
    cfb::EntryId id() const { return storage_; }

  private:
    struct Entry {
        mapi::PropTag tag = 0;
        std::array<uint8_t, 8> slot{};
        std::optional<cfb::EntryId> stream;  // of a value kept in a stream
    };

    void readEntries(ObjectKind kind);
    void addStreamsWithoutEntries();
    std::optional<cfb::EntryId> streamNamed(const std::string& name) const;
    mapi::PropValue multiValue(const Entry& entry) const;

    std::shared_ptr<const cfb::CompoundFileReader> file_;
    cfb::EntryId storage_;
    std::map<std::string, cfb::EntryId> children_;  // by name in upper case
    std::map<uint16_t, Entry> entries_;
    std::vector<mapi::PropTag> tags_;
};

}  // namespace pellmark::msgfile
