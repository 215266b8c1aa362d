#include "cfb/CompoundFileReader.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "cfb/CfbFormat.h"

namespace pellmark::cfb {

using namespace format;

namespace {

[[noreturn]] void fail(const std::string& what) {
    throw CfbError("damaged compound file: " + what);
}

std::string sectorText(uint32_t sector) {
    switch (sector) {
        case kEndOfChain:
            return "the end of the chain";
        case kFreeSector:
            return "a free sector";
        case kFatSector:
            return "a FAT sector mark";
        case kDifatSector:
            return "a DIFAT sector mark";
        default:
            return "sector " + std::to_string(sector);
    }
}

}  // namespace

struct CompoundFileReader::State {
    struct Entry {
        std::u16string name;
        EntryType type = EntryType::Unused;
        ClassId classId{};
        uint32_t left = kNoStream, right = kNoStream, child = kNoStream;
        uint32_t start = kEndOfChain;
        uint64_t size = 0;
        bool reached = false;
        std::vector<EntryId> children;                         // storages
        std::vector<std::pair<std::u16string, EntryId>> keys;  // storages: upper name, sorted
        std::vector<uint32_t> chain;                           // streams: (mini) sectors
        bool mini = false;
        std::string fault;  // streams: what is wrong with the chain, read when it is read
    };

    int fd = -1;
    std::vector<uint8_t> bytes;  // the file, when it was given in memory
    uint64_t fileSize = 0;
    uint16_t majorVersion = 3;
    uint32_t sectorSize = 512;
    uint64_t sectorCount = 0;  // sectors that start inside the file
    std::vector<uint32_t> fat;
    std::vector<uint32_t> miniFat;
    std::vector<bool> used;  // sectors already on a chain: a second visit is a loop or a cross
    std::vector<uint32_t> miniStream;  // the mini stream's chain
    uint64_t miniStreamSize = 0;
    std::string miniFault;
    std::vector<Entry> entries;

    State() = default;
    State(const State&) = delete;
    State& operator=(const State&) = delete;
    ~State() {
        if (fd >= 0) ::close(fd);
    }

    void readAt(uint64_t offset, std::span<uint8_t> out) const;
    uint64_t sectorOffset(uint32_t sector) const { return (uint64_t{sector} + 1) * sectorSize; }
    std::vector<uint8_t> readSector(uint32_t sector) const {
        std::vector<uint8_t> out(sectorSize);
        readAt(sectorOffset(sector), out);
        return out;
    }
    std::vector<uint32_t> walk(uint32_t start, uint64_t need, bool toEnd, const std::string& what,
                               const std::vector<uint32_t>& table, std::vector<bool>& seen,
                               uint64_t limit) const;

    void load();
    void readHeader(std::vector<uint8_t>& header);
    void loadFat(std::span<const uint8_t> header);
    void loadDirectory(uint32_t firstSector);
    void loadMiniStream(uint32_t firstMiniFatSector);
    void linkTree();
    void chainStreams();
    const Entry& entry(EntryId id) const {
        if (id >= entries.size() || !entries[id].reached) {
            throw CfbError("compound file: no directory entry " + std::to_string(id));
        }
        return entries[id];
    }
    void readMini(uint64_t offset, std::span<uint8_t> out) const;
};

void CompoundFileReader::State::readAt(uint64_t offset, std::span<uint8_t> out) const {
    if (offset > fileSize || fileSize - offset < out.size()) {
        fail("a read of " + std::to_string(out.size()) + " bytes at offset " +
             std::to_string(offset) + " passes the end of the file (" + std::to_string(fileSize) +
             " bytes)");
    }
    if (fd < 0) {
        std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(offset), out.size(), out.begin());
        return;
    }
    size_t done = 0;
    while (done < out.size()) {
        const ssize_t n =
            ::pread(fd, out.data() + done, out.size() - done, static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            throw CfbError(std::string("cannot read the compound file: ") +
                           (n < 0 ? std::strerror(errno) : "it was cut short while open"));
        }
        done += static_cast<size_t>(n);
    }
}

