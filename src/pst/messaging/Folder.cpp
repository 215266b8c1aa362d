#include "pst/messaging/Folder.h"

#include <algorithm>

#include "base/AsciiCase.h"
#include "mapi/Tags.h"
#include "pst/ltp/TableContext.h"
#include "pst/messaging/PstFile.h"

namespace pellmark::pst {

Folder::Folder(std::shared_ptr<const PstFile> file, const Node& node)
    : file_(std::move(file)), node_(node), props_(std::make_shared<PropertyContext>(node)) {}

std::string Folder::displayName() const {
    auto v = props_->get(mapi::prop::kDisplayName);
    return v ? v->asString(file_->store().codepage) : std::string();
}

namespace {

// Some writers store a folder's class as 8-bit text under the Unicode type, ended by a NUL and
// at times followed by more in UTF-16: read as UTF-16, "IPF.Note" becomes U+5049 U+2E46 U+6F4E
// U+6574. Real UTF-16 of an ASCII class has a zero byte in its first character, so a value
// whose bytes up to the first NUL are printable ASCII and spell a class ("IPF...") can only be
// such 8-bit text.
std::optional<std::string> eightBitClass(const mapi::PropValue& value) {
    if (value.type != mapi::PropType::Unicode) return std::nullopt;
    const auto end = std::find(value.bytes.begin(), value.bytes.end(), uint8_t{0});
    const std::string text(value.bytes.begin(), end);
    const bool printable = std::all_of(text.begin(), text.end(), [](char c) {
        return static_cast<unsigned char>(c) >= 0x20 && static_cast<unsigned char>(c) < 0x7F;
    });
    if (!printable || !base::startsWithNoCase(text, "IPF")) return std::nullopt;
    return text;
}

}  // namespace

std::string Folder::containerClass() const {
    auto v = props_->get(mapi::prop::kContainerClass);
    if (!v) return {};
    if (auto text = eightBitClass(*v)) return *text;
    return v->asString(file_->store().codepage);
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
    // Folders of these kinds, and of the classes that extend them ("IPF.Contact.MOC.
    // QuickContacts", "IPF.Appointment.Birthday"), hold their own kind of item. Classes are
    // compared without regard to letter case, as Outlook compares them.
    for (const std::string kind : {"Contact", "Appointment", "Task", "StickyNote", "Journal"}) {
        const std::string family = "IPF." + kind;
        if (base::startsWithNoCase(containerClass, family) &&
            (containerClass.size() == family.size() || containerClass[family.size()] == '.')) {
            return "IPM." + kind;
        }
    }
    // "IPF.Note" and its extensions, Outlook's IMAP folders ("IPF.Imap"), a folder without a
    // class, and every class of no known kind ("IPF", "IPF.Files", a program's own): mail, the
    // kind whose export saves any item, so that no folder that holds items is left out.
    return "IPM.Note";
}
}  // namespace pellmark::pst
