#pragma once
// Items of the item model made of plain data: built by hand for shaped cases, or read back
// from a .msg file (MsgFileReader) to write it again or compare it with its source.

#include <map>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "mapi/Item.h"

namespace pellmark::test {

using PropList = std::vector<std::pair<mapi::PropTag, mapi::PropValue>>;

template <class Base>
class PlainValues : public Base {
  public:
    PropList values;
    uint32_t cp = 1252;

    std::vector<mapi::PropTag> tags() const override {
        std::vector<mapi::PropTag> out;
        for (const auto& [tag, value] : values) out.push_back(tag);
        return out;
    }
    std::optional<mapi::PropValue> get(uint16_t id) const override {
        const mapi::PropValue* v = find(id);
        return v ? std::optional<mapi::PropValue>(*v) : std::nullopt;
    }
    uint32_t codepage() const override { return cp; }
    // The value of `tag`; throws when there is none.
    mapi::PropValue value(mapi::PropTag tag) const {
        for (const auto& [t, v] : values) {
            if (t == tag) return v;
        }
        throw std::runtime_error("no such property");
    }

    void set(mapi::PropTag tag, std::vector<uint8_t> bytes) {
        values.emplace_back(tag, mapi::PropValue{mapi::tagType(tag), std::move(bytes)});
    }
    const mapi::PropValue* find(uint16_t id) const {
        for (const auto& [t, v] : values) {
            if (mapi::tagId(t) == id) return &v;
        }
        return nullptr;
    }
};

using PlainRecipient = PlainValues<mapi::Properties>;
struct PlainItem;

struct PlainAttachment : PlainValues<mapi::Attachment> {
    std::shared_ptr<PlainItem> embedded;
    std::optional<std::vector<uint8_t>> object;  // an OLE object's compound file

    std::unique_ptr<mapi::Item> embeddedMessage() const override;
    std::unique_ptr<mapi::ByteStream> objectData() const override {
        if (!object) return nullptr;
        return std::make_unique<mapi::MemoryStream>(*object);
    }
};

struct PlainItem : PlainValues<mapi::Item> {
    std::vector<PlainRecipient> recipientRows;
    std::vector<PlainAttachment> attachmentList;
    std::map<uint16_t, mapi::NamedProperty> names;

    std::vector<mapi::Recipient> recipients() const override {
        std::vector<mapi::Recipient> out;
        for (const auto& r : recipientRows) out.emplace_back(r.values, r.cp);
        return out;
    }
    size_t attachmentCount() const override { return attachmentList.size(); }
    std::unique_ptr<mapi::Attachment> attachment(size_t index) const override {
        return std::make_unique<PlainAttachment>(attachmentList.at(index));
    }
    std::optional<mapi::NamedProperty> nameOf(uint16_t id) const override {
        auto it = names.find(id);
        if (it == names.end()) return std::nullopt;
        return it->second;
    }
    std::optional<uint16_t> idOf(const mapi::Guid& set, uint32_t lid) const override {
        for (const auto& [id, n] : names) {
            if (n.guid == set && !n.isString && n.lid == lid) return id;
        }
        return std::nullopt;
    }
    std::optional<uint16_t> idOf(const mapi::Guid& set, const std::string& name) const override {
        for (const auto& [id, n] : names) {
            if (n.guid == set && n.isString && n.name == name) return id;
        }
        return std::nullopt;
    }
};

inline std::unique_ptr<mapi::Item> PlainAttachment::embeddedMessage() const {
    if (!embedded) return nullptr;
    return std::make_unique<PlainItem>(*embedded);
}

// Multi-valued variable-size values in the reader's layout: a count, offsets, the data.
mapi::PropValue multiValue(mapi::PropType type, const std::vector<std::vector<uint8_t>>& values);

}  // namespace pellmark::test
