#include "cfb/CompoundFileWriter.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "cfb/CfbFormat.h"

namespace pellmark::cfb {

using namespace format;

namespace {

constexpr size_t kFlushAt = 1 << 20;  // bytes gathered before one write to the file
constexpr uint64_t kVersion3StreamLimit = 0xFFFFFFFF;

[[noreturn]] void ioFail(const std::filesystem::path& path, int error) {
    throw CfbError("cannot write " + path.string() + ": " + std::strerror(error));
}

}  // namespace

struct CompoundFileWriter::State {
    struct Entry {
        Entry(std::u16string n, EntryType t) : name(std::move(n)), type(t) {}
        std::u16string name;
        EntryType type;
        ClassId classId{};
        uint32_t start = kEndOfChain;
        uint64_t size = 0;
        std::vector<EntryId> children;
        uint32_t left = kNoStream, right = kNoStream, child = kNoStream;
        Color color = Color::Black;
    };

    std::filesystem::path path;
    std::optional<Version> asked;
    Version version = Version::V3;
    uint32_t sectorSize = 512;
    int fd = -1;
    std::vector<uint8_t> out;  // appended sectors not yet written
    uint32_t sectors = 0;      // sectors appended so far
    std::vector<uint32_t> fat;
    std::vector<uint32_t> miniFat;
    std::vector<uint8_t> miniSector;  // the mini stream's sector being filled
    uint32_t miniLast = kEndOfChain;  // the mini stream's last sector in the file
    std::vector<Entry> entries;

    bool streamOpen = false;
    EntryId stream = 0;
    bool big = false;
    uint32_t lastSector = kEndOfChain;
    std::vector<uint8_t> pending;  // a stream's bytes not yet in a sector

    ~State() {
        if (fd >= 0) ::close(fd);
    }

