#include "app/pc/PcFileList.h"

#include <QHeaderView>
#include <QScrollBar>
#include <algorithm>

namespace pc {

PcFileList::PcFileList(QWidget *parent) : QStackedWidget(parent) {
  setObjectName("m_LvPCFileList");
  report = new QTreeView(this);
  report->setObjectName("m_LvPCFileListReport");
  report->setRootIsDecorated(false);
  report->setItemsExpandable(false);
  report->setUniformRowHeights(true);
  report->setAllColumnsShowFocus(true);
  report->setSortingEnabled(false);
  report->header()->setSectionsClickable(true);
  report->header()->setSortIndicatorShown(true);
  report->header()->setSortIndicator(0, Qt::AscendingOrder);
  report->header()->setStretchLastSection(false);
  report->header()->setMinimumSectionSize(40);

  icons = new QListView(this);
  icons->setObjectName("m_LvPCFileListIcons");
  icons->setUniformItemSizes(true);
  icons->setResizeMode(QListView::Adjust);
  icons->setLayoutMode(QListView::Batched);
  icons->setBatchSize(500);
  icons->setMovement(QListView::Static);

  for (QAbstractItemView *v : {static_cast<QAbstractItemView *>(report), static_cast<QAbstractItemView *>(icons)}) {
    v->setSelectionMode(QAbstractItemView::ExtendedSelection);
    v->setSelectionBehavior(QAbstractItemView::SelectRows);
    v->setEditTriggers(QAbstractItemView::EditKeyPressed);
    v->setDragEnabled(false);
    v->setAcceptDrops(true);
    v->viewport()->setAcceptDrops(true);
    v->setDropIndicatorShown(false);
    v->setTextElideMode(Qt::ElideMiddle);
  }
  addWidget(report);
  addWidget(icons);
  setCurrentWidget(report);
}

void PcFileList::setModel(QAbstractItemModel *model) {
  if (report->model() == model) return;
  QItemSelectionModel *oldReport = report->selectionModel();
  QItemSelectionModel *oldIcons = icons->selectionModel();
  report->setModel(model);
  icons->setModel(model);
  shareSelection();
  if (oldReport) oldReport->deleteLater();
  if (oldIcons && oldIcons != oldReport) oldIcons->deleteLater();
}

void PcFileList::shareSelection() {
  QItemSelectionModel *shared = report->selectionModel();
  QItemSelectionModel *own = icons->selectionModel();
  if (own != shared) {
    icons->setSelectionModel(shared);
    own->deleteLater();
  }
  connect(shared, &QItemSelectionModel::selectionChanged, this, &PcFileList::selectionChanged,
          Qt::UniqueConnection);
}

void PcFileList::setRootIndex(const QModelIndex &root) {
  report->setRootIndex(root);
  icons->setRootIndex(root);
}

QAbstractItemView *PcFileList::view() const {
  return style_ == Style::Report ? static_cast<QAbstractItemView *>(report) : icons;
}

PcFileList::Style PcFileList::nextStyle(Style style) {
  switch (style) {
    case Style::LargeIcons: return Style::SmallIcons;
    case Style::SmallIcons: return Style::List;
    case Style::List: return Style::Report;
    case Style::Report: return Style::LargeIcons;
  }
  return Style::Report;
}

void PcFileList::setStyle(Style style) {
  bool hadFocus = view()->hasFocus();
  QModelIndex current = view()->currentIndex();
  style_ = style;
  switch (style) {
    case Style::LargeIcons:
      icons->setViewMode(QListView::IconMode);
      icons->setFlow(QListView::LeftToRight);
      icons->setWrapping(true);
      icons->setIconSize(QSize(32, 32));
      icons->setGridSize(QSize(96, 72));
      icons->setWordWrap(true);
      icons->setSpacing(2);
      break;
    case Style::SmallIcons:
      icons->setViewMode(QListView::ListMode);
      icons->setFlow(QListView::LeftToRight);
      icons->setWrapping(true);
      icons->setIconSize(QSize(16, 16));
      icons->setGridSize(QSize(180, 22));
      icons->setWordWrap(false);
      icons->setSpacing(0);
      break;
    case Style::List:
      icons->setViewMode(QListView::ListMode);
      icons->setFlow(QListView::TopToBottom);
      icons->setWrapping(true);
      icons->setIconSize(QSize(16, 16));
      icons->setGridSize(QSize(200, 22));
      icons->setWordWrap(false);
      icons->setSpacing(0);
      break;
    case Style::Report:
      break;
  }
  // The layout mode decides how the items move: none, whatever the view.
  icons->setMovement(QListView::Static);
  setCurrentWidget(view());
  if (current.isValid()) {
    view()->selectionModel()->setCurrentIndex(current, QItemSelectionModel::NoUpdate);
    view()->scrollTo(current);
  }
  if (hadFocus) view()->setFocus();
}

QModelIndexList PcFileList::selectedRows() const {
  QItemSelectionModel *selection = selectionModel();
  if (!selection) return {};
  QModelIndexList rows;
  const QModelIndex root = rootIndex();
  for (const QModelIndex &index : selection->selectedIndexes())
    if (index.column() == 0 && index.parent() == root) rows << index;
  std::sort(rows.begin(), rows.end(), [](const QModelIndex &a, const QModelIndex &b) { return a.row() < b.row(); });
  return rows;
}

void PcFileList::holdTopRow() {
  QAbstractItemView *v = view();
  heldTop_ = v->indexAt(QPoint(1, 1));
  heldTopY_ = heldTop_.isValid() ? v->visualRect(heldTop_).top() : 0;
}

void PcFileList::restoreTopRow() {
  if (!heldTop_.isValid()) return;
  QAbstractItemView *v = view();
  const QModelIndex top = heldTop_;
  heldTop_ = QPersistentModelIndex();
  const int y = v->visualRect(top).top();  // lays the view out first
  if (y == heldTopY_) return;
  if (v != report) {
    v->scrollTo(top, QAbstractItemView::PositionAtTop);
    return;
  }
  // The report's scroll bar counts rows or pixels; scrollTo would also move
  // it sideways.
  QScrollBar *bar = report->verticalScrollBar();
  if (report->verticalScrollMode() == QAbstractItemView::ScrollPerItem)
    bar->setValue(top.row());
  else
    bar->setValue(bar->value() + y - heldTopY_);
}

int PcFileList::rowCount() const { return model() ? model()->rowCount(rootIndex()) : 0; }

}  // namespace pc
