#include "app/recorder/RecorderPanelWidget.h"

#include <algorithm>

#include <QHeaderView>
#include <QPushButton>
#include <QStyle>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QSignalBlocker>
#include <QSplitter>
#include <QVBoxLayout>

namespace app {

namespace {

using Node = recorder::RecorderPanel::Node;

// Item data: the node's kind and folder.
constexpr int kKindRole = Qt::UserRole;
constexpr int kFolderRole = Qt::UserRole + 1;
constexpr int kDeleteKeyCode = 46;

QString q(const std::string &s) { return QString::fromStdString(s); }

Node kindOf(const QTreeWidgetItem *item) { return static_cast<Node>(item->data(0, kKindRole).toInt()); }
int folderOf(const QTreeWidgetItem *item) { return item->data(0, kFolderRole).toInt(); }

QTreeWidgetItem *node(QTreeWidgetItem *parent, const QString &text, Node kind, int folder) {
  auto *item = new QTreeWidgetItem(parent, QStringList{text});
  item->setData(0, kKindRole, static_cast<int>(kind));
  item->setData(0, kFolderRole, folder);
  return item;
}

}  // namespace

RecorderPanelWidget::RecorderPanelWidget(QLabel *status, QProgressBar *gauge, QWidget *parent)
    : QWidget(parent), status_(status), gauge_(gauge) {
  setObjectName("m_PnlFlash");
  auto *layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  Splitter5 = new QSplitter(Qt::Horizontal, this);
  Splitter5->setObjectName("Splitter5");
  Splitter5->setChildrenCollapsible(false);
  layout->addWidget(Splitter5);

  // The folder panel: a caption bar over the folder tree.
  m_PnlFlashFolder = new QWidget(Splitter5);
  m_PnlFlashFolder->setObjectName("m_PnlFlashFolder");
  m_PnlFlashFolder->setMinimumWidth(kMinTreeWidth);
  auto *folderLayout = new QVBoxLayout(m_PnlFlashFolder);
  folderLayout->setContentsMargins(0, 0, 0, 0);
  folderLayout->setSpacing(0);
  auto *caption = new QLabel(QStringLiteral("  Voice Folder"), m_PnlFlashFolder);
  caption->setObjectName("m_LblFlashFolder");
  caption->setFixedHeight(20);
  caption->setAutoFillBackground(true);
  caption->setBackgroundRole(QPalette::Dark);
  caption->setForegroundRole(QPalette::BrightText);
  folderLayout->addWidget(caption);

  m_TvFlashFolderList = new QTreeWidget(m_PnlFlashFolder);
  m_TvFlashFolderList->setObjectName("m_TvFlashFolderList");
  m_TvFlashFolderList->setHeaderHidden(true);
  m_TvFlashFolderList->setAccessibleName("Recorder folders");
  m_TvFlashFolderList->setSelectionMode(QAbstractItemView::SingleSelection);
  connect(m_TvFlashFolderList, &QTreeWidget::currentItemChanged, this,
          [this](QTreeWidgetItem *current, QTreeWidgetItem *) { OnTvFlashFolderListChange(current); });
  connect(m_TvFlashFolderList, &QTreeWidget::itemCollapsed, this,
          [this](QTreeWidgetItem *item) { OnTvFlashFolderListCollapsed(item); });
  folderLayout->addWidget(m_TvFlashFolderList);

  // The recording list over its tool bar with the two copy buttons.
  auto *listSide = new QWidget(Splitter5);
  auto *listLayout = new QVBoxLayout(listSide);
  listLayout->setContentsMargins(0, 0, 0, 0);
  listLayout->setSpacing(0);
  m_LvFlashFileList = new QTreeWidget(listSide);
  m_LvFlashFileList->setObjectName("m_LvFlashFileList");
  m_LvFlashFileList->setAccessibleName("Recordings");
  m_LvFlashFileList->setRootIsDecorated(false);
  m_LvFlashFileList->setUniformRowHeights(true);
  m_LvFlashFileList->setSelectionMode(QAbstractItemView::ExtendedSelection);
  m_LvFlashFileList->setHeaderLabels({"No/Filename", "Ext", "RecMode", "Size", "Recorded"});
  m_LvFlashFileList->headerItem()->setTextAlignment(2, Qt::AlignCenter);
  m_LvFlashFileList->headerItem()->setTextAlignment(3, Qt::AlignRight | Qt::AlignVCenter);
  m_LvFlashFileList->headerItem()->setTextAlignment(4, Qt::AlignCenter);
  m_LvFlashFileList->setColumnWidth(0, 151);
  m_LvFlashFileList->setColumnWidth(1, 40);
  m_LvFlashFileList->setColumnWidth(2, 70);
  m_LvFlashFileList->setColumnWidth(3, 90);
  m_LvFlashFileList->header()->setStretchLastSection(true);
  listLayout->addWidget(m_LvFlashFileList, 1);

  m_PnlFlashFileToolbar = new QWidget(listSide);
  m_PnlFlashFileToolbar->setObjectName("m_PnlFlashFileToolbar");
  m_PnlFlashFileToolbar->setFixedHeight(kToolbarHeight);
  m_BtnFileToFlash = new QPushButton(m_PnlFlashFileToolbar);
  m_BtnFileToFlash->setObjectName("m_BtnFileToFlash");
  m_BtnFileToPC = new QPushButton(m_PnlFlashFileToolbar);
  m_BtnFileToPC->setObjectName("m_BtnFileToPC");
  for (QPushButton *button : {m_BtnFileToFlash, m_BtnFileToPC}) {
    button->setFixedSize(kCopyButtonWidth, kToolbarHeight - 4);
    button->setIconSize(QSize(16, 16));
  }
  m_BtnFileToFlash->setIcon(style()->standardIcon(QStyle::SP_ArrowDown));
  m_BtnFileToPC->setIcon(style()->standardIcon(QStyle::SP_ArrowUp));
  listLayout->addWidget(m_PnlFlashFileToolbar);

  Splitter5->setStretchFactor(1, 1);
  Splitter5->setSizes({210, 628});
  connect(Splitter5, &QSplitter::splitterMoved, this, [this] { emit treeWidthChanged(treeWidth()); });
  // Filters only once every widget they look at exists.
  for (QObject *watched : {static_cast<QObject *>(m_TvFlashFolderList->viewport()),
                           static_cast<QObject *>(m_LvFlashFileList), static_cast<QObject *>(m_LvFlashFileList->viewport()),
                           static_cast<QObject *>(m_PnlFlashFileToolbar)})
    watched->installEventFilter(this);

  if (!status_) {
    status_ = new QLabel(this);
    layout->addWidget(status_);
  }
  if (!gauge_) {
    gauge_ = new QProgressBar(this);
    gauge_->setRange(0, 100);
    layout->addWidget(gauge_);
  }
  rebuildTree({});
}

int RecorderPanelWidget::treeWidth() const { return Splitter5->sizes().value(0); }

void RecorderPanelWidget::setTreeWidth(int width) {
  width = std::max(width, kMinTreeWidth);
  const QList<int> sizes = Splitter5->sizes();
  if (sizes.size() != 2 || sizes[0] == width) return;
  Splitter5->setSizes({width, std::max(0, sizes[0] + sizes[1] - width)});
}

void RecorderPanelWidget::OnPnlFlashFileListResize() {
  // The to-recorder button sits left of the middle, at least 84 from the
  // edge; the to-PC button 2 pixels to its right.
  const int bar = m_PnlFlashFileToolbar->width();
  const int left = std::max(84, bar / 2 - m_BtnFileToFlash->width() - 2);
  m_BtnFileToFlash->move(left, 2);
  m_BtnFileToPC->move(left + m_BtnFileToFlash->width() + 2, 2);
}

void RecorderPanelWidget::applyHints(const QString &toFlash, const QString &toPc) {
  m_BtnFileToFlash->setToolTip(toFlash);
  m_BtnFileToFlash->setAccessibleName(toFlash);
  m_BtnFileToPC->setToolTip(toPc);
  m_BtnFileToPC->setAccessibleName(toPc);
}

QTreeWidgetItem *RecorderPanelWidget::folderItem(int folder) const {
  for (QTreeWidgetItemIterator it(m_TvFlashFolderList); *it; ++it)
    if (kindOf(*it) == Node::Folder && folderOf(*it) == folder) return *it;
  return nullptr;
}

void RecorderPanelWidget::rebuildTree(const std::vector<std::string> &folderNames) {
  QSignalBlocker block(m_TvFlashFolderList);
  m_TvFlashFolderList->clear();
  root_ = new QTreeWidgetItem(m_TvFlashFolderList, QStringList{"Q417"});
  root_->setData(0, kKindRole, static_cast<int>(Node::Root));
  QTreeWidgetItem *voice = node(root_, "Voice", Node::Voice, 0);
  QTreeWidgetItem *mp3 = node(root_, "Mp3", Node::Mp3, 0);
  for (size_t i = 0; i < folderNames.size(); ++i)
    node(i < 4 ? voice : mp3, q(folderNames[i]), Node::Folder, static_cast<int>(i + 1));
  m_TvFlashFolderList->expandAll();
}

void RecorderPanelWidget::setFolderNodeText(int folder, const std::string &text) {
  if (QTreeWidgetItem *item = folderItem(folder)) item->setText(0, q(text));
}

void RecorderPanelWidget::selectFolderNode(int folder) {
  QSignalBlocker block(m_TvFlashFolderList);
  if (QTreeWidgetItem *item = folderItem(folder)) m_TvFlashFolderList->setCurrentItem(item);
}

QTreeWidgetItem *RecorderPanelWidget::makeRow(const recorder::FileRow &row) const {
  auto *item = new QTreeWidgetItem(QStringList{q(row.caption), q(row.ext), q(row.recMode), q(row.size), q(row.recorded)});
  item->setTextAlignment(3, Qt::AlignRight | Qt::AlignVCenter);
  return item;
}

void RecorderPanelWidget::setFileRows(const std::vector<recorder::FileRow> &rows) {
  // Hidden while it is filled: one repaint for up to 99 rows.
  m_LvFlashFileList->setUpdatesEnabled(false);
  m_LvFlashFileList->clear();
  QList<QTreeWidgetItem *> items;
  items.reserve(static_cast<int>(rows.size()));
  for (const auto &row : rows) items.push_back(makeRow(row));
  m_LvFlashFileList->addTopLevelItems(items);
  m_LvFlashFileList->setUpdatesEnabled(true);
}

void RecorderPanelWidget::appendFileRow(const recorder::FileRow &row) {
  m_LvFlashFileList->addTopLevelItem(makeRow(row));
}

void RecorderPanelWidget::removeFileRow(int index) { delete m_LvFlashFileList->takeTopLevelItem(index); }

int RecorderPanelWidget::fileRowCount() const { return m_LvFlashFileList->topLevelItemCount(); }

void RecorderPanelWidget::setTotals(const std::string &statusText, int gaugePercent) {
  if (status_) status_->setText(q(statusText));
  if (!gauge_) return;
  if (gaugePercent < 0)
    gauge_->reset();
  else
    gauge_->setValue(gaugePercent);
}

std::vector<int> RecorderPanelWidget::selectedRows() const {
  std::vector<int> rows;
  for (int i = 0; i < m_LvFlashFileList->topLevelItemCount(); ++i)
    if (m_LvFlashFileList->topLevelItem(i)->isSelected()) rows.push_back(i);
  return rows;
}

void RecorderPanelWidget::OnPupFlashSelectAllClick() { m_LvFlashFileList->selectAll(); }

void RecorderPanelWidget::focusFolder(int folder) {
  if (logic_) logic_->setCurrentFolder(folder);
  selectFolderNode(folder);
  m_TvFlashFolderList->setFocus();
}

void RecorderPanelWidget::collapseFolders() {
  QSignalBlocker block(m_TvFlashFolderList);
  if (root_) m_TvFlashFolderList->collapseItem(root_);
}

void RecorderPanelWidget::OnTvFlashFolderListChange(QTreeWidgetItem *current) {
  if (!logic_ || !current) return;
  logic_->OnTvFlashFolderListChange(kindOf(current), folderOf(current));
}

void RecorderPanelWidget::OnTvFlashFolderListCollapsed(QTreeWidgetItem *) {
  // The tree cannot be collapsed: expanded again, folder 1 selected.
  if (logic_) logic_->OnTvFlashFolderListCollapsed();
  QSignalBlocker block(m_TvFlashFolderList);
  m_TvFlashFolderList->expandAll();
}

bool RecorderPanelWidget::OnTvFlashFolderListMouseDown(const QPoint &pos) {
  QTreeWidgetItem *item = m_TvFlashFolderList->itemAt(pos);
  if (!logic_ || !item) return false;
  int row = 0;
  for (QTreeWidgetItemIterator it(m_TvFlashFolderList); *it && *it != item; ++it) ++row;
  logic_->OnTvFlashFolderListMouseDown(row, kindOf(item), folderOf(item));
  m_TvFlashFolderList->setFocus();
  return true;
}

bool RecorderPanelWidget::OnLvFlashFileListMouseDown(QMouseEvent *event) {
  if (!logic_) return false;
  QPoint pos = event->position().toPoint();
  if (!logic_->OnLvFlashFileListMouseDown(pos.x(), pos.y())) return false;
  if (event->button() == Qt::RightButton) {
    if (QTreeWidgetItem *item = m_LvFlashFileList->itemAt(pos)) {
      if (!item->isSelected()) {
        m_LvFlashFileList->clearSelection();
        item->setSelected(true);
      }
      m_LvFlashFileList->setCurrentItem(item, 0, QItemSelectionModel::NoUpdate);
    }
    if (onPopupMenu) onPopupMenu(logic_->popupState(selectedRows()), event->globalPosition().toPoint());
    return true;
  }
  return false;
}

bool RecorderPanelWidget::OnLvFlashFileListMouseMove(QMouseEvent *event) {
  if (!logic_ || !(event->buttons() & (Qt::LeftButton | Qt::RightButton))) return false;
  QPoint pos = event->position().toPoint();
  bool overItem = m_LvFlashFileList->itemAt(pos) != nullptr;
  return logic_->OnLvFlashFileListMouseMove(pos.x(), pos.y(), overItem, selectedRows());
}

bool RecorderPanelWidget::eventFilter(QObject *watched, QEvent *event) {
  if (watched == m_PnlFlashFileToolbar && event->type() == QEvent::Resize) OnPnlFlashFileListResize();
  if (watched == m_TvFlashFolderList->viewport() && event->type() == QEvent::MouseButtonPress)
    return OnTvFlashFolderListMouseDown(static_cast<QMouseEvent *>(event)->position().toPoint());
  if (watched == m_LvFlashFileList && event->type() == QEvent::KeyPress) {
    auto *key = static_cast<QKeyEvent *>(event);
    if (key->key() == Qt::Key_Delete && logic_) {
      logic_->OnLvFlashFileListKeyDown(kDeleteKeyCode);
      return true;
    }
  }
  if (watched == m_LvFlashFileList->viewport()) {
    if (event->type() == QEvent::MouseButtonPress) return OnLvFlashFileListMouseDown(static_cast<QMouseEvent *>(event));
    if (event->type() == QEvent::MouseMove) return OnLvFlashFileListMouseMove(static_cast<QMouseEvent *>(event));
  }
  return QWidget::eventFilter(watched, event);
}

}  // namespace app
