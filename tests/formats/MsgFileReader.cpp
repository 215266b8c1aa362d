#include "formats/MsgFileReader.h"

#include <gsf/gsf.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <stdexcept>

#include "mapi/CodepageText.h"
#include "mapi/Tags.h"

namespace pellmark::test {
namespace {

using mapi::PropType;

struct Unref {
    void operator()(void* p) const { g_object_unref(p); }
};
using Input = std::unique_ptr<GsfInput, Unref>;

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

bool isStorage(GsfInput* in) {
    // In a compound file, streams answer -1 when asked for their children.
    return GSF_IS_INFILE(in) && gsf_infile_num_children(GSF_INFILE(in)) >= 0;
}

Input child(GsfInfile* dir, const std::string& name) {
    return Input(gsf_infile_child_by_name(dir, name.c_str()));
}

std::vector<uint8_t> readAll(GsfInput* in) {
    const auto size = static_cast<size_t>(gsf_input_size(in));
    std::vector<uint8_t> out(size);
    if (size > 0 && !gsf_input_read(in, size, out.data())) {
        throw std::runtime_error("cannot read stream " + std::string(gsf_input_name(in)));
    }
    return out;
}

std::vector<uint8_t> readStream(GsfInfile* dir, const std::string& name) {
    Input in = child(dir, name);
    if (!in) throw std::runtime_error("missing stream " + name);
    return readAll(in.get());
}

std::map<uint16_t, mapi::NamedProperty> readNames(GsfInfile* root) {
    std::map<uint16_t, mapi::NamedProperty> names;
    Input dir = child(root, "__nameid_version1.0");
    if (!dir) throw std::runtime_error("no named-property mapping");
    auto* d = GSF_INFILE(dir.get());
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

std::vector<Entry> readEntries(GsfInfile* dir, size_t headerSize) {
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
std::string classId(GsfInfile* dir) {
    guint8 clsid[16];
    if (!gsf_infile_msole_get_class_id(GSF_INFILE_MSOLE(dir), clsid)) return {};
    if (std::all_of(clsid, clsid + 16, [](guint8 b) { return b == 0; })) return {};
    return hex(clsid);
}

std::string streamName(mapi::PropTag tag) {
    return "__substg1.0_" + hex8(tag);
}

mapi::PropValue readValue(GsfInfile* dir, const Entry& e) {
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
std::vector<Entry> readValues(GsfInfile* dir, size_t headerSize, uint32_t cp, T& out) {
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
std::vector<Input> numbered(GsfInfile* dir, const std::string& prefix) {
    std::vector<std::pair<std::string, Input>> found;
    for (int i = 0; i < gsf_infile_num_children(dir); ++i) {
        Input in(gsf_infile_child_by_index(dir, i));
        const std::string name = gsf_input_name(in.get());
        if (name.rfind(prefix, 0) == 0) found.emplace_back(name, std::move(in));
    }
    std::sort(found.begin(), found.end(), [](auto& a, auto& b) { return a.first < b.first; });
    std::vector<Input> out;
    for (auto& f : found) out.push_back(std::move(f.second));
    return out;
}

uint32_t codepageOf(const PlainItem& item) {
    for (uint16_t id : {mapi::prop::kInternetCodepage, mapi::prop::kMessageCodepage}) {
        if (auto* v = item.find(id); v && v->asInteger())
            return static_cast<uint32_t>(*v->asInteger());
    }
    return 1252;
}

PlainItem readMessage(GsfInfile* dir, size_t headerSize) {
    PlainItem item;
    readValues(dir, headerSize, 1252, item);
    item.cp = codepageOf(item);
    for (auto& r : numbered(dir, "__recip_version1.0_#")) {
        readValues(GSF_INFILE(r.get()), 8, item.cp, item.recipientRows.emplace_back());
    }
    for (auto& a : numbered(dir, "__attach_version1.0_#")) {
        auto* d = GSF_INFILE(a.get());
        PlainAttachment& att = item.attachmentList.emplace_back();
        const auto entries = readValues(d, 8, item.cp, att);
        const bool hasObject = std::any_of(entries.begin(), entries.end(), [](const Entry& e) {
            return e.tag == mapi::makeTag(mapi::prop::kAttachData, PropType::Object);
        });
        if (!hasObject) continue;
        Input sub = child(d, "__substg1.0_3701000D");
        if (!sub || !isStorage(sub.get())) throw std::runtime_error("object entry without storage");
        if (child(GSF_INFILE(sub.get()), "__properties_version1.0")) {
            att.embedded = std::make_shared<PlainItem>(readMessage(GSF_INFILE(sub.get()), 24));
        } else {
            att.object.emplace();  // an OLE object's storage: its contents are not read back
        }
    }
    return item;
}

struct OpenMsg {
    Input input;
    Input root;
    explicit OpenMsg(const std::filesystem::path& path) {
        gsf_init();
        input.reset(gsf_input_stdio_new(path.c_str(), nullptr));
        if (input) root.reset(GSF_INPUT(gsf_infile_msole_new(input.get(), nullptr)));
        if (!root) throw std::runtime_error("not a compound file: " + path.string());
    }
    GsfInfile* dir() const { return GSF_INFILE(root.get()); }
};

class LayoutWriter {
  public:
    explicit LayoutWriter(std::map<uint16_t, mapi::NamedProperty> names)
        : names_(std::move(names)) {}

    void walk(GsfInfile* dir, const std::string& path, size_t headerSize) {
        for (int i = 0; i < gsf_infile_num_children(dir); ++i) {
            Input in(gsf_infile_child_by_index(dir, i));
            const std::string name = gsf_input_name(in.get());
            if (path.empty() && name == "__nameid_version1.0") continue;
            const std::string full = path + "/" + shown(name);
            if (isStorage(in.get())) {
                lines.push_back("storage " + full);
                auto* sub = GSF_INFILE(in.get());
                if (const std::string id = classId(sub); !id.empty()) {
                    lines.push_back("class " + full + " " + id);
                }
                const bool message = name == "__substg1.0_3701000D";
                walk(sub, full, message ? 24 : 8);
            } else if (name == "__properties_version1.0") {
                entries(dir, path, headerSize);
            } else {
                lines.push_back("stream " + full + " " + std::to_string(streamSize(in.get())));
            }
        }
    }
    void names() {
        for (const auto& [id, name] : names_) lines.push_back("name " + nameText(name));
    }

    std::vector<std::string> lines;

  private:
    void entries(GsfInfile* dir, const std::string& path, size_t headerSize) {
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
                Input value = child(dir, streamName(e.tag));
                if (!value || size != gsf_input_size(value.get()) + 2) {
                    lines.push_back("bad size " + path + " " + hex8(e.tag));
                }
                size = value ? static_cast<uint32_t>(streamSize(value.get())) + 2 : 0;
            }
            lines.push_back("entry " + path + " " + shown(hex8(e.tag)) +
                            " flags=" + std::to_string(e.flags) +
                            (inSlot ? " value=" + hex({e.slot.data(), mapi::fixedSize(type)})
                                    : " size=" + std::to_string(size)));
        }
    }

    // The size of a stream; for a string, of its text: Outlook keeps the terminator of some
    // strings in their streams, which is not part of the value.
    static gsf_off_t streamSize(GsfInput* in) {
        const std::string name = gsf_input_name(in);
        if (name.size() != 20 || name.substr(16) != "001F") return gsf_input_size(in);
        auto text = readAll(in);
        while (text.size() >= 2 && text[text.size() - 1] == 0 && text[text.size() - 2] == 0) {
            text.resize(text.size() - 2);
        }
        return static_cast<gsf_off_t>(text.size());
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
    Input dir = child(msg.dir(), storage);
    if (!dir || !isStorage(dir.get())) throw std::runtime_error("no storage " + storage);
    std::map<std::string, std::vector<uint8_t>> out;
    for (int i = 0; i < gsf_infile_num_children(GSF_INFILE(dir.get())); ++i) {
        Input in(gsf_infile_child_by_index(GSF_INFILE(dir.get()), i));
        out[gsf_input_name(in.get())] = readAll(in.get());
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
