#pragma once
// Turns a mailbox's folders into tree nodes: one node per folder of a kind the tree shows,
// labelled "Name (count)", found depth first, each folder's node before its subfolders', and
// siblings in the store's order. Nothing is caught: a failing read ends the walk where it
// stands, the nodes added so far stay, and the error goes to the caller.
//
// The walk keeps its own stack, so a mailbox of any depth cannot exhaust the program's, and it
// descends into each folder once, so a damaged file whose folders list each other in a loop
// still ends.

#include <functional>
#include <string>
#include <unordered_set>

#include "store/MailStore.h"
#include "tree/FolderTree.h"

namespace pellmark::tree {

// A folder node's tag: the entry identifier, "#", the folder path from its second character.
std::string folderTag(const std::string& entryId, const std::string& folderPath);
std::string folderTag(store::Folder& folder);

class FolderWalk {
public:
    // `yield` lets the window system process pending events; it runs once per subfolder.
    FolderWalk(FolderTree& tree, std::function<void()> yield);

    // Adds `folder`'s node below `parent` when the tree shows its kind. Returns the node under
    // which the folder's subfolders go: its own node, or `parent` when it got none, so a folder
    // below one of an unshown kind sits with its nearest shown ancestor. Returns nullptr when
    // the walk has met this folder before; it must not be walked again.
    QTreeWidgetItem* addFolder(store::Folder& folder, QTreeWidgetItem* parent);

    // Adds the nodes for every folder below `iSubFolder`, at any depth, below `iSubFolderNode`
    // (what addFolder returned for it).
    void GetSubFolders(store::Folder& iSubFolder, QTreeWidgetItem* iSubFolderNode);

private:
    FolderTree& tree_;
    std::function<void()> yield_;
    std::unordered_set<std::string> visited_;  // entry ids
};

}  // namespace pellmark::tree
