#pragma once
// Turns a mailbox's folders into tree nodes: one node per folder, labelled "Name (count)" and
// pictured by its kind (a folder of a class of no known kind is a mail folder), found depth
// first, each folder's node before its subfolders', and siblings in the store's order (the
// store's one guarded walk). A folder that cannot be read gets no node and is named in the
// tree's unread list; the walk goes on with the rest, so a damaged mailbox still shows every
// folder that can be read.

#include <functional>
#include <string>
#include <unordered_set>

#include "gui/foldertree/FolderTree.h"
#include "store/MailStore.h"

namespace pellmark::gui {

class FolderNodes {
  public:
    // `yield` lets the window system process pending events; it runs once per subfolder.
    FolderNodes(FolderTree& tree, std::function<void()> yield);

    // Adds `folder`'s node below `parent` and returns it: the node under which the folder's
    // subfolders go. Returns nullptr when the walk has met this folder before; it must not be
    // walked again. Throws when the folder cannot be read.
    QTreeWidgetItem* addFolder(store::Folder& folder, QTreeWidgetItem* parent);

    // Adds the nodes for every folder below `parent`, at any depth, below `parentNode`
    // (what addFolder returned for it).
    void addSubfolders(store::Folder& parent, QTreeWidgetItem* parentNode);

  private:
    FolderTree& tree_;
    std::function<void()> yield_;
    std::unordered_set<std::string> visited_;  // entry ids
};

}  // namespace pellmark::gui
