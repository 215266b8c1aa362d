#pragma once
// The folders and items of a mailbox of .msg files.

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "formats/ModelMailItem.h"
#include "msgstore/MsgStore.h"
#include "store/MailStore.h"

namespace pellmark::msgstore {

// A directory of the mailbox (its top folder is the mailbox's root); `relative` is its path
// from the root, empty for the top.
class MsgFolder : public store::Folder {
  public:
    MsgFolder(std::shared_ptr<const MsgMailbox> mailbox, std::filesystem::path relative,
              std::vector<store::PathStep> steps);

    std::string name() override { return steps_.back().name; }
    std::string entryId() override;
    // A directory names no kind of item: one whose .msg files are all contacts or
    // distribution lists is a contact folder (its items leave as vCards); any other is a mail
    // folder, so that no item of it is passed over. Its files are read once to tell.
    std::string defaultMessageClass() override;
    std::string folderPath() override;
    std::vector<store::PathStep> pathSteps() override { return steps_; }
    std::unique_ptr<store::Items> items() override;
    std::unique_ptr<store::Folders> folders() override;

  private:
    std::shared_ptr<const MsgMailbox> mailbox_;
    std::filesystem::path relative_;
    std::vector<store::PathStep> steps_;
    std::optional<std::string> kind_;
};

// One .msg file as an item; `relative` is its path from the mailbox's root.
class MsgMailItem : public formats::ModelMailItem {
  public:
    MsgMailItem(std::shared_ptr<const mapi::Item> item, std::string relative);
    std::string entryId() override;

  private:
    std::string relative_;
};

// The mailbox's top folder.
std::unique_ptr<MsgFolder> topFolder(std::shared_ptr<const MsgMailbox> mailbox);
// The folder at `relative` from the root; throws StoreError when there is no such directory.
std::unique_ptr<MsgFolder> folderAt(std::shared_ptr<const MsgMailbox> mailbox,
                                    const std::filesystem::path& relative);

// Entry identifiers: upper-case hex of 4 zero bytes, the store's 16-byte UID, then for a store
// the UTF-8 bytes of its absolute path, for a folder 'D' and for an item 'M' then the UTF-8
// bytes of the relative path ('/' between names).
std::string storeId(const std::filesystem::path& root);
std::string objectId(char kind, const std::string& relative);
// The relative path in a folder or item identifier of `kind`; nullopt when it is none.
std::optional<std::string> relativeOf(char kind, const std::string& id);

}  // namespace pellmark::msgstore
