#pragma once

#include <memory>
#include <string>
#include <vector>

#include "pst/messaging/Folder.h"
#include "pst/messaging/PstFile.h"
#include "store/MailStore.h"

namespace pellmark::pststore {

class PstFolder : public store::Folder {
  public:
    // `steps`: the folder's path from the top folder (named after the store) down to it; the
    // last step's name is what name() reports.
    PstFolder(std::shared_ptr<const pst::PstFile> file, pst::Folder folder,
              std::vector<store::PathStep> steps);

    std::string name() override { return name_; }
    std::string entryId() override;
    std::string defaultMessageClass() override;
    std::string folderPath() override { return path_; }
    std::vector<store::PathStep> pathSteps() override { return steps_; }
    std::unique_ptr<store::Items> items() override;
    std::unique_ptr<store::Folders> folders() override;

  private:
    std::shared_ptr<const pst::PstFile> file_;
    pst::Folder folder_;
    std::vector<store::PathStep> steps_;
    std::string name_;
    std::string path_;
};

// The folder of `nid` with its folderPath, found by walking up the node B-tree's parent links
// to the top of the visible tree.
std::unique_ptr<PstFolder> folderById(std::shared_ptr<const pst::PstFile> file, pst::NodeId nid);
// The top of the visible tree, named after the store.
std::unique_ptr<PstFolder> topFolder(std::shared_ptr<const pst::PstFile> file);

}  // namespace pellmark::pststore
