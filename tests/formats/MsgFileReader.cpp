#include "formats/MsgFileReader.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <stdexcept>

#include "cfb/CompoundFileReader.h"
#include "mapi/CodepageText.h"
#include "mapi/Tags.h"

namespace pellmark::test {
namespace {

using mapi::PropType;

using cfb::CompoundFileReader;
using cfb::EntryId;

// A storage or stream of an open file.
struct Node {
    const CompoundFileReader* file;
    EntryId id;
    std::string name() const { return file->name(id); }
};

struct Entry {
    mapi::PropTag tag;
    uint32_t flags;
    std::array<uint8_t, 8> slot;
};

uint32_t u32(const std::vector<uint8_t>& b, size_t off) {
    if (off + 4 > b.size()) throw std::runtime_error("short stream");
    return b[off] | b[off + 1] << 8 | b[off + 2] << 16 | uint32_t{b[off + 3]} << 24;
}

std::string hex(std::span<const uint8_t> bytes) {
    std::string out;
    char buf[3];
    for (uint8_t b : bytes) {
        std::snprintf(buf, sizeof buf, "%02x", b);
        out += buf;
    }
    return out;
}

std::string hex8(uint32_t v) {
    char buf[9];
    std::snprintf(buf, sizeof buf, "%08X", v);
    return buf;
}

bool isStorage(Node in) {
    return in.file->isStorage(in.id);
}

std::optional<Node> child(Node dir, const std::string& name) {
    if (auto id = dir.file->child(dir.id, name)) return Node{dir.file, *id};
    return std::nullopt;
}

std::vector<Node> children(Node dir) {
    std::vector<Node> out;
    for (const EntryId id : dir.file->children(dir.id)) out.push_back({dir.file, id});
    return out;
}

std::vector<uint8_t> readAll(Node in) {
    return in.file->readStream(in.id);
}

std::vector<uint8_t> readStream(Node dir, const std::string& name) {
    auto in = child(dir, name);
    if (!in || isStorage(*in)) throw std::runtime_error("missing stream " + name);
    return readAll(*in);
}

std::map<uint16_t, mapi::NamedProperty> readNames(Node root) {
    std::map<uint16_t, mapi::NamedProperty> names;
    auto dir = child(root, "__nameid_version1.0");
    if (!dir) throw std::runtime_error("no named-property mapping");
    const Node d = *dir;
    const auto guids = readStream(d, "__substg1.0_00020102");
    const auto entries = readStream(d, "__substg1.0_00030102");
    const auto strings = readStream(d, "__substg1.0_00040102");
    for (size_t off = 0; off + 8 <= entries.size(); off += 8) {
        const uint32_t key = u32(entries, off);
        const uint32_t info = u32(entries, off + 4);
        const uint32_t guidIndex = (info & 0xFFFF) >> 1;
        mapi::NamedProperty p;
        if (guidIndex == 1) {
            p.guid = mapi::psetid::kMapi;
        } else if (guidIndex == 2) {
            p.guid = mapi::psetid::kPublicStrings;
        } else {
            const size_t at = size_t{guidIndex - 3} * 16;
            if (at + 16 > guids.size()) throw std::runtime_error("bad GUID index");
            std::copy_n(guids.begin() + static_cast<std::ptrdiff_t>(at), 16, p.guid.bytes.begin());
        }
        p.isString = (info & 1) != 0;
        if (p.isString) {
            const uint32_t len = u32(strings, key);
            if (key + 4 + len > strings.size()) throw std::runtime_error("bad name offset");
            p.name = mapi::utf16ToUtf8(mapi::Bytes(strings.data() + key + 4, len));
        } else {
            p.lid = key;
        }
        names[static_cast<uint16_t>(0x8000 + (info >> 16))] = p;
    }
    return names;
}

std::vector<Entry> readEntries(Node dir, size_t headerSize) {
    const auto bytes = readStream(dir, "__properties_version1.0");
    if (bytes.size() < headerSize || (bytes.size() - headerSize) % 16 != 0) {
        throw std::runtime_error("property stream of a wrong size");
    }
    std::vector<Entry> out;
    for (size_t off = headerSize; off < bytes.size(); off += 16) {
        Entry e{u32(bytes, off), u32(bytes, off + 4), {}};
        std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(off + 8), 8, e.slot.begin());
        out.push_back(e);
    }
    return out;
}

// A storage's class id in hex; empty when it has none.
std::string classId(Node dir) {
    const cfb::ClassId clsid = dir.file->classId(dir.id);
    if (std::all_of(clsid.begin(), clsid.end(), [](uint8_t b) { return b == 0; })) return {};
    return hex(clsid);
}

std::string streamName(mapi::PropTag tag) {
    return "__substg1.0_" + hex8(tag);
}

mapi::PropValue readValue(Node dir, const Entry& e) {
    const PropType type = mapi::tagType(e.tag);
    const PropType base = mapi::baseType(type);
    if (mapi::isMultiValued(type) && mapi::fixedSize(base) == 0) {
        const auto lengths = readStream(dir, streamName(e.tag));
        const size_t width = base == PropType::Binary ? 8 : 4;
        std::vector<std::vector<uint8_t>> values;
        for (size_t i = 0; i < lengths.size() / width; ++i) {
            values.push_back(readStream(dir, streamName(e.tag) + "-" + hex8(uint32_t(i))));
        }
        return multiValue(type, values);
    }
    if (!mapi::isMultiValued(type) && type != PropType::Guid && mapi::fixedSize(type) > 0) {
        return {type, {e.slot.begin(), e.slot.begin() + mapi::fixedSize(type)}};
    }
    if (type == PropType::Null || type == PropType::Unspecified) return {type, {}};
    return {type, readStream(dir, streamName(e.tag))};
}

template <class T>
std::vector<Entry> readValues(Node dir, size_t headerSize, uint32_t cp, T& out) {
    out.cp = cp;
    auto entries = readEntries(dir, headerSize);
    for (const Entry& e : entries) {
        // An object entry stands for a storage, which the caller reads.
        out.values.emplace_back(e.tag, mapi::tagType(e.tag) == PropType::Object
                                           ? mapi::PropValue{PropType::Object, {}}
                                           : readValue(dir, e));
    }
    return entries;
}

// The child storages whose names start with `prefix`, in the order of their numbers.
std::vector<Node> numbered(Node dir, const std::string& prefix) {
    std::vector<std::pair<std::string, Node>> found;
    for (const Node in : children(dir)) {
        const std::string name = in.name();
        if (name.rfind(prefix, 0) == 0) found.emplace_back(name, in);
    }
    std::sort(found.begin(), found.end(), [](auto& a, auto& b) { return a.first < b.first; });
    std::vector<Node> out;
    for (auto& f : found) out.push_back(f.second);
    return out;
}

uint32_t codepageOf(const PlainItem& item) {
    for (uint16_t id : {mapi::prop::kInternetCodepage, mapi::prop::kMessageCodepage}) {
        if (auto* v = item.find(id); v && v->asInteger())
            return static_cast<uint32_t>(*v->asInteger());
    }
    return 1252;
}

PlainItem readMessage(Node dir, size_t headerSize) {
    PlainItem item;
    readValues(dir, headerSize, 1252, item);
    item.cp = codepageOf(item);
    for (auto& r : numbered(dir, "__recip_version1.0_#")) {
        readValues(r, 8, item.cp, item.recipientRows.emplace_back());
    }
    for (auto& a : numbered(dir, "__attach_version1.0_#")) {
        const Node d = a;
        PlainAttachment& att = item.attachmentList.emplace_back();
        const auto entries = readValues(d, 8, item.cp, att);
        const bool hasObject = std::any_of(entries.begin(), entries.end(), [](const Entry& e) {
            return e.tag == mapi::makeTag(mapi::prop::kAttachData, PropType::Object);
        });
        if (!hasObject) continue;
        auto sub = child(d, "__substg1.0_3701000D");
        if (!sub || !isStorage(*sub)) throw std::runtime_error("object entry without storage");
        if (child(*sub, "__properties_version1.0")) {
            att.embedded = std::make_shared<PlainItem>(readMessage(*sub, 24));
        } else {
            att.object.emplace();  // an OLE object's storage: its contents are not read back
        }
    }
    return item;
}

struct OpenMsg {
    CompoundFileReader file;
    explicit OpenMsg(const std::filesystem::path& path) : file(open(path)) {}
    Node dir() const { return {&file, file.root()}; }

