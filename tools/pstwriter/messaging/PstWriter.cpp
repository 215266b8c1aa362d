#include "pstwriter/messaging/PstWriter.h"

#include <algorithm>
#include <stdexcept>

#include "mapi/Tags.h"
#include "pst/ltp/PstTags.h"
#include "pstwriter/ltp/TableTemplates.h"
#include "pstwriter/ltp/TableWriter.h"

namespace pellmark::pstwriter {
namespace {

namespace prop = mapi::prop;

constexpr int32_t kValidFolders = 0x89;  // IPM subtree, wastebasket and finder are valid

// Internal nodes Outlook creates empty in every file: the search management queue, the search
// domain object and the gatherer queues.
constexpr uint32_t kEmptyInternalNodes[] = {0x1E1, 0x261, 0x281, 0x321};

}  // namespace

struct PstWriter::OpenFolder {
    NodeId nid;
    NodeId parent;
    std::vector<StoredProp> props;
    NodeBuilder contentsNode;
    TableWriter contents;
    std::vector<std::pair<uint32_t, std::vector<StoredProp>>> children;
    uint32_t count = 0;
    uint32_t unread = 0;

    OpenFolder(NdbWriter& ndb, bool unicode)
        : contentsNode(ndb), contents(contentsNode, templates::contents(unicode)) {}
};

PstWriter::PstWriter(const std::filesystem::path& path, WriteOptions options)
    : options_(std::move(options)),
      ndb_(path, options_.format, options_.crypt),
      ctx_{ndb_, names_, TextCodec(options_.format != Format::Ansi, options_.codepage),
           options_.defaultTime} {
    const NodeId root = pst::nid::kRootFolder;
    open(root, root, "", std::nullopt, nullptr);
    ipm_ = open(NodeId(NodeType::NormalFolder, ++nextFolderIndex_), root, options_.ipmSubtreeName,
                std::nullopt, nullptr);
    search_ = open(NodeId(NodeType::NormalFolder, ++nextFolderIndex_), root,
                   options_.searchRootName, std::nullopt, nullptr);
    deleted_ = open(NodeId(NodeType::NormalFolder, ++nextFolderIndex_), NodeId(ipm_),
                    options_.deletedItemsName, std::nullopt, nullptr);
}

PstWriter::~PstWriter() = default;

PstWriter::OpenFolder& PstWriter::folder(FolderHandle h) {
    auto it = open_.find(h);
    if (it == open_.end()) throw std::logic_error("folder is not open");
    return *it->second;
}

FolderHandle PstWriter::open(NodeId nid, NodeId parent, const std::string& name,
                             const std::optional<std::string>& containerClass,
                             const PropertyBag* extra) {
    auto f = std::make_unique<OpenFolder>(ndb_, ctx_.codec.unicode());
    f->nid = nid;
    f->parent = parent;
    PropertyBag bag;
    if (extra) bag = *extra;
    bag.setString(prop::kDisplayName, name);
    if (containerClass) bag.setString(prop::kContainerClass, *containerClass);
    f->props = storeBag(ctx_, bag, ctx_.codec.codepage());
    open_.emplace(nid.value, std::move(f));
    openOrder_.push_back(nid.value);
    return nid.value;
}

FolderHandle PstWriter::openFolder(FolderHandle parent, const std::string& name,
                                   const std::optional<std::string>& containerClass,
                                   const PropertyBag* extra) {
    folder(parent);  // must be open
    return open(NodeId(NodeType::NormalFolder, ++nextFolderIndex_), NodeId(parent), name,
                containerClass, extra);
}

void PstWriter::addMessage(FolderHandle h, const Message& message) {
    OpenFolder& f = folder(h);
    const NodeId nid(NodeType::NormalMessage, ++nextMessageIndex_);
    WrittenMessage m = writeMessage(ctx_, message);
    ndb_.addNode(nid, m.data, m.sub, f.nid);
    f.contents.addRow(nid.value, m.summary);
    ++f.count;
    if (!m.read) ++f.unread;
    ++messages_;
}

uint32_t PstWriter::addDeletedMessage(FolderHandle h, const Message& message, bool blockPages) {
    OpenFolder& f = folder(h);
    const NodeId nid(NodeType::NormalMessage, ++nextMessageIndex_);
    const size_t mark = ndb_.blockMark();
    WrittenMessage m = writeMessage(ctx_, message);
    ndb_.addNode(nid, m.data, m.sub, f.nid);
    ndb_.deleteNode(nid, mark, blockPages);
    return nid.value;
}

void PstWriter::writeEmptyTable(NodeId nid, const std::vector<mapi::PropTag>& columns) {
    NodeBuilder node(ndb_);
    TableWriter table(node, columns);
    const BlockId data = table.finish();
    ndb_.addNode(nid, data, node.finishSubnodes(), NodeId());
}

void PstWriter::closeFolder(FolderHandle h) {
    OpenFolder& f = folder(h);
    for (FolderHandle other : openOrder_) {
        if (other != h && open_.count(other) && open_.at(other)->parent == f.nid) {
            throw std::logic_error("a folder is closed before its subfolders");
        }
    }
    const bool unicode = ctx_.codec.unicode();
    const BlockId contents = f.contents.finish();
    ndb_.addNode(f.nid.withType(NodeType::ContentsTable), contents, f.contentsNode.finishSubnodes(),
                 NodeId());
    {
        NodeBuilder node(ndb_);
        TableWriter table(node, templates::hierarchy(unicode));
        for (const auto& [nid, row] : f.children) table.addRow(nid, row);
        const BlockId data = table.finish();
        ndb_.addNode(f.nid.withType(NodeType::HierarchyTable), data, node.finishSubnodes(),
                     NodeId());
    }
    writeEmptyTable(f.nid.withType(NodeType::AssocContentsTable),
                    templates::assocContents(unicode));

    const int cp = ctx_.codec.codepage();
    PropertyBag counts;
    counts.setInt(prop::kContentCount, static_cast<int32_t>(f.count));
    counts.setInt(prop::kContentUnreadCount, static_cast<int32_t>(f.unread));
    counts.setBool(prop::kSubfolders, !f.children.empty());
    counts.setInt(pst::prop::kPstHiddenCount, 0);
    counts.setInt(pst::prop::kPstHiddenUnread, 0);
    std::vector<StoredProp> props = storeBag(ctx_, counts, cp);
    props.insert(props.begin(), f.props.begin(), f.props.end());
    NodeBuilder node(ndb_);
    const BlockId data = writePropertyContext(node, props);
    ndb_.addNode(f.nid, data, node.finishSubnodes(), f.parent);

    if (f.parent != f.nid) {
        folder(f.parent.value).children.emplace_back(f.nid.value, std::move(props));
    }
    open_.erase(h);
    openOrder_.erase(std::find(openOrder_.begin(), openOrder_.end(), h));
}

ByteVec PstWriter::entryId(NodeId nid) const {
    ByteBuffer b;
    b.u32(0);
    b.bytes(options_.recordKey);
    b.u32(nid.value);
    return b.take();
}

void PstWriter::writeStore() {
    PropertyBag store;
    store.set(prop::kRecordKey,
              PropValue::binary(ByteVec(options_.recordKey.begin(), options_.recordKey.end())));
    store.setString(prop::kDisplayName, options_.storeName);
    store.set(prop::kIpmSubtreeEntryId, PropValue::binary(entryId(NodeId(ipm_))));
    store.set(prop::kIpmWastebasketEntryId, PropValue::binary(entryId(NodeId(deleted_))));
    store.set(prop::kFinderEntryId, PropValue::binary(entryId(NodeId(search_))));
    store.setInt(prop::kValidFolderMask, kValidFolders);
    NodeBuilder node(ndb_);
    const BlockId data = writePropertyContext(node, storeBag(ctx_, store, ctx_.codec.codepage()));
    ndb_.addNode(pst::nid::kMessageStore, data, node.finishSubnodes(), NodeId());
}

void PstWriter::finish() {
    if (finished_) throw std::logic_error("finish() called twice");
    while (!openOrder_.empty()) closeFolder(openOrder_.back());
    writeStore();
    names_.write(ndb_);
    const bool unicode = ctx_.codec.unicode();
    writeEmptyTable(NodeId(0x60D), templates::hierarchy(unicode));
    writeEmptyTable(NodeId(0x60E), templates::contents(unicode));
    writeEmptyTable(NodeId(0x60F), templates::assocContents(unicode));
    writeEmptyTable(NodeId(0x610), templates::searchContents(unicode));
    writeEmptyTable(pst::nid::kAttachmentTable, templates::attachments(unicode));
    writeEmptyTable(pst::nid::kRecipientTable, templates::recipients(unicode));
    for (uint32_t nid : kEmptyInternalNodes)
        ndb_.addNode(NodeId(nid), BlockId(), BlockId(), NodeId());
    ndb_.finish();
    finished_ = true;
}

}  // namespace pellmark::pstwriter
