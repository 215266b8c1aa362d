#pragma once
// Items for the .msg writer made of plain data: built by hand for shaped cases, or read back
// from a .msg file (MsgFileReader) to write it again or compare it with its source.

#include <map>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "formats/msg/MsgSource.h"

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
    mapi::PropValue value(mapi::PropTag tag) const override {
        for (const auto& [t, v] : values) {
            if (t == tag) return v;
        }
        throw std::runtime_error("no such property");
    }
    std::unique_ptr<mapi::ByteStream> stream(mapi::PropTag tag) const override {
        return std::make_unique<mapi::MemoryStream>(value(tag).bytes);
    }
    uint32_t codepage() const override { return cp; }

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

using PlainRecipient = PlainValues<formats::MsgProperties>;
struct PlainItem;

struct PlainAttachment : PlainValues<formats::MsgAttachment> {
    std::shared_ptr<PlainItem> embedded;
    std::optional<std::vector<uint8_t>> object;  // an OLE object's compound file

    std::unique_ptr<formats::MsgItem> embeddedMessage() const override;
    std::unique_ptr<mapi::ByteStream> objectData() const override {
        if (!object) return nullptr;
        return std::make_unique<mapi::MemoryStream>(*object);
    }
};

struct PlainItem : PlainValues<formats::MsgItem> {
    std::vector<PlainRecipient> recipientRows;
    std::vector<PlainAttachment> attachmentList;
    std::map<uint16_t, mapi::NamedProperty> names;

    std::vector<std::unique_ptr<formats::MsgProperties>> recipients() const override {
        std::vector<std::unique_ptr<formats::MsgProperties>> out;
        for (const auto& r : recipientRows) out.push_back(std::make_unique<PlainRecipient>(r));
        return out;
    }
    size_t attachmentCount() const override { return attachmentList.size(); }
    std::unique_ptr<formats::MsgAttachment> attachment(size_t index) const override {
        return std::make_unique<PlainAttachment>(attachmentList.at(index));
    }
    std::optional<mapi::NamedProperty> nameOf(uint16_t id) const override {
        auto it = names.find(id);
        if (it == names.end()) return std::nullopt;
        return it->second;
    }
};

inline std::unique_ptr<formats::MsgItem> PlainAttachment::embeddedMessage() const {
    if (!embedded) return nullptr;
    return std::make_unique<PlainItem>(*embedded);
}

// Multi-valued variable-size values in the reader's layout: a count, offsets, the data.
mapi::PropValue multiValue(mapi::PropType type, const std::vector<std::vector<uint8_t>>& values);

}  // namespace pellmark::test
