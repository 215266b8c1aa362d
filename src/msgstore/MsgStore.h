#pragma once
// The mail store over .msg files. A .msg file is a mailbox of one folder holding it; a
// directory is a mailbox whose top folder holds its .msg files and whose folders are its
// subdirectories that hold .msg files (at any depth), files and folders in the order of their
// names. Entry identifiers carry the paths relative to the mailbox, so a later run knows the
// same files again wherever the directory has moved.

#include <filesystem>
#include <memory>
#include <string>

#include "store/MailStore.h"

namespace pellmark::msgstore {

// What the folders and items of one mailbox share.
struct MsgMailbox {
    std::filesystem::path root;  // absolute: the directory, or the one file
    bool directory = false;
    std::string name;  // the directory's name, or the file's without its extension
};

class MsgStore : public store::Store {
  public:
    explicit MsgStore(std::shared_ptr<const MsgMailbox> mailbox);

    std::string displayName() override { return mailbox_->name; }
    std::string entryId() override;
    std::string dataFilePath() override { return mailbox_->root.string(); }
    std::unique_ptr<store::Folder> rootFolder() override;
    std::unique_ptr<store::Folder> folderFromId(const std::string& entryId) override;

  private:
    std::shared_ptr<const MsgMailbox> mailbox_;
};

// Opens a .msg file or a directory as a mailbox; throws StoreError when it is neither, or
// cannot be read. The files are opened when their items are read.
std::unique_ptr<MsgStore> openMsgStore(const std::string& path);

// Whether the name ends in ".msg" (any case).
bool isMsgFileName(const std::filesystem::path& path);
// Whether the file begins as a compound file does (and so is no .pst).
bool looksLikeCompoundFile(const std::filesystem::path& path);
// Whether the directory holds a .msg file, in it or in a subdirectory at any depth.
bool holdsMsgFiles(const std::filesystem::path& directory);

}  // namespace pellmark::msgstore