  private:
    static CompoundFileReader open(const std::filesystem::path& path) {
        try {
            return CompoundFileReader::open(path);
        } catch (const cfb::CfbError& e) {
            throw std::runtime_error(path.string() + ": " + e.what());
        }
    }
};

class LayoutWriter {
  public:
    explicit LayoutWriter(std::map<uint16_t, mapi::NamedProperty> names)
        : names_(std::move(names)) {}

    void walk(Node dir, const std::string& path, size_t headerSize) {
        for (const Node in : children(dir)) {
            const std::string name = in.name();
            if (path.empty() && name == "__nameid_version1.0") continue;
            const std::string full = path + "/" + shown(name);
            if (isStorage(in)) {
                lines.push_back("storage " + full);
                const Node sub = in;
                if (const std::string id = classId(sub); !id.empty()) {
                    lines.push_back("class " + full + " " + id);
                }
                const bool message = name == "__substg1.0_3701000D";
                walk(sub, full, message ? 24 : 8);
            } else if (name == "__properties_version1.0") {
                entries(dir, path, headerSize);
            } else {
                lines.push_back("stream " + full + " " + std::to_string(streamSize(in)));
            }
        }
    }
    void names() {
        for (const auto& [id, name] : names_) lines.push_back("name " + nameText(name));
    }

