#pragma once
// The folder tree of the main window: one root node for the store and a node per exportable
// folder, each with a check box. It is both the display and the selection: the conversion start
// reads the folders of the ticked nodes. Nodes hold text and numbers only, never a store object,
// so the tree outlives the session that filled it.
//
// Nodes are numbered from 1 in the order they were added; node 1 is the root after a fill.

#include <QString>
#include <QTreeWidget>
#include <chrono>
#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

#include "gui/foldertree/ImageList.h"
#include "store/FolderRef.h"
#include "store/FolderWalk.h"

namespace pellmark::gui {

// What a new node carries.
struct NodeSpec {
    QString key;    // the store's display name, or the folder's Name; need not be unique
    QString text;   // the label
    int image = 0;  // index into the tree's image list
    bool hasItems = true;
    // The folder the node stands for; none for the store's root, unless its top folder holds
    // items of its own.
    std::optional<store::FolderRef> folder;
};

class FolderTree : public QTreeWidget {
  public:
    explicit FolderTree(QWidget* parent = nullptr);

    // The pictures that nodes name by index; nodes added before keep their index and show the
    // picture from now on.
    void setImageList(ImageList images);

    // Removes every node.
    void removeAllNodes();
    // Adds a node below `relative`, or at the top level when it is null, and returns it.
    QTreeWidgetItem* addNode(const NodeSpec& spec, QTreeWidgetItem* relative);

    int nodeCount() const { return static_cast<int>(nodes_.size()); }
    // Node `index`, 1-based.
    QTreeWidgetItem* node(int index) const;

    // Check state 1 means ticked; anything else not.
    int16_t checkState(int index) const;
    void setCheckState(int index, int16_t state);
    std::optional<store::FolderRef> folder(int index) const;
    QString key(int index) const;
    int image(int index) const;
    bool hasItems(int index) const;

    // What a fill could not read, until the next removeAllNodes(); the conversion reports it with
    // the run's failures.
    void noteUnread(store::UnreadFolder unread) { unread_.push_back(std::move(unread)); }
    const std::vector<store::UnreadFolder>& unreadFolders() const { return unread_; }

    // A fill has added the root: it stays open so the top-level folders show as they come.
    void rootAdded();
    // A fill has ended: every node is in the view.
    void fillEnded();

    // While nodes come in batches, a node for an open parent waits until the batch is shown,
    // so the view lays its open branches out once a batch instead of once a node. Between
    // beginBatches() and endBatches() a batch is shown every few tens of milliseconds.
    void beginBatches();
    void endBatches();

  private:
    void showImage(QTreeWidgetItem& item) const;
    void showBatch();

    ImageList images_;
    std::vector<QTreeWidgetItem*> nodes_;  // owned by the widget, or by a waiting parent
    std::vector<store::UnreadFolder> unread_;
    bool batching_ = false;
    // Waiting nodes per parent, parents in the order they first got one.
    std::vector<std::pair<QTreeWidgetItem*, QList<QTreeWidgetItem*>>> waiting_;
    std::chrono::steady_clock::time_point lastBatch_;
};

}  // namespace pellmark::gui