// The chain from `start` through `table`: `need` links, or with `toEnd` every link up to the
// end-of-chain mark. Each link must be below `limit` and not yet in `seen`, which a loop or a
// chain that crosses another would be.
std::vector<uint32_t> CompoundFileReader::State::walk(uint32_t start, uint64_t need, bool toEnd,
                                                      const std::string& what,
                                                      const std::vector<uint32_t>& table,
                                                      std::vector<bool>& seen,
                                                      uint64_t limit) const {
    const bool inMini = &table == &miniFat;
    std::vector<uint32_t> chain;
    uint32_t at = start;
    while (toEnd ? at != kEndOfChain : chain.size() < need) {
        if (at > kMaxRegularSector || at >= limit) {
            if (at == kEndOfChain) {
                fail("the chain of " + what + " ends after " + std::to_string(chain.size()) +
                     " sectors; its size needs " + std::to_string(need));
            }
            fail("the chain of " + what + " points at " + sectorText(at) +
                 (at > kMaxRegularSector ? ""
                  : inMini               ? ", past the end of the mini stream"
                                         : ", past the end of the file"));
        }
        if (seen[at])
            fail("the chain of " + what + " loops or crosses another at sector " +
                 std::to_string(at));
        if (at >= table.size())
            fail("sector " + std::to_string(at) + " of " + what +
                 " has no entry in its allocation table");
        seen[at] = true;
        chain.push_back(at);
        at = table[at];
    }
    return chain;
}

void CompoundFileReader::State::readHeader(std::vector<uint8_t>& header) {
    if (fileSize < kHeaderSize) throw CfbError("not a compound file: shorter than its header");
    header.resize(kHeaderSize);
    readAt(0, header);
    if (!std::equal(std::begin(kSignature), std::end(kSignature), header.begin())) {
        throw CfbError("not a compound file: no compound-file signature");
    }
    majorVersion = get16(header, kMajorVersionAt);
    const uint16_t shift = get16(header, kSectorShiftAt);
    if (majorVersion != 3 && majorVersion != 4) {
        fail("unknown major version " + std::to_string(majorVersion));
    }
    if (shift != 9 && shift != 12) {
        fail("sector shift " + std::to_string(shift) + " (512- or 4,096-byte sectors only)");
    }
    if (get16(header, kMiniSectorShiftAt) != 6) fail("mini sector shift is not 6");
    if (get32(header, kCutoffAt) != kMiniStreamCutoff) fail("mini stream cutoff is not 4,096");
    sectorSize = 1u << shift;
    if (fileSize < sectorSize) fail("shorter than its first sector");
    sectorCount = (fileSize - sectorSize + sectorSize - 1) / sectorSize;
    used.assign(sectorCount, false);
}

void CompoundFileReader::State::loadFat(std::span<const uint8_t> header) {
    const uint32_t fatSectors = get32(header, kFatSectorCountAt);
    const uint32_t difatSectors = get32(header, kDifatSectorCountAt);
    if (fatSectors > sectorCount || difatSectors > sectorCount) {
        fail("the header counts " + std::to_string(fatSectors) + " FAT and " +
             std::to_string(difatSectors) + " DIFAT sectors, more than the file holds");
    }
    std::vector<uint32_t> fatAt;
    for (size_t i = 0; i < kHeaderDifatEntries && fatAt.size() < fatSectors; ++i) {
        fatAt.push_back(get32(header, kHeaderDifatAt + 4 * i));
    }
    const size_t perSector = sectorSize / 4 - 1;
    uint32_t next = get32(header, kFirstDifatSectorAt);
    for (uint32_t n = 0; n < difatSectors && fatAt.size() < fatSectors; ++n) {
        if (next >= sectorCount) fail("the DIFAT points at " + sectorText(next));
        if (used[next]) fail("the DIFAT loops at sector " + std::to_string(next));
        used[next] = true;
        const auto sector = readSector(next);
        for (size_t i = 0; i < perSector && fatAt.size() < fatSectors; ++i) {
            fatAt.push_back(get32(sector, 4 * i));
        }
        next = get32(sector, 4 * perSector);
    }
    if (fatAt.size() < fatSectors) fail("the DIFAT lists fewer FAT sectors than the header counts");
    fat.reserve(size_t{fatSectors} * (sectorSize / 4));
    for (const uint32_t at : fatAt) {
        if (at >= sectorCount) fail("the DIFAT lists " + sectorText(at) + " as a FAT sector");
        if (used[at]) fail("FAT sector " + std::to_string(at) + " is listed twice");
        used[at] = true;
        const auto sector = readSector(at);
        for (size_t i = 0; i < sectorSize; i += 4) fat.push_back(get32(sector, i));
    }
}

