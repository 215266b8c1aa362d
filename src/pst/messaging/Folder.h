#pragma once
// A folder ([MS-PST] 2.4.4): its properties, and its hierarchy and contents tables, which list
// the subfolders and messages in the store's order.

#include <memory>
#include <string>
#include <vector>

#include "pst/ltp/PropertyContext.h"
#include "pst/ltp/TableContext.h"

namespace pellmark::pst {

class PstFile;

class Folder {
  public:
    Folder(std::shared_ptr<const PstFile> file, const Node& node);

    NodeId id() const { return node_.id(); }
    const PropertyContext& props() const { return *props_; }
    std::string displayName() const;
    // PR_CONTAINER_CLASS; a class stored as 8-bit text under the Unicode type is read as the
    // text it is.
    std::string containerClass() const;
    // Subfolders and messages as the hierarchy and contents tables list them, in row order.
    // A table that is missing from a normal folder is damage: PstError(NotFound).
    std::vector<NodeId> subfolderIds() const;
    std::vector<NodeId> messageIds() const;
    // The number of rows of the contents table, without reading them.
    size_t messageCount() const;

  private:
    std::optional<TableContext> table(NodeType tableType) const;
    std::vector<NodeId> tableRowIds(NodeType tableType) const;

    std::shared_ptr<const PstFile> file_;
    Node node_;
    std::shared_ptr<const PropertyContext> props_;
};

}  // namespace pellmark::pst

namespace pellmark::pst {
// The message class a folder's items default to, as Outlook shows the folder: "IPM.Contact",
// "IPM.Appointment", "IPM.Task", "IPM.StickyNote", "IPM.Journal" for "IPF.Contact", ... and the
// classes that extend them ("IPF.Contact.*", ...), letter case ignored; "IPM.Note" for every
// other class ("IPF.Note", "IPF.Imap", none, "IPF", "IPF.Files", a custom class).
std::string defaultMessageClass(const std::string& containerClass);
}  // namespace pellmark::pst
