#include "cli/ListCommand.h"

#include <algorithm>
#include <memory>
#include <ostream>
#include <string>
#include <utility>

#include "base/Printable.h"
#include "cli/Json.h"
#include "cli/MailboxInputs.h"
#include "cli/OpenMailbox.h"
#include "store/FolderWalk.h"

namespace pellmark::cli {
namespace {

// Keeps one listed value on one line and the terminal's own: tabs, line breaks and other
// control characters are escaped, and backslashes doubled, so that every escape reads one way.
std::string field(const std::string& s) {
    return base::printableField(s);
}

class Lister {
  public:
    // `mailbox` names the file in the warnings when one of many is listed; empty otherwise.
    Lister(ListKind kind, std::ostream& out, std::ostream& err, bool json, std::string mailbox)
        : kind_(kind), out_(out), err_(err), json_(json), mailbox_(std::move(mailbox)) {}

    // Lists `folder` and what the walk finds below it, in the walk's order.
    void walk(store::Folder& top) {
        list(top);
        store::walkFolders<int>(
            top, 0,
            [&](store::Folder& folder, const int&) -> std::optional<int> {
                list(folder);
                return 0;
            },
            [&](const std::string& where, const std::string& reason) { warn(where, reason); });
    }

    void warn(const std::string& path, const std::string& what) {
        damaged_ = true;
        err_ << "pellmark-export: " << (mailbox_.empty() ? "" : base::printable(mailbox_) + ": ")
             << "warning: " << base::printable(path) << ": " << base::printable(what) << '\n';
        if (!warnings_.empty()) warnings_ += ',';
        warnings_ += jsonString(path + ": " + what);
    }

    // The JSON document opens before the walk and its entries are written as they are read,
    // so a large mailbox is never held whole; the warnings close it.
    void beginJson(const std::string& file) {
        const char* key = kind_ == ListKind::Folders ? "folders" : "items";
        out_ << "{\"file\":" << jsonString(file) << ",\"" << key << "\":[";
    }
    void endJson() { out_ << "\n],\"warnings\":[" << warnings_ << "]}\n"; }
    // The document of a mailbox that cannot be read: its file, why, and nothing listed.
    void errorJson(const std::string& file, const std::string& why) {
        beginJson(file);
        out_ << "],\"warnings\":[],\"error\":" << jsonString(why) << "}\n";
    }

    bool damaged() const { return damaged_; }

  private:
    void list(store::Folder& folder) {
        std::string path;
        try {
            path = folder.folderPath();
            std::unique_ptr<store::Items> items = folder.items();
            if (kind_ == ListKind::Folders && json_) {
                return entry("{\"path\":" + jsonString(path) +
                             ",\"class\":" + jsonString(folder.defaultMessageClass()) +
                             ",\"items\":" + std::to_string(items->count()) +
                             ",\"entry_id\":" + jsonString(folder.entryId()) + "}");
            }
            if (kind_ == ListKind::Folders) {
                out_ << field(path) << '\t' << field(folder.defaultMessageClass()) << '\t'
                     << items->count() << '\n';
                return;
            }
            listItems(path, *items);
        } catch (const std::exception& e) {
            warn(path, std::string("contents unreadable: ") + e.what());
        }
    }

    void listItems(const std::string& path, store::Items& items) {
        auto enumerator = items.enumerate();
        for (int64_t position = 1;; ++position) {
            try {
                std::unique_ptr<store::MailItem> item = enumerator->next();
                if (!item) return;
                auto attachments = item->attachments();
                const int32_t count = attachments->count();
                uint64_t bytes = 0;
                for (int32_t a = 1; a <= count; ++a) bytes += attachments->item(a)->dataSize();
                if (json_) {
                    itemJson(path, position, *item, count, bytes);
                    continue;
                }
                out_ << field(path) << '\t' << position << '\t' << field(item->messageClass())
                     << '\t' << field(item->subject()) << '\t' << count << '\t' << bytes << '\n';
            } catch (const std::exception& e) {
                warn(path, "item " + std::to_string(position) + " unreadable: " + e.what());
            }
        }
    }