void CompoundFileReader::State::loadDirectory(uint32_t firstSector) {
    const auto chain = walk(firstSector, 0, true, "the directory", fat, used, sectorCount);
    if (chain.empty()) fail("the directory is empty");
    entries.resize(chain.size() * (sectorSize / kDirEntrySize));
    size_t id = 0;
    for (const uint32_t sector : chain) {
        const auto bytes = readSector(sector);
        for (size_t at = 0; at < sectorSize; at += kDirEntrySize, ++id) {
            const std::span<const uint8_t> raw(bytes.data() + at, kDirEntrySize);
            Entry& e = entries[id];
            e.type = static_cast<EntryType>(raw[kTypeAt]);
            if (e.type != EntryType::Storage && e.type != EntryType::Stream &&
                e.type != EntryType::Root) {
                e.type = EntryType::Unused;
                continue;
            }
            // The length counts bytes and the terminator; a name without one stops at 32 units.
            const size_t units = std::min<size_t>(get16(raw, kNameLengthAt) / 2, 32);
            for (size_t i = 0; i < units; ++i) {
                const char16_t c = get16(raw, 2 * i);
                if (c == 0) break;
                e.name.push_back(c);
            }
            e.left = get32(raw, kLeftAt);
            e.right = get32(raw, kRightAt);
            e.child = get32(raw, kChildAt);
            std::copy_n(raw.begin() + kClassIdAt, 16, e.classId.begin());
            e.start = get32(raw, kStartSectorAt);
            // Version 3 files may hold anything in the size's high half.
            e.size = majorVersion == 3 ? get32(raw, kSizeAt) : get64(raw, kSizeAt);
        }
    }
    if (entries[0].type != EntryType::Root) fail("the first directory entry is no root storage");
}

void CompoundFileReader::State::loadMiniStream(uint32_t firstMiniFatSector) {
    try {
        const Entry& root = entries[0];
        miniStreamSize = root.size;
        if (miniStreamSize / sectorSize > sectorCount) {
            fail("the mini stream's size (" + std::to_string(miniStreamSize) +
                 " bytes) passes the end of the file");
        }
        miniStream = walk(root.start, (miniStreamSize + sectorSize - 1) / sectorSize, false,
                          "the mini stream", fat, used, sectorCount);
        std::vector<uint32_t> chain;
        if (firstMiniFatSector != kEndOfChain && firstMiniFatSector != kFreeSector) {
            chain = walk(firstMiniFatSector, 0, true, "the mini FAT", fat, used, sectorCount);
        }
        for (const uint32_t sector : chain) {
            const auto bytes = readSector(sector);
            for (size_t i = 0; i < sectorSize; i += 4) miniFat.push_back(get32(bytes, i));
        }
    } catch (const CfbError& e) {
        miniFault = e.what();  // only the small streams are lost
    }
}

