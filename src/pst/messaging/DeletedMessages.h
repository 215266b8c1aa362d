#pragma once
// Messages the file still holds after the mailbox let go of them: deleted ones, whose node
// entries survive only on node B-tree pages the tree has replaced, and earlier versions of
// messages it still holds (an entry of a live node that names other blocks than the tree's).
// A message is recovered only when every block it reaches is still in the file with its
// trailer and CRC intact; it is read through an index of its own (PstFile::recoveryNdb), so
// nothing recovered is ever taken for, or mixed into, a live message.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "pst/messaging/Message.h"

namespace pellmark::pst {

struct RecoveredMessage {
    NodeEntry entry;  // as the page holds it; nidParent is the folder it was in
    // The mailbox holds this message with other data: this is a version it replaced. For a
    // deleted message, every version but the newest found is an earlier one.
    bool earlierVersion = false;
    bool deleted = false;  // the node B-tree no longer holds the node
    // Where its node entry was found: the pages that hold it, the newest first, and whether the
    // allocation maps mark the newest one's space free.
    std::vector<uint64_t> pages;
    bool pageInFreeSpace = false;
    // Its properties are intact but a block its subnodes reach is gone or damaged: it is read
    // without its subnodes (recipients, attachments, large values).
    bool inPart = false;
};

struct DeletedMessages {
    // Whole or in part, in node id order, the newest version of each first.
    std::vector<RecoveredMessage> recovered;
    // Found, but its properties themselves are gone or damaged.
    std::vector<RecoveredMessage> overwritten;
};

// Scans the file (once for each PstFile) and checks every message found.
DeletedMessages findDeletedMessages(const std::shared_ptr<const PstFile>& file);
// The message `found` as it was; throws PstError when it cannot be read.
Message recoveredMessage(const std::shared_ptr<const PstFile>& file, const RecoveredMessage& found);
// The name of a folder that the node B-tree no longer holds, read from the newest version of
// its node found in the file, and the folder that held it; nullopt when none can be read.
struct LostFolder {
    std::string name;
    NodeId parent;
};
std::optional<LostFolder> lostFolder(const std::shared_ptr<const PstFile>& file, NodeId nid);
// How `found` was found, in a few words for the record of an export.
std::string howFound(const RecoveredMessage& found);

}  // namespace pellmark::pst
