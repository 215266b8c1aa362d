#pragma once
// The component's objects over the PST reader: a store is one data file.

#include <memory>
#include <string>

#include "formats/ModelMailItem.h"
#include "pst/messaging/PstFile.h"
#include "store/MailStore.h"

namespace pellmark::pststore {

// A data file as a store. The file is opened on first use, so a store of the profile whose
// file is missing can still be listed; it fails when its name or second text is read.
class PstStore : public store::Store {
  public:
    explicit PstStore(std::string absolutePath);
    // A store over a file already opened.
    PstStore(std::string absolutePath, std::shared_ptr<const pst::PstFile> file);

    std::string displayName() override;
    std::string entryId() override;
    std::string dataFilePath() override;
    std::unique_ptr<store::Folder> rootFolder() override;
    std::unique_ptr<store::Folder> folderFromId(const std::string& entryId) override;
    std::vector<std::string> damage() override;
    std::unique_ptr<store::Items> unreachableItems() override;
    store::DeletedItems deletedItems() override;

    const pst::PstFile& file();

  private:
    std::string path_;
    std::shared_ptr<const pst::PstFile> file_;
};

// Opens `path` (made absolute) as a store; throws StoreError when it is not a readable data
// file.
std::unique_ptr<PstStore> openStore(const std::string& path);

}  // namespace pellmark::pststore
