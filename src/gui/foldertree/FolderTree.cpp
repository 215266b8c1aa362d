#include "gui/foldertree/FolderTree.h"

#include <algorithm>

#include <QBrush>
#include <QFont>
#include <QHeaderView>

namespace pellmark::gui {

namespace {

enum Role : int {
    KeyRole = Qt::UserRole,
    EntryIdRole,  // of the folder the node stands for; none for a root that stands for none
    PathRole,
    ImageRole,
    HasItemsRole,
};

const QColor kRootColour(0, 0, 128);
// How often waiting nodes are shown during a fill: often enough to look continuous.
constexpr std::chrono::milliseconds kBatchInterval(40);
const QColor kEmptyFolderColour(128, 128, 128);

}  // namespace

FolderTree::FolderTree(QWidget* parent) : QTreeWidget(parent) {
    setColumnCount(1);
    setHeaderLabel(QStringLiteral("Mailbox Folders"));
    header()->setSectionsClickable(false);
    setFrameShape(QFrame::NoFrame);
    setSelectionMode(QAbstractItemView::SingleSelection);
    // Every row is one line of text with a 16-pixel icon: the view need not measure each row,
    // which keeps laying out a tree of thousands of folders cheap.
    setUniformRowHeights(true);
    setIconSize(QSize(16, 16));
}

void FolderTree::setImageList(ImageList images) {
    images_ = std::move(images);
    for (QTreeWidgetItem* item : nodes_) showImage(*item);
}

void FolderTree::removeAllNodes() {
    showBatch();
    nodes_.clear();
    unread_.clear();
    clear();
}

QTreeWidgetItem* FolderTree::addNode(const NodeSpec& spec, QTreeWidgetItem* relative) {
    auto* item = new QTreeWidgetItem(QStringList{spec.text});
    item->setData(0, KeyRole, spec.key);
    if (spec.folder) {
        item->setData(0, EntryIdRole, QString::fromStdString(spec.folder->entryId));
        item->setData(0, PathRole, QString::fromStdString(spec.folder->path));
    }
    item->setData(0, ImageRole, spec.image);
    item->setData(0, HasItemsRole, spec.hasItems);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
    item->setCheckState(0, Qt::Unchecked);
    if (!relative) {
        QFont bold = item->font(0);
        bold.setBold(true);
        item->setFont(0, bold);
        item->setForeground(0, QBrush(kRootColour));
    } else if (!spec.hasItems) {
        item->setForeground(0, QBrush(kEmptyFolderColour));
    }
    showImage(*item);
    nodes_.push_back(item);
    if (!relative) {
        addTopLevelItem(item);
        return item;
    }
    // A parent that already has waiting nodes gets its later ones in the same way, so that
    // siblings keep their order.
    auto waiting = std::find_if(waiting_.begin(), waiting_.end(),
                                [&](const auto& entry) { return entry.first == relative; });
    if (waiting != waiting_.end()) {
        waiting->second << item;
    } else if (batching_ && relative->treeWidget() == this && relative->isExpanded()) {
        waiting_.push_back({relative, {item}});
    } else {
        relative->addChild(item);
    }
    if (batching_ && std::chrono::steady_clock::now() - lastBatch_ > kBatchInterval) showBatch();
    return item;
}

QTreeWidgetItem* FolderTree::node(int index) const {
    if (index < 1 || index > nodeCount()) return nullptr;
    return nodes_[static_cast<std::size_t>(index - 1)];
}

int16_t FolderTree::checkState(int index) const {
    const QTreeWidgetItem* item = node(index);
    return item && item->checkState(0) == Qt::Checked ? 1 : 0;
}

void FolderTree::setCheckState(int index, int16_t state) {
    if (QTreeWidgetItem* item = node(index)) {
        item->setCheckState(0, state == 1 ? Qt::Checked : Qt::Unchecked);
    }
}

std::optional<store::FolderRef> FolderTree::folder(int index) const {
    const QTreeWidgetItem* item = node(index);
    if (!item || !item->data(0, EntryIdRole).isValid()) return std::nullopt;
    return store::FolderRef{item->data(0, EntryIdRole).toString().toStdString(),
                            item->data(0, PathRole).toString().toStdString()};
}

QString FolderTree::key(int index) const {
    const QTreeWidgetItem* item = node(index);
    return item ? item->data(0, KeyRole).toString() : QString();
}

int FolderTree::image(int index) const {
    const QTreeWidgetItem* item = node(index);
    return item ? item->data(0, ImageRole).toInt() : -1;
}

bool FolderTree::hasItems(int index) const {
    const QTreeWidgetItem* item = node(index);
    return item && item->data(0, HasItemsRole).toBool();
}

void FolderTree::beginBatches() {
    batching_ = true;
    lastBatch_ = std::chrono::steady_clock::now();
}

void FolderTree::endBatches() {
    showBatch();
    batching_ = false;
}

void FolderTree::showBatch() {
    for (auto& [parent, items] : waiting_) parent->addChildren(items);
    waiting_.clear();
    lastBatch_ = std::chrono::steady_clock::now();
}

void FolderTree::rootAdded() {
    if (QTreeWidgetItem* root = node(1)) root->setExpanded(true);
}

void FolderTree::fillEnded() {
    viewport()->update();
}

void FolderTree::showImage(QTreeWidgetItem& item) const {
    const int index = item.data(0, ImageRole).toInt();
    const bool known = index >= 0 && static_cast<std::size_t>(index) < images_.size();
    item.setIcon(0, known ? images_[static_cast<std::size_t>(index)] : QIcon());
}

}  // namespace pellmark::gui
