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

std::optional<TableContext> Folder::table(NodeType tableType) const {
    const NodeId tableId = node_.id().withType(tableType);
    if (!file_->ndb().findNode(tableId)) {
        // Search folders keep no hierarchy or contents table; a normal folder always has both,
        // so one that is missing is damage, not an empty folder.
        if (node_.id().type() == NodeType::SearchFolder) return std::nullopt;
        throw PstError(ErrorCode::NotFound,
                       std::string("the folder's ") +
                           (tableType == NodeType::HierarchyTable ? "hierarchy" : "contents") +
                           " table is missing",
                       PstError::kNoOffset, 0, tableId.value);
    }
    return TableContext(Node::open(file_->ndb(), tableId));
}

std::vector<NodeId> Folder::tableRowIds(NodeType tableType) const {
    std::vector<NodeId> ids;
    const auto t = table(tableType);
    if (!t) return ids;
    ids.reserve(t->rowCount());
    for (size_t i = 0; i < t->rowCount(); ++i) ids.emplace_back(t->rowId(i));
    return ids;
}

std::vector<NodeId> Folder::subfolderIds() const {
    return tableRowIds(NodeType::HierarchyTable);
}

std::vector<NodeId> Folder::messageIds() const {
    return tableRowIds(NodeType::ContentsTable);
}

size_t Folder::messageCount() const {
    const auto t = table(NodeType::ContentsTable);
    return t ? t->rowCount() : 0;
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
    for (const std::string known :
         {"Note", "Contact", "Appointment", "Task", "StickyNote", "Journal"}) {
        if (kind == known || kind.rfind(known + ".", 0) == 0) return "IPM." + known;
    }
    return "IPM." + kind;
}
}  // namespace pellmark::pst
