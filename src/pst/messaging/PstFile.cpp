#include "pst/messaging/PstFile.h"

#include <algorithm>
#include <cstdint>
#include <deque>
#include <unordered_set>

#include "mapi/Tags.h"
#include "pst/ltp/PropertyContext.h"
#include "pst/ltp/TableContext.h"
#include "pst/messaging/Folder.h"
#include "pst/messaging/Message.h"
#include "pst/messaging/ObjectCodepage.h"
#include "pst/ndb/FileScan.h"

namespace pellmark::pst {

std::shared_ptr<PstFile> PstFile::open(const std::filesystem::path& path, OpenOptions options) {
    return std::make_shared<PstFile>(path, options);
}

PstFile::PstFile(const std::filesystem::path& path, OpenOptions options)
    : path_(path), options_(options), ndb_(std::make_unique<Ndb>(path, options.cache)) {}

PstFile::~PstFile() = default;

const FileScan& PstFile::fileScan() const {
    std::call_once(scanOnce_, [this] {
        scan_ = std::make_shared<const FileScan>(*ndb_);
        recoveryNdb_ = std::make_unique<Ndb>(path_, options_.cache);
        recoveryNdb_->setLostBlocks(scan_);
    });
    return *scan_;
}

const Ndb& PstFile::recoveryNdb() const {
    fileScan();
    return *recoveryNdb_;
}

namespace {

// Rows of one of a folder's tables, or none when the table is missing or damaged: the probes
// below only look for hints and must never fail the store.
std::vector<NodeId> rowsOf(const Ndb& db, NodeId folder, NodeType table, size_t max) {
    std::vector<NodeId> ids;
    try {
        const NodeId tid = folder.withType(table);
        if (!db.findNode(tid)) return ids;
        TableContext tc(Node::open(db, tid));
        for (size_t i = 0; i < tc.rowCount() && i < max; ++i) ids.emplace_back(tc.rowId(i));
    } catch (const PstError&) {
    }
    return ids;
}

std::string folderName(const Ndb& db, NodeId nid, uint32_t codepage) {
    try {
        auto v = PropertyContext(Node::open(db, nid)).get(mapi::prop::kDisplayName);
        return v ? v->asString(codepage) : std::string();
    } catch (const PstError&) {
        return {};
    }
}

// ANSI stores rarely name their code page; their items do. Looks at the first items of the
// first folders, breadth first, for a bounded amount of work.
uint32_t probeItemCodepage(const Ndb& db) {
    std::deque<NodeId> queue{nid::kRootFolder};
    for (int folders = 0; !queue.empty() && folders < 200; ++folders) {
        const NodeId f = queue.front();
        queue.pop_front();
        for (NodeId m : rowsOf(db, f, NodeType::ContentsTable, 3)) {
            try {
                if (uint32_t cp = namedCodepage(PropertyContext(Node::open(db, m)))) return cp;
            } catch (const PstError&) {
            }
        }
        for (NodeId child : rowsOf(db, f, NodeType::HierarchyTable, 1000)) queue.push_back(child);
    }
    return 0;
}

// Offline stores (.ost) name no IPM subtree; theirs is the folder "IPM_SUBTREE" of the
// mailbox root, beside the public folders' one.
std::optional<NodeId> findIpmSubtree(const Ndb& db, uint32_t codepage) {
    for (NodeId top : rowsOf(db, nid::kRootFolder, NodeType::HierarchyTable, 1000)) {
        if (folderName(db, top, codepage) == "Root - Public") continue;
        for (NodeId child : rowsOf(db, top, NodeType::HierarchyTable, 1000)) {
            if (folderName(db, child, codepage) == "IPM_SUBTREE") return child;
        }
    }
    return std::nullopt;
}

}  // namespace

const StoreInfo& PstFile::store() const {
    std::call_once(storeOnce_, [this] {
        PropertyContext pc(Node::open(*ndb_, nid::kMessageStore));
        StoreInfo s;
        s.codepage = namedCodepage(pc);
        if (!s.codepage && format() == Format::Ansi) s.codepage = probeItemCodepage(*ndb_);
        if (!s.codepage) s.codepage = options_.fallbackCodepage;
        if (auto v = pc.get(mapi::prop::kDisplayName)) s.displayName = v->asString(s.codepage);
        // Offline stores leave the name empty; the file's name is what the user knows.
        if (s.displayName.empty()) s.displayName = path_.stem().string();
        if (auto v = pc.get(mapi::prop::kRecordKey)) s.recordKey = v->bytes;
        // An ENTRYID: four flag bytes, the provider's 16-byte UID, then the node id.
        if (auto v = pc.get(mapi::prop::kIpmSubtreeEntryId); v && v->bytes.size() >= 24) {
            s.ipmSubtree = NodeId(ByteView(v->bytes).u32(20));
        } else {
            s.ipmSubtree = findIpmSubtree(*ndb_, s.codepage);
        }
        store_ = std::move(s);
    });
    return store_;
}

const NameMap& PstFile::nameMap() const {
    std::call_once(namesOnce_, [this] { names_ = NameMap(*ndb_); });
    return names_;
}

Folder PstFile::rootFolder() const {
    return folder(nid::kRootFolder);
}

Folder PstFile::ipmSubtree() const {
    const auto& s = store();
    if (s.ipmSubtree && ndb_->findNode(*s.ipmSubtree)) return folder(*s.ipmSubtree);
    return rootFolder();
}

namespace {

// A set of node ids with one bit per message id (the id above its five type bits), so that
// the messages of a mailbox of millions of items take a few hundred kilobytes and those of any
// file at most 16 MB; ids of other types, which folders list only when damaged, are kept aside.
class NodeIdSet {
  public:
    void insert(NodeId id) {
        if (id.type() != NodeType::NormalMessage) {
            others_.insert(id.value);
            return;
        }
        const uint32_t i = id.index();
        if (i / 64 >= bits_.size()) bits_.resize(i / 64 + 1);
        bits_[i / 64] |= uint64_t{1} << (i % 64);
    }
    bool contains(NodeId id) const {
        if (id.type() != NodeType::NormalMessage) return others_.count(id.value) > 0;
        const uint32_t i = id.index();
        return i / 64 < bits_.size() && (bits_[i / 64] >> (i % 64) & 1) != 0;
    }