// Every storage's children, from the red-black tree under it, in the tree's order. An entry
// reached twice (a cycle, a storage that holds itself, two parents) fails the file.
void CompoundFileReader::State::linkTree() {
    entries[0].reached = true;
    std::vector<EntryId> storages{0};
    std::vector<uint32_t> stack;
    auto visit = [&](uint32_t id, uint32_t from) {
        if (id >= entries.size() || entries[id].type == EntryType::Unused) {
            fail("directory entry " + std::to_string(from) + " links to entry " +
                 std::to_string(id) + ", which does not exist");
        }
        if (entries[id].reached) {
            fail("directory entry " + std::to_string(id) + " is reached twice (entry " +
                 std::to_string(from) + " links to it): the directory has a cycle");
        }
        entries[id].reached = true;
        stack.push_back(id);
    };
    while (!storages.empty()) {
        const EntryId parent = storages.back();
        storages.pop_back();
        std::vector<EntryId> children;
        uint32_t from = parent;
        uint32_t at = entries[parent].child;
        while (at != kNoStream || !stack.empty()) {
            for (; at != kNoStream; at = entries[from].left) {
                visit(at, from);
                from = at;
            }
            from = stack.back();
            stack.pop_back();
            children.push_back(from);
            at = entries[from].right;
        }
        Entry& p = entries[parent];
        for (const EntryId id : children) {
            p.keys.emplace_back(upperName(entries[id].name), id);
            if (entries[id].type != EntryType::Stream) storages.push_back(id);
            if (entries[id].type == EntryType::Root) fail("a second root storage in the directory");
        }
        std::stable_sort(p.keys.begin(), p.keys.end(),
                         [](const auto& a, const auto& b) { return a.first < b.first; });
        p.children = std::move(children);
    }
}

// Each reached stream's chain; a damaged one is remembered and told when the stream is read.
void CompoundFileReader::State::chainStreams() {
    const uint64_t miniSectors = (miniStreamSize + kMiniSectorSize - 1) / kMiniSectorSize;
    std::vector<bool> miniUsed(miniFault.empty() ? miniSectors : 0, false);
    for (size_t id = 0; id < entries.size(); ++id) {
        Entry& e = entries[id];
        if (!e.reached || e.type != EntryType::Stream || e.size == 0) continue;
        const std::string what =
            "stream \"" + utf16ToUtf8(e.name) + "\" (entry " + std::to_string(id) + ")";
        try {
            e.mini = e.size < kMiniStreamCutoff;
            if (e.mini && !miniFault.empty()) fail(what + " is in the mini stream: " + miniFault);
            const uint64_t unit = e.mini ? kMiniSectorSize : sectorSize;
            const uint64_t limit = e.mini ? miniSectors : sectorCount;
            if (e.size / unit > limit) {
                fail("the size of " + what + " (" + std::to_string(e.size) +
                     " bytes) passes the end of the " + (e.mini ? "mini stream" : "file"));
            }
            const uint64_t need = (e.size + unit - 1) / unit;
            e.chain = e.mini ? walk(e.start, need, false, what, miniFat, miniUsed, limit)
                             : walk(e.start, need, false, what, fat, used, limit);
        } catch (const CfbError& error) {
            e.fault = error.what();
            e.chain.clear();
        }
    }
}

void CompoundFileReader::State::load() {
    std::vector<uint8_t> header;
    readHeader(header);
    loadFat(header);
    loadDirectory(get32(header, kFirstDirSectorAt));
    loadMiniStream(get32(header, kFirstMiniFatSectorAt));
    linkTree();
    chainStreams();
}

void CompoundFileReader::State::readMini(uint64_t offset, std::span<uint8_t> out) const {
    if (offset > miniStreamSize || miniStreamSize - offset < out.size()) {
        fail("a small stream passes the end of the mini stream");
    }
    size_t done = 0;
    while (done < out.size()) {
        const uint64_t at = offset + done;
        const size_t n = std::min<size_t>(out.size() - done, sectorSize - at % sectorSize);
        readAt(sectorOffset(miniStream[at / sectorSize]) + at % sectorSize, out.subspan(done, n));
        done += n;
    }
}

CompoundFileReader::CompoundFileReader(std::unique_ptr<State> state) : state_(std::move(state)) {}
CompoundFileReader::CompoundFileReader(CompoundFileReader&&) noexcept = default;
CompoundFileReader& CompoundFileReader::operator=(CompoundFileReader&&) noexcept = default;
CompoundFileReader::~CompoundFileReader() = default;

