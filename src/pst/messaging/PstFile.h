#pragma once
// An opened Outlook data file: the entry point of the messaging layer ([MS-PST] 2.4). Opening
// reads the header only; the store, folders and messages are read when asked for. Objects
// handed out keep the file open for as long as they live.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "pst/messaging/NameMap.h"
#include "pst/ndb/Ndb.h"

namespace pellmark::pst {

class FileScan;
class Folder;
class Message;

struct OpenOptions {
    CacheLimits cache;
    // Code page for 8-bit text when neither the item nor the store names one.
    uint32_t fallbackCodepage = 1252;
};

struct StoreInfo {
    std::string displayName;
    std::vector<uint8_t> recordKey;  // PR_RECORD_KEY: 16 bytes identifying the store
    std::optional<NodeId> ipmSubtree;
    uint32_t codepage = 1252;  // for 8-bit text of objects that name no code page
};

class PstFile : public std::enable_shared_from_this<PstFile> {
  public:
    // Throws PstError: (Io) when the file cannot be read, (NotAPst) when it is not an Outlook
    // data file, (UnsupportedVersion) for a format we do not read.
    static std::shared_ptr<PstFile> open(const std::filesystem::path& path, OpenOptions = {});

    const std::filesystem::path& path() const { return path_; }
    const Ndb& ndb() const { return *ndb_; }
    Format format() const { return ndb_->header().format; }

    const StoreInfo& store() const;
    const NameMap& nameMap() const;
    // Node 0x122, the top of the whole folder tree (hidden folders included).
    Folder rootFolder() const;
    // The top of the visible tree (the IPM subtree); the root folder where the store names none.
    Folder ipmSubtree() const;
    Folder folder(NodeId nid) const;
    Message message(NodeId nid) const;

    // Every folder reached from `starts` through the hierarchy tables, depth first, each once;
    // the walk keeps its own stack. A folder or hierarchy table that cannot be read goes to
    // `failed`, and the walk goes on with the rest. Exceptions of `visit` pass through.
    void forEachFolder(const std::vector<NodeId>& starts,
                       const std::function<void(const Folder&)>& visit,
                       const std::function<void(NodeId, const PstError&)>& failed = {}) const;

    // Messages of the node index that no folder lists: their folder's tables are damaged, or
    // the folder itself can no longer be reached from the root. Every folder is walked, the
    // hidden ones included, so a sound file has none. In node id order; `nidParent` is the
    // folder the index names for each.
    std::vector<NodeEntry> unreachableMessages() const;

    // The file read end to end for what its B-trees no longer reach (see FileScan), and an
    // index over the same file that also finds the blocks its block B-tree lost: what deleted
    // messages are read through (pst/messaging/DeletedMessages.h), never live ones. Made once,
    // when first asked for.
    const FileScan& fileScan() const;
    const Ndb& recoveryNdb() const;

    PstFile(const std::filesystem::path& path, OpenOptions options);  // use open()
    ~PstFile();

  private:
    std::filesystem::path path_;
    OpenOptions options_;
    std::unique_ptr<Ndb> ndb_;
    mutable std::once_flag storeOnce_, namesOnce_;
    mutable StoreInfo store_;
    mutable NameMap names_;
    mutable std::once_flag scanOnce_;
    mutable std::shared_ptr<const FileScan> scan_;
    mutable std::unique_ptr<Ndb> recoveryNdb_;
};

}  // namespace pellmark::pst
