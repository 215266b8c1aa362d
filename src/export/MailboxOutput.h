#pragma once
// Exports for other mail programs: each folder's messages go into a mailbox instead of one
// file each, in one of two layouts below a directory per store.
//  - mbox (Thunderbird's profile layout): the folder is an mbox file named after it, its
//    subfolders live in "Name.sbd/" beside it; each message is one mboxrd entry.
//  - Maildir++ (what IMAP servers serve): the store's directory is the INBOX (Outlook's Inbox
//    goes there), every other folder a ".Parent.Child" directory; each message is one file in
//    cur/, named with its flags, its time the item's delivery time.
// Contacts keep their vCards, below the export root's "vCards/" directory in the usual tree;
// calendar and task folders are iCalendar files below "Calendars/" in that tree.

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "export/FolderOutput.h"
#include "export/MailboxLayout.h"
#include "export/OutputDirectories.h"
#include "export/SiblingFolders.h"

namespace pellmark::exporting {

// The directory below the export root that takes the vCards of a mailbox export.
inline constexpr const char* kVCardsDirectory = "vCards";
// The directory below the export root that takes the calendars of a mailbox export.
inline constexpr const char* kCalendarsDirectory = "Calendars";

class MailboxFolders {
  public:
    // `exportRoot` ends with '/' and exists. `reuse`: a resumed run goes on in the store's
    // directory of the run before; otherwise a store whose directory is taken gets "Name (2)".
    MailboxFolders(std::string exportRoot, MailboxLayout layout, bool reuse);
    ~MailboxFolders();

    // The output of the folder whose path is `steps` (the store's root folder first), its
    // mailbox made with every parent. Throws WriteError.
    std::unique_ptr<FolderOutput> open(const std::vector<store::PathStep>& steps);
    // The output of a calendar or task folder: its iCalendar file below Calendars/.
    std::unique_ptr<FolderOutput> openCalendar(const std::vector<store::PathStep>& steps);

    // The vCards' directory of a folder, made when first asked for.
    OutputDirectories::Directory vcardDirectory(const std::vector<store::PathStep>& steps);
    // A Maildir file name no other file takes: "<time>.P<pid>Q<n>R<random>.<host>".
    std::string uniqueMaildirName(int64_t seconds);
    // The flags of a message file in the Maildir folder at `directory`. A forwarded item's
    // flags carry the folder's "$Forwarded" keyword, for which the folder gets its
    // dovecot-keywords file. Throws WriteError when that file cannot be written.
    std::string maildirFlags(const std::string& directory, const store::ItemFacts& facts);

  private:
    // The names of the steps' mailboxes: a folder whose sibling took its name (or one that
    // differs in letter case only) gets "Name (2)".
    std::vector<std::string> mailboxNames(const std::vector<store::PathStep>& steps);
    std::string storeDirectory(const std::string& storeName);
    std::string mboxFile(const std::vector<std::string>& names);
    std::string maildirFolder(std::vector<std::string> names);

    std::string root_;
    MailboxLayout layout_;
    bool reuse_;
    OutputDirectories vcards_;
    OutputDirectories calendars_;
    std::map<std::string, std::string> stores_;  // store name -> its directory
    std::optional<store::PathStep> store_;       // the first store's root folder
    SiblingFolders named_;                       // the mailboxes' names, by their parents' paths
    std::string host_;
    uint64_t delivered_ = 0;
    uint64_t runId_;  // random, so that a later run (--resume) never draws the same names
    std::map<std::string, char> forwardedKeywords_;  // Maildir folder -> the keyword's letter
};

// Writes `item` as a message of a mailbox of `layout` to `scratch`: the .eml, through the
// filter that makes it an mbox entry or a Maildir file, written once; its SHA-256 in `sha256`
// when `hash`.
void writeMailboxMessage(store::MailItem& item, MailboxLayout layout, const std::string& scratch,
                         bool hash, std::string& sha256);

class MailboxOutput : public FolderOutput {
  public:
    // `target`: the mbox file, or the Maildir folder's directory (ending with '/');
    // `scratchDirectory`: where items are saved before they go in.
    MailboxOutput(MailboxFolders& folders, MailboxLayout layout, std::vector<store::PathStep> steps,
                  std::string target, std::string scratchDirectory);
    ~MailboxOutput() override;

    // A message goes into the mailbox (recorded first, taken back when it cannot go in); a
    // vCard is a file of its own below the export root's vCards/.
    Written place(Placing file, Ledger& ledger, store::MailItem* item) override;

  private:
    Written appendToMbox(const Placing& file, Ledger& ledger);
    Written deliverToMaildir(Placing file, const store::ItemFacts& facts, Ledger& ledger);

    MailboxFolders& folders_;
    MailboxLayout layout_;
    std::vector<store::PathStep> steps_;
    std::string target_;
    std::unique_ptr<FolderOutput> vcards_;
    int mbox_ = -1;
};

}  // namespace pellmark::exporting