CompoundFileReader CompoundFileReader::open(const std::filesystem::path& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        throw CfbError("cannot open " + path.string() + ": " + std::strerror(errno));
    }
    return fromDescriptor(fd, true);
}

CompoundFileReader CompoundFileReader::fromDescriptor(int fd, bool adopt) {
    auto state = std::make_unique<State>();
    state->fd = adopt ? fd : ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
    if (state->fd < 0)
        throw CfbError(std::string("cannot read the compound file: ") + std::strerror(errno));
    const off_t size = ::lseek(state->fd, 0, SEEK_END);
    if (size < 0)
        throw CfbError(std::string("cannot read the compound file: ") + std::strerror(errno));
    state->fileSize = static_cast<uint64_t>(size);
    state->load();
    return CompoundFileReader(std::move(state));
}

CompoundFileReader CompoundFileReader::fromBytes(std::vector<uint8_t> bytes) {
    auto state = std::make_unique<State>();
    state->bytes = std::move(bytes);
    state->fileSize = state->bytes.size();
    state->load();
    return CompoundFileReader(std::move(state));
}

EntryId CompoundFileReader::root() const {
    return 0;
}

std::vector<EntryId> CompoundFileReader::children(EntryId storage) const {
    return state_->entry(storage).children;
}

std::optional<EntryId> CompoundFileReader::child(EntryId storage, std::string_view name) const {
    const auto& keys = state_->entry(storage).keys;
    const std::u16string key = upperName(utf8ToUtf16(name));
    auto it = std::lower_bound(keys.begin(), keys.end(), key,
                               [](const auto& k, const std::u16string& v) { return k.first < v; });
    if (it == keys.end() || it->first != key) return std::nullopt;
    return it->second;
}

std::string CompoundFileReader::name(EntryId entry) const {
    return utf16ToUtf8(state_->entry(entry).name);
}

bool CompoundFileReader::isStorage(EntryId entry) const {
    return state_->entry(entry).type != EntryType::Stream;
}

bool CompoundFileReader::isStream(EntryId entry) const {
    return state_->entry(entry).type == EntryType::Stream;
}

ClassId CompoundFileReader::classId(EntryId entry) const {
    return state_->entry(entry).classId;
}

uint64_t CompoundFileReader::streamSize(EntryId stream) const {
    const auto& e = state_->entry(stream);
    return e.type == EntryType::Stream ? e.size : 0;
}

std::vector<uint8_t> CompoundFileReader::readStream(EntryId stream) const {
    std::vector<uint8_t> out(streamSize(stream));
    readStream(stream, 0, out);
    return out;
}

size_t CompoundFileReader::readStream(EntryId stream, uint64_t offset,
                                      std::span<uint8_t> out) const {
    const State::Entry& e = state_->entry(stream);
    if (e.type != EntryType::Stream) {
        throw CfbError("compound file: entry " + std::to_string(stream) + " is no stream");
    }
    if (!e.fault.empty()) throw CfbError(e.fault);
    if (offset >= e.size) return 0;
    const size_t total = static_cast<size_t>(std::min<uint64_t>(out.size(), e.size - offset));
    const uint64_t unit = e.mini ? kMiniSectorSize : state_->sectorSize;
    size_t done = 0;
    while (done < total) {
        const uint64_t at = offset + done;
        const size_t index = static_cast<size_t>(at / unit);
        // Sectors that follow each other in the file are read at once.
        size_t run = 1;
        while (index + run < e.chain.size() && e.chain[index + run] == e.chain[index] + run &&
               run * unit < total - done + at % unit) {
            ++run;
        }
        const size_t n =
            static_cast<size_t>(std::min<uint64_t>(total - done, run * unit - at % unit));
        const auto piece = out.subspan(done, n);
        if (e.mini) {
            state_->readMini(uint64_t{e.chain[index]} * unit + at % unit, piece);
        } else {
            state_->readAt(state_->sectorOffset(e.chain[index]) + at % unit, piece);
        }
        done += n;
    }
    return total;
}

}  // namespace pellmark::cfb
