#pragma once
// A folder ([MS-PST] 2.4.4): its properties, and its hierarchy and contents tables, which list
// the subfolders and messages in the store's order.

#include <memory>
#include <string>
#include <vector>

#include "pst/ltp/PropertyContext.h"

namespace pellmark::pst {

class PstFile;

class Folder {
public:
    Folder(std::shared_ptr<const PstFile> file, const Node& node);

    NodeId id() const { return node_.id(); }
    const PropertyContext& props() const { return *props_; }
    std::string displayName() const;
    std::string containerClass() const;
    // Subfolders and messages as the hierarchy and contents tables list them, in row order.
    std::vector<NodeId> subfolderIds() const;
    std::vector<NodeId> messageIds() const;
    // The number of rows of the contents table, without reading them.
    size_t messageCount() const;

private:
    std::vector<NodeId> tableRowIds(NodeType tableType) const;

    std::shared_ptr<const PstFile> file_;
    Node node_;
    std::shared_ptr<const PropertyContext> props_;
};

}  // namespace pellmark::pst

namespace pellmark::pst {
// The message class a folder's items default to: "IPM." and what follows "IPF." in the
// container class, "IPM.Note" for a folder without one. A class without the "IPF." prefix is
// returned unchanged (so a miscased "ipf.note" stays as it is).
std::string defaultMessageClass(const std::string& containerClass);
}  // namespace pellmark::pst
