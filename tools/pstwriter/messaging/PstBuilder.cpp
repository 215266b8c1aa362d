#include "pstwriter/messaging/PstBuilder.h"

namespace pellmark::pstwriter {

PstBuilder::PstBuilder()
    : ipm_(options_.ipmSubtreeName, std::nullopt),
      deleted_(options_.deletedItemsName, std::nullopt),
      hidden_("", std::nullopt) {}

void writeFolderContents(PstWriter& writer, FolderHandle target, const Folder& folder) {
    for (const auto& m : folder.messages()) writer.addMessage(target, *m);
    for (const auto& sub : folder.folders()) {
        const FolderHandle h =
            writer.openFolder(target, sub->name(), sub->containerClass(), &sub->properties());
        writeFolderContents(writer, h, *sub);
        writer.closeFolder(h);
    }
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