    EntryId add(EntryId parent, std::string_view name, EntryType type);
    uint32_t append(std::span<const uint8_t> bytes);
    uint32_t appendChained(std::span<const uint8_t> bytes, uint32_t& last);
    void flush();
    void emitFull(std::span<const uint8_t>& bytes);
    void addToMiniStream(std::span<const uint8_t> bytes, Entry& entry);
    void buildTree(EntryId storage);
    uint32_t treeOf(std::vector<EntryId>& sorted, size_t lo, size_t hi, int depth, int redAt);
    uint32_t writeTable(const std::vector<uint32_t>& table);
    uint32_t writeDirectory();
    void writeFatAndHeader(uint32_t firstDir, uint32_t dirSectors, uint32_t firstMiniFat,
                           uint32_t miniFatSectors);
};

EntryId CompoundFileWriter::State::add(EntryId parent, std::string_view name, EntryType type) {
    if (parent >= entries.size() || entries[parent].type == EntryType::Stream) {
        throw CfbError("compound file: entry " + std::to_string(parent) + " is no storage");
    }
    std::u16string units = utf8ToUtf16(name);
    if (units.empty() || units.size() > kMaxNameUnits ||
        units.find_first_of(u"/\\:!") != std::u16string::npos) {
        throw CfbError("compound file: \"" + std::string(name) +
                       "\" cannot name an entry (1 to 31 units, without / \\ : !)");
    }
    const auto id = static_cast<EntryId>(entries.size());
    entries.emplace_back(std::move(units), type);
    entries[parent].children.push_back(id);
    return id;
}

uint32_t CompoundFileWriter::State::append(std::span<const uint8_t> bytes) {
    out.insert(out.end(), bytes.begin(), bytes.end());
    out.resize(out.size() + (sectorSize - bytes.size()), 0);
    fat.push_back(kEndOfChain);
    if (out.size() >= kFlushAt) flush();
    return sectors++;
}

// Appends a sector to the chain that ends at `last`.
uint32_t CompoundFileWriter::State::appendChained(std::span<const uint8_t> bytes, uint32_t& last) {
    const uint32_t sector = append(bytes);
    if (last != kEndOfChain) fat[last] = sector;
    last = sector;
    return sector;
}

void CompoundFileWriter::State::flush() {
    size_t done = 0;
    while (done < out.size()) {
        const ssize_t n = ::write(fd, out.data() + done, out.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) ioFail(path, errno);
        done += static_cast<size_t>(n);
    }
    out.clear();
}

// Writes the whole sectors at the front of `bytes` to the open stream's chain.
void CompoundFileWriter::State::emitFull(std::span<const uint8_t>& bytes) {
    Entry& e = entries[stream];
    for (; bytes.size() >= sectorSize; bytes = bytes.subspan(sectorSize)) {
        const uint32_t sector = appendChained(bytes.first(sectorSize), lastSector);
        if (e.start == kEndOfChain) e.start = sector;
    }
}

void CompoundFileWriter::State::addToMiniStream(std::span<const uint8_t> bytes, Entry& entry) {
    Entry& root = entries[0];
    const auto first = static_cast<uint32_t>(miniFat.size());
    const size_t count = (bytes.size() + kMiniSectorSize - 1) / kMiniSectorSize;
    for (size_t i = 0; i < count; ++i) {
        miniFat.push_back(i + 1 < count ? first + static_cast<uint32_t>(i) + 1 : kEndOfChain);
    }
    entry.start = first;
    miniSector.insert(miniSector.end(), bytes.begin(), bytes.end());
    miniSector.resize(miniSector.size() + (count * kMiniSectorSize - bytes.size()), 0);
    root.size += count * kMiniSectorSize;
    while (miniSector.size() >= sectorSize) {
        const uint32_t sector = appendChained({miniSector.data(), sectorSize}, miniLast);
        if (root.start == kEndOfChain) root.start = sector;
        miniSector.erase(miniSector.begin(), miniSector.begin() + sectorSize);
    }
}

CompoundFileWriter::CompoundFileWriter(const std::filesystem::path& path,
                                       std::optional<Version> version)
    : state_(std::make_unique<State>()) {
    State& s = *state_;
    s.path = path;
    s.asked = version;
    s.version = version.value_or(Version::V3);
    s.sectorSize = s.version == Version::V4 ? 4096 : 512;
    s.fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (s.fd < 0) ioFail(path, errno);
    s.out.reserve(kFlushAt + s.sectorSize);
    s.out.assign(s.sectorSize, 0);  // the header's place, written last
    s.entries.emplace_back(u"Root Entry", EntryType::Root);
}

CompoundFileWriter::~CompoundFileWriter() = default;

EntryId CompoundFileWriter::addStorage(EntryId parent, std::string_view name) {
    if (state_->streamOpen) throw CfbError("compound file: a stream is still open");
    return state_->add(parent, name, EntryType::Storage);
}

void CompoundFileWriter::setClassId(EntryId storage, const ClassId& id) {
    if (storage >= state_->entries.size()) {
        throw CfbError("compound file: no entry " + std::to_string(storage));
    }
    state_->entries[storage].classId = id;
}

void CompoundFileWriter::beginStream(EntryId parent, std::string_view name) {
    State& s = *state_;
    if (s.streamOpen) throw CfbError("compound file: a stream is still open");
    s.stream = s.add(parent, name, EntryType::Stream);
    s.streamOpen = true;
    s.big = false;
    s.lastSector = kEndOfChain;
    s.pending.clear();
}

void CompoundFileWriter::write(std::span<const uint8_t> bytes) {
    State& s = *state_;
    if (!s.streamOpen) throw CfbError("compound file: no stream is open");
    State::Entry& e = s.entries[s.stream];
    e.size += bytes.size();
    if (!s.asked && e.size > kVersion3StreamLimit) {
        throw CfbError("compound file: a stream of more than 4 GiB");
    }
    if (!s.big) {
        if (s.pending.size() + bytes.size() < kMiniStreamCutoff) {
            s.pending.insert(s.pending.end(), bytes.begin(), bytes.end());
            return;
        }
        s.big = true;  // from here on, the stream goes to the file as it comes
    }
    if (!s.pending.empty()) {
        const size_t take = std::min(bytes.size(), s.sectorSize - s.pending.size() % s.sectorSize);
        s.pending.insert(s.pending.end(), bytes.begin(), bytes.begin() + take);
        bytes = bytes.subspan(take);
        std::span<const uint8_t> held(s.pending);
        s.emitFull(held);
        s.pending.erase(s.pending.begin(), s.pending.end() - held.size());
    }
    s.emitFull(bytes);
    s.pending.insert(s.pending.end(), bytes.begin(), bytes.end());
}

void CompoundFileWriter::endStream() {
    State& s = *state_;
    if (!s.streamOpen) throw CfbError("compound file: no stream is open");
    State::Entry& e = s.entries[s.stream];
    if (s.big) {
        if (!s.pending.empty()) {
            const uint32_t sector = s.appendChained(s.pending, s.lastSector);
            if (e.start == kEndOfChain) e.start = sector;
        }
    } else if (!s.pending.empty()) {
        s.addToMiniStream(s.pending, e);
    }
    s.pending.clear();
    s.streamOpen = false;
}

void CompoundFileWriter::addStream(EntryId parent, std::string_view name,
                                   std::span<const uint8_t> bytes) {
    beginStream(parent, name);
    write(bytes);
    endStream();
}

// A storage's children as a balanced tree in name order. Built by halves, every level is full
// but the last; its nodes are red and all others black, so every path holds as many black
// nodes, as a red-black tree must.
void CompoundFileWriter::State::buildTree(EntryId storage) {
    std::vector<EntryId> sorted = entries[storage].children;
    std::sort(sorted.begin(), sorted.end(), [this](EntryId a, EntryId b) {
        return compareNames(entries[a].name, entries[b].name) < 0;
    });
    for (size_t i = 1; i < sorted.size(); ++i) {
        if (compareNames(entries[sorted[i - 1]].name, entries[sorted[i]].name) == 0) {
            throw CfbError("compound file: two entries named \"" +
                           utf16ToUtf8(entries[sorted[i]].name) + "\" in one storage");
        }
    }
    int levels = 0;
    while ((size_t{1} << (levels + 1)) <= sorted.size()) ++levels;
    entries[storage].child = treeOf(sorted, 0, sorted.size(), 0, levels > 0 ? levels : -1);
}

uint32_t CompoundFileWriter::State::treeOf(std::vector<EntryId>& sorted, size_t lo, size_t hi,
                                           int depth, int redAt) {
    if (lo >= hi) return kNoStream;
    const size_t mid = lo + (hi - lo) / 2;
    Entry& e = entries[sorted[mid]];
    e.color = depth == redAt ? Color::Red : Color::Black;
    e.left = treeOf(sorted, lo, mid, depth + 1, redAt);
    e.right = treeOf(sorted, mid + 1, hi, depth + 1, redAt);
    return sorted[mid];
}

// Writes `table` as a chain of sectors; returns the first, or end-of-chain for none.
uint32_t CompoundFileWriter::State::writeTable(const std::vector<uint32_t>& table) {
    const size_t perSector = sectorSize / 4;
    uint32_t first = kEndOfChain, last = kEndOfChain;
    std::vector<uint8_t> sector(sectorSize);
    for (size_t at = 0; at < table.size(); at += perSector) {
        for (size_t i = 0; i < perSector; ++i) {
            put32(sector, 4 * i, at + i < table.size() ? table[at + i] : kFreeSector);
        }
        const uint32_t s = appendChained(sector, last);
        if (first == kEndOfChain) first = s;
    }
    return first;
}

uint32_t CompoundFileWriter::State::writeDirectory() {
    for (EntryId id = 0; id < entries.size(); ++id) {
        if (entries[id].type != EntryType::Stream) buildTree(id);
    }
    const size_t perSector = sectorSize / kDirEntrySize;
    uint32_t first = kEndOfChain, last = kEndOfChain;
    std::vector<uint8_t> sector(sectorSize);
    for (size_t at = 0; at < entries.size(); at += perSector) {
        std::fill(sector.begin(), sector.end(), 0);
        for (size_t i = 0; i < perSector; ++i) {
            const std::span<uint8_t> raw(sector.data() + i * kDirEntrySize, kDirEntrySize);
            put32(raw, kLeftAt, kNoStream);
            put32(raw, kRightAt, kNoStream);
            put32(raw, kChildAt, kNoStream);
            if (at + i >= entries.size()) continue;
            const Entry& e = entries[at + i];
            for (size_t u = 0; u < e.name.size(); ++u) put16(raw, 2 * u, e.name[u]);
            put16(raw, kNameLengthAt, static_cast<uint16_t>(2 * e.name.size() + 2));
            raw[kTypeAt] = static_cast<uint8_t>(e.type);
            raw[kColorAt] = static_cast<uint8_t>(e.color);
            put32(raw, kLeftAt, e.left);
            put32(raw, kRightAt, e.right);
            put32(raw, kChildAt, e.child);
            std::copy(e.classId.begin(), e.classId.end(), raw.begin() + kClassIdAt);
            put32(raw, kStartSectorAt, e.type == EntryType::Storage ? 0 : e.start);
            put64(raw, kSizeAt, e.size);
        }
        const uint32_t s = appendChained(sector, last);
        if (first == kEndOfChain) first = s;
    }
    return first;
}

// The FAT covers every sector, its own and the DIFAT's among them; the header lists the first
// 109 FAT sectors and the DIFAT sectors the rest.
void CompoundFileWriter::State::writeFatAndHeader(uint32_t firstDir, uint32_t dirSectors,
                                                  uint32_t firstMiniFat, uint32_t miniFatSectors) {
    const uint32_t perSector = sectorSize / 4;
    uint32_t fatSectors = 0, difatSectors = 0;
    for (;;) {
        const uint64_t total = uint64_t{sectors} + fatSectors + difatSectors;
        const uint32_t needFat = static_cast<uint32_t>((total + perSector - 1) / perSector);
        const uint32_t needDifat =
            needFat > kHeaderDifatEntries
                ? (needFat - kHeaderDifatEntries + perSector - 2) / (perSector - 1)
                : 0;
        if (needFat == fatSectors && needDifat == difatSectors) break;
        fatSectors = needFat;
        difatSectors = needDifat;
    }
    const uint32_t firstFat = sectors;
    const uint32_t firstDifat = sectors + fatSectors;
    fat.resize(size_t{fatSectors} * perSector, kFreeSector);
    for (uint32_t i = 0; i < fatSectors; ++i) fat[firstFat + i] = kFatSector;
    for (uint32_t i = 0; i < difatSectors; ++i) fat[firstDifat + i] = kDifatSector;
    std::vector<uint8_t> sector(sectorSize);
    for (uint32_t at = 0; at < fatSectors; ++at) {
        for (uint32_t i = 0; i < perSector; ++i) put32(sector, 4 * i, fat[at * perSector + i]);
        out.insert(out.end(), sector.begin(), sector.end());
        if (out.size() >= kFlushAt) flush();
    }
    uint32_t listed = kHeaderDifatEntries;
    for (uint32_t d = 0; d < difatSectors; ++d) {
        for (uint32_t i = 0; i + 1 < perSector; ++i, ++listed) {
            put32(sector, 4 * i, listed < fatSectors ? firstFat + listed : kFreeSector);
        }
        put32(sector, 4 * (perSector - 1), d + 1 < difatSectors ? firstDifat + d + 1 : kEndOfChain);
        out.insert(out.end(), sector.begin(), sector.end());
    }
    flush();

    std::vector<uint8_t> header(kHeaderSize, 0);
    std::copy(std::begin(kSignature), std::end(kSignature), header.begin());
    put16(header, kMinorVersionAt, 0x3E);
    put16(header, kMajorVersionAt, static_cast<uint16_t>(version));
    put16(header, kByteOrderAt, 0xFFFE);
    put16(header, kSectorShiftAt, version == Version::V4 ? 12 : 9);
    put16(header, kMiniSectorShiftAt, 6);
    put32(header, kDirSectorCountAt, version == Version::V4 ? dirSectors : 0);
    put32(header, kFatSectorCountAt, fatSectors);
    put32(header, kFirstDirSectorAt, firstDir);
    put32(header, kCutoffAt, kMiniStreamCutoff);
    put32(header, kFirstMiniFatSectorAt, firstMiniFat);
    put32(header, kMiniFatSectorCountAt, miniFatSectors);
    put32(header, kFirstDifatSectorAt, difatSectors ? firstDifat : kEndOfChain);
    put32(header, kDifatSectorCountAt, difatSectors);
    for (uint32_t i = 0; i < kHeaderDifatEntries; ++i) {
        put32(header, kHeaderDifatAt + 4 * i, i < fatSectors ? firstFat + i : kFreeSector);
    }
    if (::pwrite(fd, header.data(), header.size(), 0) != static_cast<ssize_t>(header.size())) {
        ioFail(path, errno);
    }
}

void CompoundFileWriter::commit() {
    State& s = *state_;
    if (s.streamOpen) throw CfbError("compound file: a stream is still open");
    if (!s.miniSector.empty()) {
        const uint32_t sector = s.appendChained(s.miniSector, s.miniLast);
        if (s.entries[0].start == kEndOfChain) s.entries[0].start = sector;
        s.miniSector.clear();
    }
    const uint32_t miniFatFrom = s.sectors;
    const uint32_t firstMiniFat = s.writeTable(s.miniFat);
    const uint32_t miniFatSectors = s.sectors - miniFatFrom;
    const uint32_t dirFrom = s.sectors;
    const uint32_t firstDir = s.writeDirectory();
    s.writeFatAndHeader(firstDir, s.sectors - dirFrom, firstMiniFat, miniFatSectors);
    const uint64_t size = (uint64_t{s.sectors} + 1) * s.sectorSize;
    const int fd = std::exchange(s.fd, -1);
    if (::close(fd) != 0) ioFail(s.path, errno);
    if (s.asked || size <= kVersion3Limit) return;
    // Past the limit: laid out again with 4,096-byte sectors, through a copy beside it.
    auto next = s.path;
    next += ".v4";
    {
        const auto source = CompoundFileReader::open(s.path);
        CompoundFileWriter target(next, Version::V4);
        copyStorage(source, source.root(), target, target.root());
        target.commit();
    }
    std::error_code error;
    std::filesystem::rename(next, s.path, error);
    if (error) throw CfbError("cannot write " + s.path.string() + ": " + error.message());
}

void copyStorage(const CompoundFileReader& source, EntryId from, CompoundFileWriter& target,
                 EntryId to) {
    constexpr size_t kPiece = 256 * 1024;
    std::vector<uint8_t> piece;
    std::vector<std::pair<EntryId, EntryId>> todo{{from, to}};
    while (!todo.empty()) {
        const auto [in, out] = todo.back();
        todo.pop_back();
        target.setClassId(out, source.classId(in));
        for (const EntryId child : source.children(in)) {
            if (source.isStorage(child)) {
                todo.emplace_back(child, target.addStorage(out, source.name(child)));
                continue;
            }
            const uint64_t size = source.streamSize(child);
            piece.resize(static_cast<size_t>(std::min<uint64_t>(size, kPiece)));
            target.beginStream(out, source.name(child));
            for (uint64_t at = 0; at < size;) {
                const size_t n = source.readStream(child, at, piece);
                target.write({piece.data(), n});
                at += n;
            }
            target.endStream();
        }
    }
}

}  // namespace pellmark::cfb
