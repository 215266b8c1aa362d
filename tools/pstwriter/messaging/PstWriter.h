#pragma once
// Writes a .pst file as a stream of folders and messages: each message goes to the file when
// it is added, each folder's tables when it is closed, and the store, the named-property map
// and the header at finish(). Memory holds only the open folders' table indexes and the
// B-tree entries, so files of any size are written in one pass.
//
// The store is laid out as Outlook lays it out: the root folder (0x122) holds the IPM subtree
// ("Top of Personal Folders") and the search root; the IPM subtree holds Deleted Items.

#include <array>
#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "pstwriter/messaging/MessageWriter.h"
#include "pstwriter/messaging/Model.h"

namespace pellmark::pstwriter {

struct WriteOptions {
    Format format = Format::Unicode;
    CryptMethod crypt = CryptMethod::Permute;  // Outlook's default, "compressible"
    std::string storeName = "Personal Folders";
    std::string ipmSubtreeName = "Top of Personal Folders";
    std::string deletedItemsName = "Deleted Items";
    std::string searchRootName = "Search Root";
    int codepage = 1252;  // text of ANSI files unless a message names its own
    uint64_t defaultTime = fileTimeFromUnix(1577836800);  // 2020-01-01
    std::array<uint8_t, 16> recordKey = {0x50, 0x65, 0x6C, 0x6C, 0x6D, 0x61, 0x72, 0x6B,
                                         0x46, 0x69, 0x78, 0x74, 0x75, 0x72, 0x65, 0x01};
};

using FolderHandle = uint32_t;

class PstWriter {
  public:
    // Messages are numbered in the order they are added, from this index on.
    static constexpr uint32_t kFirstMessageIndex = 0x10001;

    PstWriter(const std::filesystem::path& path, WriteOptions options = {});
    ~PstWriter();
    PstWriter(const PstWriter&) = delete;
    PstWriter& operator=(const PstWriter&) = delete;

    FolderHandle rootFolder() const { return pst::nid::kRootFolder.value; }
    FolderHandle ipmSubtree() const { return ipm_; }
    FolderHandle deletedItems() const { return deleted_; }
    FolderHandle searchRoot() const { return search_; }

    FolderHandle openFolder(FolderHandle parent, const std::string& name,
                            const std::optional<std::string>& containerClass,
                            const PropertyBag* extra = nullptr);
    void addMessage(FolderHandle folder, const Message& message);
    // A message deleted from `folder`: written, then let go of as Outlook lets go of a deleted
    // message (NdbWriter::deleteNode): no folder lists it and the index no longer holds it,
    // but its blocks and index entries stay in the file's free space. Returns its node id.
    uint32_t addDeletedMessage(FolderHandle folder, const Message& message, bool blockPages = true);
    // Writes the folder's tables and properties. Its subfolders must be closed first.
    void closeFolder(FolderHandle folder);
    // Closes what is still open and completes the file; nothing is at the target path before.
    void finish();

    uint64_t bytesWritten() const { return ndb_.bytesWritten(); }
    uint64_t messagesWritten() const { return messages_; }
    const WriteOptions& options() const { return options_; }

  private:
    struct OpenFolder;
    OpenFolder& folder(FolderHandle h);
    FolderHandle open(NodeId nid, NodeId parent, const std::string& name,
                      const std::optional<std::string>& containerClass, const PropertyBag* extra);
    void writeEmptyTable(NodeId nid, const std::vector<mapi::PropTag>& columns);
    void writeStore();
    ByteVec entryId(NodeId nid) const;

    WriteOptions options_;
    NdbWriter ndb_;
    NameMap names_;
    WriteContext ctx_;
    std::map<FolderHandle, std::unique_ptr<OpenFolder>> open_;
    std::vector<FolderHandle> openOrder_;
    FolderHandle ipm_ = 0, deleted_ = 0, search_ = 0;
    uint32_t nextFolderIndex_ = 0x400;
    uint32_t nextMessageIndex_ = kFirstMessageIndex - 1;
    uint64_t messages_ = 0;
    bool finished_ = false;
};

}  // namespace pellmark::pstwriter
