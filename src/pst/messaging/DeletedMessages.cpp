#include "pst/messaging/DeletedMessages.h"

#include <algorithm>

#include "mapi/Tags.h"
#include "pst/messaging/PstFile.h"
#include "pst/ndb/FileScan.h"

namespace pellmark::pst {
namespace {

// Reads every block `node` reaches: its data tree, its subnode tree and each subnode's, at
// any depth. Throws PstError at the first that is gone or damaged.
void readEveryBlock(const Node& node) {
    const DataTree data = node.data();
    for (size_t i = 0; i < data.blockCount(); ++i) data.block(i);
    for (const SubnodeEntry& sub : node.subnodes()) {
        if (auto child = node.subnode(sub.nid)) readEveryBlock(*child);
    }
}

// Every block of `found` checks out, and its properties can be read.
bool intact(const std::shared_ptr<const PstFile>& file, const RecoveredMessage& found) {
    try {
        const NodeEntry& e = found.entry;
        readEveryBlock(
            Node(file->recoveryNdb(), e.nid, e.bidData, found.inPart ? BlockId() : e.bidSub));
        recoveredMessage(file, found);
        return true;
    } catch (const PstError&) {
        return false;
    }
}

bool sameData(const NodeEntry& a, const NodeEntry& b) {
    return a.bidData == b.bidData && a.bidSub == b.bidSub;
}

std::optional<NodeEntry> liveEntry(const Ndb& ndb, NodeId nid) {
    try {
        return ndb.findNode(nid);
    } catch (const PstError&) {
        return std::nullopt;  // in neither the tree nor its pages: the export cannot read it
    }
}

std::string hexOffset(uint64_t ib) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string out;
    do {
        out.insert(out.begin(), kDigits[ib & 0xF]);
        ib >>= 4;
    } while (ib);
    return "0x" + out;
}

}  // namespace

DeletedMessages findDeletedMessages(const std::shared_ptr<const PstFile>& file) {
    const auto& scanned = file->fileScan().nodes();
    DeletedMessages out;
    for (size_t i = 0; i < scanned.size();) {
        const NodeId nid = scanned[i].entry.nid;
        size_t end = i;
        while (end < scanned.size() && scanned[end].entry.nid == nid) ++end;
        if (nid.type() != NodeType::NormalMessage) {
            i = end;
            continue;
        }
        const auto live = liveEntry(file->ndb(), nid);
        // The versions of the node, each once with every page that holds it.
        std::vector<RecoveredMessage> versions;
        for (size_t k = i; k < end; ++k) {
            const ScannedNode& s = scanned[k];
            if ((live && sameData(*live, s.entry)) || s.entry.bidData.null()) continue;
            auto same = std::find_if(versions.begin(), versions.end(),
                                     [&](const auto& v) { return sameData(v.entry, s.entry); });
            if (same != versions.end()) {
                same->pages.push_back(s.pageIb);
                continue;
            }
            versions.push_back(
                {s.entry, live.has_value() || !versions.empty(), !live, {s.pageIb}, s.inFreeSpace});
        }
        for (RecoveredMessage& found : versions) {
            if (!intact(file, found)) {
                found.inPart = true;
                if (!intact(file, found)) {
                    out.overwritten.push_back(found);
                    continue;
                }
            }
            out.recovered.push_back(found);
        }
        i = end;
    }
    return out;
}

Message recoveredMessage(const std::shared_ptr<const PstFile>& file,
                         const RecoveredMessage& found) {
    const NodeEntry& e = found.entry;
    if (found.inPart) return Message(file, Node(file->recoveryNdb(), e.nid, e.bidData, {}), true);
    return Message(file, Node(file->recoveryNdb(), e.nid, e.bidData, e.bidSub));
}

std::optional<LostFolder> lostFolder(const std::shared_ptr<const PstFile>& file, NodeId nid) {
    const auto& scanned = file->fileScan().nodes();
    auto it = std::lower_bound(scanned.begin(), scanned.end(), nid,
                               [](const ScannedNode& s, NodeId n) { return s.entry.nid < n; });
    for (; it != scanned.end() && it->entry.nid == nid; ++it) {
        try {
            const NodeEntry& e = it->entry;
            PropertyContext pc(Node(file->recoveryNdb(), e.nid, e.bidData, e.bidSub));
            auto name = pc.get(mapi::prop::kDisplayName);
            if (!name || !name->isString()) continue;
            return LostFolder{name->asString(file->store().codepage), e.nidParent};
        } catch (const PstError&) {
        }
    }
    return std::nullopt;
}

std::string howFound(const RecoveredMessage& found) {
    std::string how = found.deleted && !found.earlierVersion ? "deleted"
                      : found.deleted                        ? "earlier version of a deleted item"
                                                             : "earlier version of a live item";
    how += "; node entry on replaced node index page";
    if (found.pages.size() > 1) how += "s";
    for (size_t i = 0; i < found.pages.size(); ++i) {
        how += (i == 0 ? " at " : ", ") + hexOffset(found.pages[i]);
    }
    if (found.pageInFreeSpace) how += " (free space)";
    if (found.inPart) how += "; in part: its subnodes are overwritten";
    return how;
}

}  // namespace pellmark::pst