    void itemJson(const std::string& path, int64_t position, store::MailItem& item,
                  int32_t attachments, uint64_t bytes) {
        const store::ItemFacts f = item.facts();
        auto flag = [](bool b) { return b ? "true" : "false"; };
        entry("{\"folder\":" + jsonString(path) + ",\"position\":" + std::to_string(position) +
              ",\"class\":" + jsonString(item.messageClass()) + ",\"subject\":" +
              jsonString(item.subject()) + ",\"attachments\":" + std::to_string(attachments) +
              ",\"attachment_bytes\":" + std::to_string(bytes) +
              ",\"entry_id\":" + jsonString(item.entryId()) + ",\"date\":" + jsonTime(f.when()) +
              ",\"delivered\":" + jsonTime(f.delivered) + ",\"sent\":" + jsonTime(f.sent) +
              ",\"created\":" + jsonTime(f.created) + ",\"sender\":{\"name\":" +
              jsonString(f.senderName) + ",\"address\":" + jsonString(f.senderAddress) +
              "},\"recipients\":" + std::to_string(f.recipients) + ",\"read\":" + flag(f.read) +
              ",\"flagged\":" + flag(f.flagged) + ",\"answered\":" + flag(f.answered) +
              ",\"forwarded\":" + flag(f.forwarded) + ",\"draft\":" + flag(f.draft) + "}");
    }

    void entry(const std::string& object) { out_ << (entries_++ == 0 ? "\n" : ",\n") << object; }

    ListKind kind_;
    std::ostream& out_;
    std::ostream& err_;
    bool json_;
    std::string mailbox_;
    int64_t entries_ = 0;
    std::string warnings_;
    bool damaged_ = false;
};

// Lists the mailbox `path`, or names why it cannot be read: on `err` with status 2, and as a
// document holding the "error" when it is one of many (an element of an array must be there).
int listMailbox(const std::string& path, const std::string& problem, ListKind kind,
                std::ostream& out, std::ostream& err, bool json, bool oneOfMany) {
    std::unique_ptr<store::Store> store;
    std::unique_ptr<store::Folder> top;
    std::string why = problem;
    if (why.empty()) {
        try {
            store = openMailbox(path);
            top = store->rootFolder();
        } catch (const std::exception& e) {
            why = e.what();
        }
    }
    Lister lister(kind, out, err, json, oneOfMany ? path : std::string());
    if (!why.empty()) {
        err << "pellmark-export: " << base::printable(path) << ": " << base::printable(why) << '\n';
        if (json && oneOfMany) lister.errorJson(path, why);
        return 2;
    }
    if (json) lister.beginJson(path);
    lister.walk(*top);
    for (const std::string& damage : store->damage()) lister.warn(path, damage);
    if (json) lister.endJson();
    return lister.damaged() ? 1 : 0;
}

}  // namespace

int runList(const std::filesystem::path& path, ListKind kind, std::ostream& out, std::ostream& err,
            bool json) {
    return listMailbox(path.string(), {}, kind, out, err, json, false);
}

int runLists(const std::vector<std::string>& inputs, ListKind kind, std::ostream& out,
             std::ostream& err, bool json) {
    if (!standsForMany(inputs)) return runList(inputs.front(), kind, out, err, json);
    int worst = 0;
    bool first = true;
    if (json) out << '[';
    for (const MailboxInput& m : mailboxesOf(inputs)) {
        if (json) {
            out << (first ? "" : ",");
        } else {
            out << "== " << field(m.file) << '\n';
        }
        first = false;
        out.flush();  // the header before any warning about the mailbox
        worst = std::max(worst, listMailbox(m.file, m.problem, kind, out, err, json, true));
    }
    if (json) out << "]\n";
    return worst;
}

}  // namespace pellmark::cli
