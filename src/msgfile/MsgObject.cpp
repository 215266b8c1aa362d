#include "msgfile/MsgObject.h"

#include <algorithm>
#include <cstdio>

#include "msgfile/MsgFile.h"

namespace pellmark::msgfile {
namespace {

using mapi::PropType;

constexpr std::string_view kPropertyStream = "__properties_version1.0";
constexpr std::string_view kValuePrefix = "__substg1.0_";
constexpr size_t kEntrySize = 16;

// Compound files compare names in upper case; the children are kept by that form.
std::string upper(std::string_view name) {
    std::string out(name);
    for (char& c : out) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return out;
}

std::string hex8(uint32_t v) {
    char buf[9];
    std::snprintf(buf, sizeof buf, "%08X", static_cast<unsigned>(v));
    return buf;
}

std::string valueStreamName(mapi::PropTag tag) {
    return std::string(kValuePrefix) + hex8(tag);
}

uint32_t le32(const uint8_t* p) {
    return p[0] | p[1] << 8 | p[2] << 16 | uint32_t{p[3]} << 24;
}

void appendLe32(std::vector<uint8_t>& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

enum class Holder { Slot, Stream, MultiStreams, Storage, Nothing };

Holder holderOf(PropType type) {
    if (type == PropType::Object) return Holder::Storage;
    if (type == PropType::Null || type == PropType::Unspecified) return Holder::Nothing;
    if (mapi::isMultiValued(type)) {
        return mapi::fixedSize(mapi::baseType(type)) ? Holder::Stream : Holder::MultiStreams;
    }
    return mapi::fixedSize(type) && type != PropType::Guid ? Holder::Slot : Holder::Stream;
}

// "0037001F" as a tag; nullopt for a name that is not eight hex digits.
std::optional<mapi::PropTag> tagOfName(std::string_view hex) {
    if (hex.size() != 8) return std::nullopt;
    mapi::PropTag tag = 0;
    for (char c : hex) {
        const int digit = c >= '0' && c <= '9' ? c - '0' : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
        if (digit < 0) return std::nullopt;
        tag = tag << 4 | static_cast<uint32_t>(digit);
    }
    return tag;
}

// A value kept in a stream, read in pieces.
class CfbStream : public mapi::ByteStream {
  public:
    CfbStream(std::shared_ptr<const cfb::CompoundFileReader> file, cfb::EntryId stream)
        : file_(std::move(file)), stream_(stream), size_(file_->streamSize(stream)) {}
    uint64_t size() const override { return size_; }
    size_t read(std::span<uint8_t> out) override {
        const size_t n = file_->readStream(stream_, pos_, out);
        pos_ += n;
        return n;
    }

  private:
    std::shared_ptr<const cfb::CompoundFileReader> file_;
    cfb::EntryId stream_;
    uint64_t size_;
    uint64_t pos_ = 0;
};

}  // namespace

MsgObject::MsgObject(std::shared_ptr<const cfb::CompoundFileReader> file, cfb::EntryId storage,
                     ObjectKind kind)
    : file_(std::move(file)), storage_(storage) {
    for (const cfb::EntryId child : file_->children(storage_)) {
        children_.try_emplace(upper(file_->name(child)), child);
    }
    readEntries(kind);
    addStreamsWithoutEntries();
}

void MsgObject::readEntries(ObjectKind kind) {
    const auto props = streamNamed(std::string(kPropertyStream));
    if (!props) {
        throw MsgError("the storage " + file_->name(storage_) + " holds no property stream");
    }
    const std::vector<uint8_t> bytes = file_->readStream(*props);
    const auto header = static_cast<size_t>(kind);
    if (bytes.size() < header) {
        throw MsgError("the property stream of " + file_->name(storage_) + " is cut short");
    }
    // A last entry cut short is passed over: the ones before it are whole.
    for (size_t at = header; bytes.size() - at >= kEntrySize; at += kEntrySize) {
        Entry e;
        e.tag = le32(bytes.data() + at);
        std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(at + 8), 8, e.slot.begin());
        const Holder holder = holderOf(mapi::tagType(e.tag));
        if (holder == Holder::Stream || holder == Holder::MultiStreams) {
            // An entry whose stream is missing has no value to give.
            e.stream = streamNamed(valueStreamName(e.tag));
            if (!e.stream) continue;
        }
        const uint16_t id = mapi::tagId(e.tag);
        if (entries_.try_emplace(id, e).second) tags_.push_back(e.tag);
    }
}

// Some writers keep a variable-size value in its stream without an entry for it.
void MsgObject::addStreamsWithoutEntries() {
    for (const auto& [name, child] : children_) {
        if (name.rfind(upper(kValuePrefix), 0) != 0 || !file_->isStream(child)) continue;
        const auto tag = tagOfName(std::string_view(name).substr(kValuePrefix.size()));
        if (!tag || holderOf(mapi::tagType(*tag)) != Holder::Stream) continue;
        Entry e;
        e.tag = *tag;
        e.stream = child;
        if (entries_.try_emplace(mapi::tagId(*tag), e).second) tags_.push_back(*tag);
    }
}

std::optional<cfb::EntryId> MsgObject::streamNamed(const std::string& name) const {
    const auto it = children_.find(upper(name));
    if (it == children_.end() || !file_->isStream(it->second)) return std::nullopt;
    return it->second;
}

std::optional<mapi::PropType> MsgObject::typeOf(uint16_t propId) const {
    const auto it = entries_.find(propId);
    return it == entries_.end() ? std::nullopt : std::optional(mapi::tagType(it->second.tag));
}

std::optional<mapi::PropValue> MsgObject::get(uint16_t propId) const {
    const auto it = entries_.find(propId);
    if (it == entries_.end()) return std::nullopt;
    const Entry& e = it->second;
    const PropType type = mapi::tagType(e.tag);
    switch (holderOf(type)) {
        case Holder::Slot:
            return mapi::PropValue{
                type,
                {e.slot.begin(), e.slot.begin() + std::min<size_t>(8, mapi::fixedSize(type))}};
        case Holder::Stream:
            return mapi::PropValue{type, file_->readStream(*e.stream)};
        case Holder::MultiStreams:
            return multiValue(e);
        case Holder::Storage:
        case Holder::Nothing:
            break;
    }
    return mapi::PropValue{type, {}};
}

// A multi-valued string or binary value: a stream of lengths, one element a stream
// (`__substg1.0_TTTTTTTT-NNNNNNNN`), given in the count-and-offsets layout of the model.
mapi::PropValue MsgObject::multiValue(const Entry& e) const {
    const PropType type = mapi::tagType(e.tag);
    const size_t width = mapi::baseType(type) == PropType::Binary ? 8 : 4;
    const size_t count = file_->streamSize(*e.stream) / width;
    std::vector<std::vector<uint8_t>> elements;
    for (size_t i = 0; i < count; ++i) {
        const std::string name = valueStreamName(e.tag) + "-" + hex8(static_cast<uint32_t>(i));
        const auto element = streamNamed(name);
        if (!element) {
            throw MsgError("the value " + std::to_string(i) + " of the multi-valued property " +
                           hex8(e.tag) + " is missing");
        }
        elements.push_back(file_->readStream(*element));
    }
    std::vector<uint8_t> out;
    appendLe32(out, static_cast<uint32_t>(count));
    size_t offset = 4 + 4 * count;
    for (const auto& element : elements) {
        appendLe32(out, static_cast<uint32_t>(offset));
        offset += element.size();
    }
    for (const auto& element : elements) out.insert(out.end(), element.begin(), element.end());
    return {type, std::move(out)};
}

uint64_t MsgObject::sizeOf(uint16_t propId) const {
    const auto it = entries_.find(propId);
    if (it == entries_.end()) return 0;
    const PropType type = mapi::tagType(it->second.tag);
    switch (holderOf(type)) {
        case Holder::Slot:
            return mapi::fixedSize(type);
        case Holder::Stream:
            return file_->streamSize(*it->second.stream);
        case Holder::MultiStreams:
            return get(propId)->bytes.size();
        default:
            return 0;
    }
}

std::unique_ptr<mapi::ByteStream> MsgObject::stream(uint16_t propId) const {
    const auto it = entries_.find(propId);
    if (it != entries_.end() && holderOf(mapi::tagType(it->second.tag)) == Holder::Stream) {
        return std::make_unique<CfbStream>(file_, *it->second.stream);
    }
    auto value = get(propId);
    return std::make_unique<mapi::MemoryStream>(value ? std::move(value->bytes)
                                                      : std::vector<uint8_t>{});
}

std::vector<std::pair<mapi::PropTag, mapi::PropValue>> MsgObject::values() const {
    std::vector<std::pair<mapi::PropTag, mapi::PropValue>> out;
    for (const mapi::PropTag tag : tags_) out.emplace_back(tag, *get(mapi::tagId(tag)));
    return out;
}

std::vector<cfb::EntryId> MsgObject::numbered(std::string_view prefix) const {
    const std::string wanted = upper(prefix);
    std::vector<cfb::EntryId> out;
    // The names end in eight hex digits, so their order is the numbers' order.
    for (const auto& [name, child] : children_) {
        if (name.size() == wanted.size() + 8 && name.rfind(wanted, 0) == 0 &&
            tagOfName(std::string_view(name).substr(wanted.size())) && file_->isStorage(child)) {
            out.push_back(child);
        }
    }
    return out;
}

std::optional<cfb::EntryId> MsgObject::storage(std::string_view name) const {
    const auto it = children_.find(upper(name));
    if (it == children_.end() || !file_->isStorage(it->second)) return std::nullopt;
    return it->second;
}

}  // namespace pellmark::msgfile
