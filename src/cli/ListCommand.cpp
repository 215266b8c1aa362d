#include "cli/ListCommand.h"

#include <ostream>
#include <set>
#include <string>

#include "base/Printable.h"
#include "pst/messaging/Folder.h"
#include "pst/messaging/Message.h"
#include "pst/messaging/PstFile.h"

namespace pellmark::cli {

namespace {

using pst::Folder;
using pst::NodeId;
using pst::PstFile;

// Keeps one listed value on one line and the terminal's own: tabs, line breaks and other
// control characters are escaped.
std::string field(const std::string& s) {
    return base::printable(s);
}

class Lister {
  public:
    Lister(const PstFile& file, ListKind kind, std::ostream& out, std::ostream& err)
        : file_(file), kind_(kind), out_(out), err_(err) {}

    void folder(const Folder& f, const std::string& path) {
        if (!visited_.insert(f.id().value).second) {
            warn(path, "folder listed twice in the hierarchy; skipped the second time");
            return;
        }
        listFolder(f, path);
        std::vector<NodeId> children;
        try {
            children = f.subfolderIds();
        } catch (const std::exception& e) {
            warn(path, std::string("subfolders unreadable: ") + e.what());
        }
        for (NodeId id : children) {
            try {
                Folder child = file_.folder(id);
                folder(child, path + "\\" + child.displayName());
            } catch (const std::exception& e) {
                warn(path, std::string("a subfolder is unreadable: ") + e.what());
            }
        }
    }

    bool damaged() const { return damaged_; }

  private:
    void listFolder(const Folder& f, const std::string& path) {
        std::vector<NodeId> items;
        try {
            items = f.messageIds();
        } catch (const std::exception& e) {
            warn(path, std::string("contents unreadable: ") + e.what());
        }
        if (kind_ == ListKind::Folders) {
            out_ << field(path) << '\t' << field(pst::defaultMessageClass(f.containerClass()))
                 << '\t' << items.size() << '\n';
            return;
        }
        for (size_t i = 0; i < items.size(); ++i) listItem(path, i + 1, items[i]);
    }

    void listItem(const std::string& path, size_t position, NodeId id) {
        try {
            pst::Message m = file_.message(id);
            const size_t count = m.attachmentCount();
            uint64_t bytes = 0;
            for (size_t a = 0; a < count; ++a) bytes += m.attachment(a).dataSize();
            out_ << field(path) << '\t' << position << '\t' << field(m.messageClass()) << '\t'
                 << field(m.subject()) << '\t' << count << '\t' << bytes << '\n';
        } catch (const std::exception& e) {
            warn(path, "item " + std::to_string(position) + " unreadable: " + e.what());
        }
    }

    void warn(const std::string& path, const std::string& what) {
        damaged_ = true;
        err_ << "pellmark-export: warning: " << base::printable(path) << ": "
             << base::printable(what) << '\n';
    }

    const PstFile& file_;
    ListKind kind_;
    std::ostream& out_;
    std::ostream& err_;
    std::set<uint32_t> visited_;
    bool damaged_ = false;
};

}  // namespace

int runList(const std::filesystem::path& path, ListKind kind, std::ostream& out,
            std::ostream& err) {
    std::shared_ptr<PstFile> file;
    std::optional<Folder> root;
    std::string rootPath;
    try {
        file = PstFile::open(path);
        root = file->ipmSubtree();
        // The top of the visible tree is shown under the store's name.
        rootPath = "\\\\" + file->store().displayName;
    } catch (const std::exception& e) {
        err << "pellmark-export: " << path.string() << ": " << e.what() << '\n';
        return 2;
    }
    Lister lister(*file, kind, out, err);
    lister.folder(*root, rootPath);
    return lister.damaged() ? 1 : 0;
}

}  // namespace pellmark::cli
