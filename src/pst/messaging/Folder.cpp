#include "pst/messaging/Folder.h"

#include "pst/ltp/TableContext.h"
#include "pst/ltp/Tags.h"
#include "pst/messaging/PstFile.h"

namespace pellmark::pst {

Folder::Folder(std::shared_ptr<const PstFile> file, const Node& node)
    : file_(std::move(file)), node_(node), props_(std::make_shared<PropertyContext>(node)) {}

std::string Folder::displayName() const {
    auto v = props_->get(prop::kDisplayName);
    return v ? v->asString(file_->store().codepage) : std::string();
}

std::string Folder::containerClass() const {
    auto v = props_->get(prop::kContainerClass);
    return v ? v->asString(file_->store().codepage) : std::string();
}

std::vector<NodeId> Folder::tableRowIds(NodeType tableType) const {
    std::vector<NodeId> ids;
    const NodeId tableId = node_.id().withType(tableType);
    if (!file_->ndb().findNode(tableId)) return ids;  // search folders keep no such table
    TableContext table(Node::open(file_->ndb(), tableId));
    ids.reserve(table.rowCount());
    for (size_t i = 0; i < table.rowCount(); ++i) ids.emplace_back(table.rowId(i));
    return ids;
}

std::vector<NodeId> Folder::subfolderIds() const { return tableRowIds(NodeType::HierarchyTable); }

std::vector<NodeId> Folder::messageIds() const { return tableRowIds(NodeType::ContentsTable); }

size_t Folder::messageCount() const {
    const NodeId tableId = node_.id().withType(NodeType::ContentsTable);
    if (!file_->ndb().findNode(tableId)) return 0;
    return TableContext(Node::open(file_->ndb(), tableId)).rowCount();
}

}  // namespace pellmark::pst

namespace pellmark::pst {
std::string defaultMessageClass(const std::string& containerClass) {
    // Outlook's IMAP accounts keep their mail in "IPF.Imap" folders.
    if (containerClass.empty() || containerClass == "IPF.Imap") return "IPM.Note";
    if (containerClass.rfind("IPF.", 0) != 0) return containerClass;
    const std::string kind = containerClass.substr(4);
    // A class that extends a known kind ("IPF.Contact.MOC.QuickContacts", "IPF.Note.
    // OutlookHomepage") is a folder of that kind to Outlook.
    for (const std::string known : {"Note", "Contact", "Appointment", "Task", "StickyNote", "Journal"}) {
        if (kind == known || kind.rfind(known + ".", 0) == 0) return "IPM." + known;
    }
    return "IPM." + kind;
}
}  // namespace pellmark::pst