  private:
    std::vector<uint64_t> bits_;
    std::unordered_set<uint32_t> others_;
};

}  // namespace

std::vector<NodeEntry> PstFile::unreachableMessages() const {
    NodeIdSet known;
    std::vector<NodeId> allFolders;
    ndb_->forEachNode([&](const NodeEntry& e) {
        if (e.nid.type() == NodeType::NormalMessage) known.insert(e.nid);
        if (e.nid.type() == NodeType::NormalFolder) allFolders.push_back(e.nid);
        return true;
    });
    auto contentsOf = [&](NodeId id) {
        try {
            return folder(id).messageIds();
        } catch (const PstError&) {
            return std::vector<NodeId>();  // the folder itself is reported where it is exported
        }
    };
    // Every folder reached from the root, and from the top of the visible tree (which an
    // export starts from even when the root's own tables are damaged), and every message they
    // list.
    NodeIdSet listed;
    std::unordered_set<uint32_t> reached;
    std::vector<NodeId> starts{nid::kRootFolder};
    try {
        starts.push_back(ipmSubtree().id());
    } catch (const PstError&) {
    }
    forEachFolder(starts, [&](const Folder& f) {
        reached.insert(f.id().value);
        for (NodeId m : contentsOf(f.id())) listed.insert(m);
    });
    // Messages of the node index no reached folder lists.
    std::vector<NodeEntry> messages;
    ndb_->forEachNode([&](const NodeEntry& e) {
        if (e.nid.type() == NodeType::NormalMessage && !listed.contains(e.nid)) {
            messages.push_back(e);
        }
        return true;
    });
    // A folder no longer reached still lists its messages, also those whose nodes are lost:
    // they are tried too, so that they count as failed rather than vanish.
    std::unordered_set<uint32_t> lost;
    for (NodeId f : allFolders) {
        if (reached.count(f.value)) continue;
        for (NodeId m : contentsOf(f)) {
            if (known.contains(m) || listed.contains(m)) continue;
            if (lost.insert(m.value).second) messages.push_back({m, {}, {}, f});
        }
    }
    std::sort(messages.begin(), messages.end(),
              [](const NodeEntry& a, const NodeEntry& b) { return a.nid.value < b.nid.value; });
    return messages;
}

void PstFile::forEachFolder(const std::vector<NodeId>& starts,
                            const std::function<void(const Folder&)>& visit,
                            const std::function<void(NodeId, const PstError&)>& failed) const {
    std::unordered_set<uint32_t> entered;
    std::vector<NodeId> pending(starts.rbegin(), starts.rend());
    while (!pending.empty()) {
        const NodeId id = pending.back();
        pending.pop_back();
        if (!entered.insert(id.value).second) continue;
        std::optional<Folder> f;
        std::vector<NodeId> children;
        try {
            f.emplace(folder(id));
            children = f->subfolderIds();
        } catch (const PstError& error) {
            if (failed) failed(id, error);
            // A folder whose own properties are lost may still list its subfolders.
            if (!f) children = rowsOf(*ndb_, id, NodeType::HierarchyTable, SIZE_MAX);
        }
        if (f) visit(*f);
        // Depth first, siblings in the table's order.
        pending.insert(pending.end(), children.rbegin(), children.rend());
    }
}

Folder PstFile::folder(NodeId nid) const {
    return Folder(shared_from_this(), Node::open(*ndb_, nid));
}

Message PstFile::message(NodeId nid) const {
    return Message(shared_from_this(), Node::open(*ndb_, nid));
}

}  // namespace pellmark::pst