    std::vector<std::string> lines;

  private:
    void entries(Node dir, const std::string& path, size_t headerSize) {
        const auto bytes = readStream(dir, "__properties_version1.0");
        lines.push_back("header " + path + " " +
                        hex({bytes.data() + 8, std::min(bytes.size(), headerSize) - 8}));
        for (const Entry& e : readEntries(dir, headerSize)) {
            const PropType type = mapi::tagType(e.tag);
            const bool inSlot =
                !mapi::isMultiValued(type) && type != PropType::Guid && mapi::fixedSize(type) > 0;
            uint32_t size = u32({e.slot.begin(), e.slot.end()}, 0);
            if (type == PropType::Unicode) {
                // A string's entry counts a terminator its stream leaves out.
                auto value = child(dir, streamName(e.tag));
                if (!value || size != value->file->streamSize(value->id) + 2) {
                    lines.push_back("bad size " + path + " " + hex8(e.tag));
                }
                size = value ? static_cast<uint32_t>(streamSize(*value)) + 2 : 0;
            }
            lines.push_back("entry " + path + " " + shown(hex8(e.tag)) +
                            " flags=" + std::to_string(e.flags) +
                            (inSlot ? " value=" + hex({e.slot.data(), mapi::fixedSize(type)})
                                    : " size=" + std::to_string(size)));
        }
    }

    // The size of a stream; for a string, of its text: Outlook keeps the terminator of some
    // strings in their streams, which is not part of the value.
    static uint64_t streamSize(Node in) {
        const std::string name = in.name();
        if (name.size() != 20 || name.substr(16) != "001F") return in.file->streamSize(in.id);
        auto text = readAll(in);
        while (text.size() >= 2 && text[text.size() - 1] == 0 && text[text.size() - 2] == 0) {
            text.resize(text.size() - 2);
        }
        return text.size();
    }

    // A stream name or tag with a named id replaced by the name it stands for.
    std::string shown(const std::string& name) const {
        const size_t at = name.rfind("__substg1.0_", 0) == 0 ? 12 : 0;
        if (name.size() < at + 8 || (at == 0 && name.size() != 8)) return name;
        const std::string id = name.substr(at, 4);
        if (id.find_first_not_of("0123456789ABCDEF") != std::string::npos) return name;
        auto it = names_.find(static_cast<uint16_t>(std::stoul(id, nullptr, 16)));
        if (it == names_.end() || it->first < 0x8000) return name;
        return name.substr(0, at) + "{" + nameText(it->second) + "}" + name.substr(at + 4);
    }

    std::map<uint16_t, mapi::NamedProperty> names_;
};

}  // namespace

mapi::PropValue multiValue(mapi::PropType type, const std::vector<std::vector<uint8_t>>& values) {
    std::vector<uint8_t> out;
    auto put = [&](uint32_t v) {
        for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
    };
    put(static_cast<uint32_t>(values.size()));
    size_t offset = 4 + 4 * values.size();
    for (const auto& v : values) {
        put(static_cast<uint32_t>(offset));
        offset += v.size();
    }
    for (const auto& v : values) out.insert(out.end(), v.begin(), v.end());
    return {type, out};
}

std::string nameText(const mapi::NamedProperty& name) {
    return name.guid.toString() + (name.isString ? "/s:" + name.name : "/n:" + hex8(name.lid));
}

PlainItem readMsgFile(const std::filesystem::path& path) {
    OpenMsg msg(path);
    PlainItem item = readMessage(msg.dir(), 32);
    item.names = readNames(msg.dir());
    return item;
}

std::map<std::string, std::vector<uint8_t>> storageStreams(const std::filesystem::path& path,
                                                           const std::string& storage) {
    OpenMsg msg(path);
    auto dir = child(msg.dir(), storage);
    if (!dir || !isStorage(*dir)) throw std::runtime_error("no storage " + storage);
    std::map<std::string, std::vector<uint8_t>> out;
    for (const Node in : children(*dir)) {
        out[in.name()] = isStorage(in) ? std::vector<uint8_t>{} : readAll(in);
    }
    return out;
}

std::vector<std::string> msgLayout(const std::filesystem::path& path) {
    OpenMsg msg(path);
    LayoutWriter layout(readNames(msg.dir()));
    layout.lines.push_back("class / " + classId(msg.dir()));
    layout.walk(msg.dir(), "", 32);
    layout.names();
    std::sort(layout.lines.begin(), layout.lines.end());
    return layout.lines;
}

}  // namespace pellmark::test
