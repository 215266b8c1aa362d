#include "pstwriter/messaging/PstBuilder.h"

#include "pstwriter/messaging/ItemKinds.h"

namespace pellmark::pstwriter {

PstBuilder::PstBuilder()
    : ipm_(options_.ipmSubtreeName, std::nullopt),
      deleted_(options_.deletedItemsName, std::nullopt),
      hidden_("", std::nullopt) {}

void writeFolderContents(PstWriter& writer, FolderHandle target, const Folder& folder) {
    for (const auto& m : folder.messages()) {
        if (m->deleted) {
            writer.addDeletedMessage(target, *m);
        } else {
            writer.addMessage(target, *m);
        }
    }
    for (const auto& sub : folder.folders()) {
        const FolderHandle h =
            writer.openFolder(target, sub->name(), sub->containerClass(), &sub->properties());
        writeFolderContents(writer, h, *sub);
        writer.closeFolder(h);
    }
}

namespace {

// The order write() adds messages in: each folder's own, then its subfolders', depth first.
void numberMessages(const Folder& folder, uint32_t& index,
                    std::map<const Message*, uint32_t>& ids) {
    for (const auto& m : folder.messages())
        ids[m.get()] = NodeId(NodeType::NormalMessage, ++index).value;
    for (const auto& sub : folder.folders()) numberMessages(*sub, index, ids);
}

}  // namespace

std::map<const Message*, uint32_t> PstBuilder::messageNodeIds() const {
    std::map<const Message*, uint32_t> ids;
    uint32_t index = PstWriter::kFirstMessageIndex - 1;
    numberMessages(deleted_, index, ids);
    numberMessages(ipm_, index, ids);
    numberMessages(hidden_, index, ids);
    return ids;
}

ByteVec PstBuilder::entryIdOf(const Message& m,
                              const std::map<const Message*, uint32_t>& ids) const {
    return messageEntryId(options_.recordKey, ids.at(&m));
}

void PstBuilder::write(const std::filesystem::path& path, FileVariant variant) const {
    WriteOptions options = options_;
    options.format = variant.format;
    options.crypt = variant.crypt;
    PstWriter writer(path, options);
    writeFolderContents(writer, writer.deletedItems(), deleted_);
    writeFolderContents(writer, writer.ipmSubtree(), ipm_);
    writeFolderContents(writer, writer.rootFolder(), hidden_);
    writer.finish();
}

}  // namespace pellmark::pstwriter
