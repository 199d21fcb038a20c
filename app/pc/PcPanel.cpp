#include "app/pc/PcPanel.h"

#include <QApplication>
#include <algorithm>
#include <cstdlib>
#include <QDesktopServices>
#include <QDir>
#include <QDrag>
#include <QDropEvent>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMessageBox>
#include <QMimeData>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QUrl>

#include "app/pc/AttributesDialog.h"
#include "app/pc/Drives.h"
#include "app/pc/FileFilter.h"
#include "app/pc/FileListModel.h"
#include "app/pc/FileNames.h"
#include "app/pc/PcKeys.h"
#include "app/pc/PcMenu.h"
#include "app/pc/PcModels.h"
#include "app/pc/PcToolRow.h"
#include "app/pc/ToolIcons.h"

namespace pc {

using components::MsgKind;

namespace {

constexpr int kTreeWidth = 210;
constexpr int kMinTreeWidth = 50;
constexpr int kDragDistance = 10;
constexpr size_t kMaxDragItems = 500;
const char *const kNewFolderFallback = "New Folder";

ToolIcon iconOf(PcFileList::Style style) {
  switch (style) {
    case PcFileList::Style::LargeIcons: return ToolIcon::LargeIcons;
    case PcFileList::Style::SmallIcons: return ToolIcon::SmallIcons;
    case PcFileList::Style::List: return ToolIcon::List;
    case PcFileList::Style::Report: return ToolIcon::Report;
  }
  return ToolIcon::Report;
}

// A caption edit runs in the view: its editor has the focus.
bool editing(const QAbstractItemView *view) {
  QWidget *focus = QApplication::focusWidget();
  return focus && view->viewport()->isAncestorOf(focus);
}

QString withSlash(const QString &dir) { return dir.endsWith(QLatin1Char('/')) ? dir : dir + QLatin1Char('/'); }

}  // namespace

PcPanel::PcPanel(const components::MessageTexts &texts, QWidget *parent) : QWidget(parent), texts_(&texts) {
  setObjectName("m_PnlPC");
  ops_ = std::make_unique<FileOps>(static_cast<FileOpsUi &>(*this));
  ops_->busyFiles = [this] { return protectedPaths ? protectedPaths() : QStringList(); };

  icons_ = std::make_unique<PcIconProvider>();
  treeModel_ = new FolderTreeProxy(this);
  treeModel_->onRename = [this](const QString &path, const QString &name) { return renameEntry(path, name); };
  makeFolderModel();

  files_ = new FileListModel(*icons_, this);
  files_->onRename = treeModel_->onRename;
  drivesModel_ = new DrivesModel(this);

  auto *layout = new QHBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  Splitter1 = new QSplitter(Qt::Horizontal, this);
  Splitter1->setObjectName("Splitter1");
  Splitter1->setChildrenCollapsible(false);
  Splitter1->setHandleWidth(5);
  layout->addWidget(Splitter1);

  m_TvPCFolderList = new FolderTree(Splitter1);
  m_TvPCFolderList->setObjectName("m_TvPCFolderList");
  m_TvPCFolderList->setModel(treeModel_);
  m_TvPCFolderList->setHeaderHidden(true);
  m_TvPCFolderList->setUniformRowHeights(true);
  m_TvPCFolderList->setAnimated(false);
  m_TvPCFolderList->setSelectionMode(QAbstractItemView::SingleSelection);
  m_TvPCFolderList->setEditTriggers(QAbstractItemView::EditKeyPressed);
  m_TvPCFolderList->setMinimumWidth(kMinTreeWidth);
  m_TvPCFolderList->setAcceptDrops(true);
  m_TvPCFolderList->viewport()->setAcceptDrops(true);
  m_TvPCFolderList->setTextElideMode(Qt::ElideNone);
  m_TvPCFolderList->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
  m_TvPCFolderList->header()->setStretchLastSection(false);
  m_TvPCFolderList->installEventFilter(this);
  m_TvPCFolderList->viewport()->installEventFilter(this);
  connect(m_TvPCFolderList->selectionModel(), &QItemSelectionModel::currentChanged, this,
          [this](const QModelIndex &current) { onTreeCurrentChanged(current); });

  m_LvPCFileList = new PcFileList(Splitter1);
  m_LvPCFileList->setModel(files_);
  m_LvPCFileList->setMinimumWidth(kMinTreeWidth);
  for (QAbstractItemView *v :
       {static_cast<QAbstractItemView *>(m_LvPCFileList->report), static_cast<QAbstractItemView *>(m_LvPCFileList->icons)}) {
    v->installEventFilter(this);
    v->viewport()->installEventFilter(this);
    connect(v, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex &index) {
      if (atDrives_) {
        openIndex(index);
        return;
      }
      QString path = pathOf(index);
      if (!path.isEmpty()) emit playRequested(path);
    });
  }
  connect(m_LvPCFileList, &PcFileList::selectionChanged, this, [this] {
    updateButtons();
    emit selectionChanged();
  });
  connect(m_LvPCFileList->report->header(), &QHeaderView::sortIndicatorChanged, this,
          [this](int section, Qt::SortOrder order) {
            if (atDrives_) return;
            sortColumn_ = section;
            sortOrder_ = order;
            files_->sort(section, order);
          });
  connect(files_, &FileListModel::loaded, this, &PcPanel::listLoaded);
  connect(files_, &FileListModel::loaded, this, &PcPanel::selectListedFile);
  connect(files_, &FileListModel::updated, this, &PcPanel::selectListedFile);
  // A new reading of the folder keeps the row at the top of the list where it is.
  connect(files_, &FileListModel::aboutToUpdate, m_LvPCFileList, &PcFileList::holdTopRow);
  connect(files_, &FileListModel::updated, m_LvPCFileList, &PcFileList::restoreTopRow);
  connect(files_, &FileListModel::folderLost, this, [this] {
    // The shown folder went away: its nearest existing parent.
    if (atDrives_) return;
    QString up = directory_;
    while (!QFileInfo(up).isDir() && QFileInfo(up).path() != up) up = QFileInfo(up).path();
    if (QFileInfo(up).isDir())
      showFolder(up, true);
    else
      showDrives();
  });
  Splitter1->setStretchFactor(1, 1);
  Splitter1->setSizes({kTreeWidth, 400});

  m_PupMuPC = new PcMenu(texts, this);
  connect(m_PupMuPC->m_PupPCPlay, &QAction::triggered, this, [this] {
    QString file = focusedFile();
    if (!file.isEmpty()) emit playRequested(file);
  });
  connect(m_PupMuPC->m_PupPCOpen, &QAction::triggered, this, &PcPanel::OnPupPCOpenClick);
  connect(m_PupMuPC->m_PupPCCut, &QAction::triggered, this, &PcPanel::OnBtnFileCutClick);
  connect(m_PupMuPC->m_PupPCCopy, &QAction::triggered, this, &PcPanel::OnBtnFileCopyClick);
  connect(m_PupMuPC->m_PupPCPaste, &QAction::triggered, this, &PcPanel::OnBtnFilePasteClick);
  connect(m_PupMuPC->m_PupPCSelectAll, &QAction::triggered, this, &PcPanel::OnPupPCSelectAllClick);
  connect(m_PupMuPC->m_PupPCErase, &QAction::triggered, this, &PcPanel::OnPupPCEraseClick);
  connect(m_PupMuPC->m_PupPCAttribute, &QAction::triggered, this, &PcPanel::OnPupPCAttributeClick);
  connect(m_PupMuPC->m_PupPCRename, &QAction::triggered, this, &PcPanel::OnPupPCRenameClick);
  connect(m_PupMuPC->m_PupPCRefresh, &QAction::triggered, this, &PcPanel::OnPupPCRefreshClick);

  openExternally = [](const QString &path) { return QDesktopServices::openUrl(QUrl::fromLocalFile(path)); };
  applyTexts(texts);
  m_LvPCFileList->setStyle(PcFileList::Style::Report);
  showDrives();
}

PcPanel::~PcPanel() {
  // The folder model's gathering thread uses the icon provider: the model
  // goes first.
  delete fs_;
  fs_ = nullptr;
}

void PcPanel::makeFolderModel() {
  QFileSystemModel *old = fs_;
  fs_ = new QFileSystemModel(this);
  fs_->setOption(QFileSystemModel::DontUseCustomDirectoryIcons);
  fs_->setIconProvider(icons_.get());
  fs_->setReadOnly(true);
  // Folders only: the list reads the files itself.
  fs_->setFilter(QDir::AllDirs | QDir::Hidden | QDir::NoDotAndDotDot | QDir::Drives);
  treeLoaded_.clear();
  connect(fs_, &QFileSystemModel::directoryLoaded, this, [this](const QString &path) {
    treeLoaded_.insert(QDir::cleanPath(path));
    if (!treeTarget_.isEmpty()) openTreeTowards();
  });
  treeModel_->setSourceModel(fs_);
  treeModel_->sort(0);
  // The model reads a folder on request only once it has a root path.
  fs_->setRootPath(QStringLiteral("/"));
  delete old;
}

void PcPanel::applyTexts(const components::MessageTexts &texts) {
  texts_ = &texts;
  auto t = [&](std::string_view key) { return QString::fromStdString(texts.text(key)); };
  m_PupMuPC->applyTexts(texts);
  if (row_) row_->applyTexts(texts);
  files_->setHeaders({t(keys::kColName), t(keys::kColSize), t(keys::kColType), t(keys::kColModified)});
  files_->setUnknownTypeText(t(keys::kFileType));
  m_TvPCFolderList->setAccessibleName(t(keys::kFolderTree));
  m_LvPCFileList->setAccessibleName(t(keys::kFileList));
  m_LvPCFileList->report->setAccessibleName(t(keys::kFileList));
  m_LvPCFileList->icons->setAccessibleName(t(keys::kFileList));
  if (atDrives_) showDrives();
  updatePathField();
}

void PcPanel::setToolRow(PcToolRow *row) {
  row_ = row;
  row->applyTexts(*texts_);
  connect(row->m_BtnOneLevelUp, &QToolButton::clicked, this, &PcPanel::OnBtnOneLevelUpClick);
  connect(row->m_BtnNewFolder, &QToolButton::clicked, this, &PcPanel::OnBtnNewFolderClick);
  connect(row->m_BtnFileViewStyle, &QToolButton::clicked, this, &PcPanel::OnBtnFileViewStyleClick);
  connect(row->m_BtnFileCopy, &QToolButton::clicked, this, &PcPanel::OnBtnFileCopyClick);
  connect(row->m_BtnFileCut, &QToolButton::clicked, this, &PcPanel::OnBtnFileCutClick);
  connect(row->m_BtnFilePaste, &QToolButton::clicked, this, &PcPanel::OnBtnFilePasteClick);
  connect(row->m_EtDirectoryPath, &QLineEdit::returnPressed, this, [this] {
    // Enter in the path field opens the folder it shows.
    if (atDrives_)
      showDrives();
    else
      showFolder(directory_, true);
    setMask(row_->m_CbFileFilter->currentText());
  });
  connect(row->m_CbFileFilter, &QComboBox::editTextChanged, this, &PcPanel::onFilterTextChanged);
  connect(row->m_CbFileFilter->lineEdit(), &QLineEdit::returnPressed, this, &PcPanel::onFilterEnter);
  connect(row->m_CbFileFilter, &QComboBox::textActivated, this, [this](const QString &text) { setMask(text); });
  setMask(row->m_CbFileFilter->currentText());
  row->m_BtnFileViewStyle->setIcon(toolIcon(iconOf(m_LvPCFileList->style()), row));
  updatePathField();
  updateButtons();
}

// --- Folders ---------------------------------------------------------------------

QString PcPanel::currentDirectory() const { return atDrives_ ? QString() : directory_; }

void PcPanel::setDirectory(const QString &path) {
  if (path.isEmpty())
    showDrives();
  else
    showFolder(path, true);
}

bool PcPanel::showFile(const QString &path) {
  const QFileInfo file(path);
  if (!file.isFile()) return false;
  selectWhenListed_ = file.canonicalFilePath();
  showFolder(file.canonicalPath(), true);
  selectListedFile();
  return true;
}

void PcPanel::selectListedFile() {
  if (selectWhenListed_.isEmpty() || atDrives_ || QFileInfo(selectWhenListed_).canonicalPath() != directory_) return;
  for (int row = 0; row < files_->rowCount(); ++row) {
    if (files_->path(row) != selectWhenListed_) continue;
    selectWhenListed_.clear();
    QAbstractItemView *view = m_LvPCFileList->view();
    const QModelIndex index = files_->index(row, 0);
    view->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    view->scrollTo(index);
    return;
  }
}

void PcPanel::showFolder(const QString &path, bool moveTree) {
  const QString dir = canonicalPath(path);
  if (!QFileInfo(dir).isDir()) {
    message(keys::kKindProgram, keys::kNotFound, MsgKind::Warning, components::kButtonsOk, path);
    return;
  }
  const bool changed = atDrives_ || dir != directory_;
  atDrives_ = false;
  directory_ = dir;
  // The same folder again is read again, keeping the selection.
  if (dir == files_->folder())
    files_->reread();
  else
    files_->setFolder(dir);
  if (m_LvPCFileList->model() != files_) {
    m_LvPCFileList->setModel(files_);
    QHeaderView *header = m_LvPCFileList->report->header();
    header->resizeSection(0, 230);
    header->resizeSection(1, 80);
    header->resizeSection(2, 150);
    header->resizeSection(3, 150);
    QSignalBlocker block(header);
    header->setSortIndicator(sortColumn_, sortOrder_);
  }
  m_LvPCFileList->setRootIndex(QModelIndex());
  if (moveTree)
    selectTreeFolder(dir);
  else
    treeTarget_.clear();
  updatePathField();
  updateButtons();
  if (changed) emit directoryChanged(dir);
}

void PcPanel::showDrives() {
  const bool changed = !atDrives_;
  atDrives_ = true;
  treeTarget_.clear();
  files_->setFolder(QString());
  auto t = [&](std::string_view key) { return QString::fromStdString(texts_->text(key)); };
  DrivesModel::Captions captions{t(keys::kRootFolder), t(keys::kHomeFolder), t(keys::kFreeOf),
                                 {t(keys::kColName), t(keys::kColSize), t(keys::kColType), t(keys::kColModified)}};
  if (!captions.freeOf.contains(QLatin1String("%2"))) captions.freeOf = QStringLiteral("%1 / %2");
  drivesModel_->fill(currentDrives(), captions, *icons_);
  if (m_LvPCFileList->model() != drivesModel_) {
    m_LvPCFileList->setModel(drivesModel_);
    QHeaderView *header = m_LvPCFileList->report->header();
    header->resizeSection(0, 300);
    header->resizeSection(1, 180);
    header->resizeSection(2, 90);
    header->resizeSection(3, 60);
  }
  m_LvPCFileList->setRootIndex(QModelIndex());
  {
    QSignalBlocker block(m_TvPCFolderList->selectionModel());
    m_TvPCFolderList->selectionModel()->clear();
  }
  m_TvPCFolderList->viewport()->update();
  updatePathField();
  updateButtons();
  if (changed) emit directoryChanged(QString());
}

void PcPanel::selectTreeFolder(const QString &path) {
  // The tree model reads a folder in the background when asked: the folders
  // above the target are expanded and asked for, and the tree selects and
  // shows the target again as each of them arrives, until all have.
  treeTarget_ = path;
  openTreeTowards();
}

void PcPanel::openTreeTowards() {
  const QModelIndex node = treeModel_->mapFromSource(fs_->index(treeTarget_));
  if (!node.isValid()) {
    treeTarget_.clear();
    return;
  }
  bool ready = true;
  for (QModelIndex up = node.parent(); up.isValid(); up = up.parent()) {
    m_TvPCFolderList->expand(up);
    const QModelIndex source = treeModel_->mapToSource(up);
    if (treeLoaded_.contains(fs_->filePath(source))) continue;
    ready = false;
    if (fs_->canFetchMore(source)) fs_->fetchMore(source);
  }
  if (m_TvPCFolderList->currentIndex() != node) m_TvPCFolderList->setCurrentIndex(node);
  showTreeNode(node);
  // Once everything above the folder is in place, the tree stays as it is.
  if (ready) treeTarget_.clear();
}

void PcPanel::showTreeNode(const QModelIndex &node) {
  QTreeView *tree = m_TvPCFolderList;
  tree->scrollTo(node, QAbstractItemView::PositionAtCenter);
  // A deep folder's name lies right of the narrow tree: the tree moves
  // sideways to where the folder's level begins.
  const QRect rect = tree->visualRect(node);
  QScrollBar *bar = tree->horizontalScrollBar();
  if (rect.isValid() && (rect.left() < 0 || rect.right() > tree->viewport()->width()))
    bar->setValue(bar->value() + rect.left() - tree->indentation());
}

void PcPanel::onTreeCurrentChanged(const QModelIndex &current) {
  if (!current.isValid()) return;
  const QString path = fs_->filePath(treeModel_->mapToSource(current));
  if (!atDrives_ && canonicalPath(path) == directory_) return;
  if (m_TvPCFolderList->userMoving() || followTree_ > 0) {
    showFolder(path, false);
    return;
  }
  // The model moved the tree's current row (a folder beside it came or
  // went): the list stays, and the tree goes back to the list's folder.
  if (!repointQueued_) {
    repointQueued_ = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
          repointQueued_ = false;
          if (atDrives_ || !treeTarget_.isEmpty()) return;
          const QModelIndex node = m_TvPCFolderList->currentIndex();
          if (!node.isValid() || canonicalPath(fs_->filePath(treeModel_->mapToSource(node))) != directory_)
            selectTreeFolder(directory_);
        },
        Qt::QueuedConnection);
  }
}

void PcPanel::refresh() {
  // A fresh folder model reads the tree again; the list reads its folder
  // again and keeps what stays selected.
  const bool drives = atDrives_;
  const QString dir = directory_;
  makeFolderModel();
  atDrives_ = true;  // so that the folder is shown again in any case
  if (drives || dir.isEmpty() || !QFileInfo(dir).isDir()) {
    showDrives();
    if (!drives && !dir.isEmpty()) {
      // The folder went away meanwhile: its nearest existing parent.
      QString up = dir;
      while (!up.isEmpty() && !QFileInfo(up).isDir()) up = QFileInfo(up).path();
      if (!up.isEmpty()) showFolder(up, true);
    }
  } else {
    showFolder(dir, true);
  }
}

void PcPanel::updatePathField() {
  if (!row_) return;
  row_->m_EtDirectoryPath->setText(atDrives_ ? QString::fromStdString(texts_->text(keys::kDrives))
                                             : withSlash(directory_));
}

void PcPanel::updateButtons() {
  if (!row_) return;
  const bool folder = !atDrives_;
  const bool selected = folder && !m_LvPCFileList->selectedRows().isEmpty();
  row_->m_BtnOneLevelUp->setEnabled(folder);
  row_->m_BtnNewFolder->setEnabled(folder);
  row_->m_BtnFileCopy->setEnabled(selected);
  row_->m_BtnFileCut->setEnabled(selected);
  row_->m_BtnFilePaste->setEnabled(folder);
}

// --- Filter ------------------------------------------------------------------------

void PcPanel::setMask(const QString &mask) {
  files_->setMask(mask);
  updateButtons();
}

QString PcPanel::mask() const { return files_->mask().text(); }

void PcPanel::onFilterTextChanged(const QString &text) { setMask(filterMask(text)); }

void PcPanel::onFilterEnter() {
  QComboBox *combo = row_->m_CbFileFilter;
  QStringList list;
  for (int i = 0; i < combo->count(); ++i) list << combo->itemText(i);
  FilterEnter result = filterEnter(combo->currentText(), list);
  if (result.added) combo->addItem(result.text);
  combo->setEditText(result.text);
  setMask(result.text);
}

// --- The list ------------------------------------------------------------------------

QString PcPanel::pathOf(const QModelIndex &listIndex) const {
  if (!listIndex.isValid()) return {};
  if (atDrives_) return drivesModel_->path(listIndex.row());
  return listIndex.siblingAtColumn(0).data(FileListModel::kPathRole).toString();
}

QStringList PcPanel::selectedFiles() const {
  QStringList paths;
  if (atDrives_) return paths;
  for (const QModelIndex &index : m_LvPCFileList->selectedRows()) paths << pathOf(index);
  return paths;
}

QString PcPanel::focusedFile() const {
  QAbstractItemView *view = m_LvPCFileList->view();
  QModelIndex current = view->currentIndex();
  if (current.isValid() && view->selectionModel()->isRowSelected(current.row(), current.parent()))
    return pathOf(current);
  QModelIndexList rows = m_LvPCFileList->selectedRows();
  return rows.isEmpty() ? QString() : pathOf(rows.front());
}

int PcPanel::popupKind() const {
  if (atDrives_) return 4;
  QStringList names;
  for (const QModelIndex &index : m_LvPCFileList->selectedRows()) names << index.data().toString();
  return pcMenuKind(names, playersBusy());
}

void PcPanel::openIndex(const QModelIndex &index) {
  const QString path = pathOf(index);
  if (path.isEmpty()) return;
  if (atDrives_ || QFileInfo(path).isDir()) {
    showFolder(path, true);
    return;
  }
  if (!openExternally || !openExternally(path))
    message(keys::kKindProgram, keys::kOpenFailed, MsgKind::Warning, components::kButtonsOk,
            QFileInfo(path).fileName());
}

void PcPanel::OnPupPCOpenClick() {
  QAbstractItemView *view = m_LvPCFileList->view();
  QModelIndex current = view->currentIndex();
  if (!current.isValid()) {
    QModelIndexList rows = m_LvPCFileList->selectedRows();
    if (rows.isEmpty()) return;
    current = rows.front();
  }
  openIndex(current);
}

void PcPanel::OnBtnOneLevelUpClick() {
  // A caption edit in the tree ends (and is kept) first.
  if (editing(m_TvPCFolderList)) m_TvPCFolderList->setFocus();
  if (atDrives_) return;
  const QString up = levelUp(directory_, currentDrives());
  if (up.isEmpty())
    showDrives();
  else
    showFolder(up, true);
}

void PcPanel::OnBtnNewFolderClick() {
  if (atDrives_) return;
  QString base = QString::fromStdString(texts_->text(keys::kNewFolder));
  if (base.trimmed().isEmpty() || base.contains(QLatin1Char('/'))) base = QLatin1String(kNewFolderFallback);
  const QDir dir(directory_);
  const QString name = newFolderName(base, [&](const QString &n) {
    QFileInfo info(dir.filePath(n));
    return info.exists() || info.isSymLink();
  });
  if (!dir.mkdir(name)) {
    message(keys::kKindProgram, keys::kFolderFailed, MsgKind::Error, components::kButtonsOk, name);
    return;
  }
  const QModelIndex node = treeModel_->mapFromSource(fs_->index(dir.filePath(name)));
  if (!node.isValid()) return;
  // The new folder's node is selected before the edit starts, so that the
  // edit renames the new folder and never its parent; the list follows
  // the tree's selection into it.
  for (QModelIndex p = node.parent(); p.isValid(); p = p.parent()) m_TvPCFolderList->expand(p);
  {
    ++followTree_;
    m_TvPCFolderList->setCurrentIndex(node);
    --followTree_;
  }
  m_TvPCFolderList->scrollTo(node);
  m_TvPCFolderList->setFocus();
  m_TvPCFolderList->edit(node);
}

QString PcPanel::renameEntry(const QString &path, const QString &newName) {
  const QString old = QDir::cleanPath(path);
  const bool isDir = QFileInfo(old).isDir();
  const QString renamed = ops_->rename(old, newName);
  if (renamed.isEmpty() || renamed == old) return {};
  const QString oldCanonical = canonicalPath(QFileInfo(old).path()) + QLatin1Char('/') + QFileInfo(old).fileName();
  if (isDir && isSameOrBelow(directory_, oldCanonical)) {
    // The shown folder (or one above it) has a new name: the list and the
    // tree follow, once the edit is over.
    const QString moved = canonicalPath(renamed) + directory_.mid(oldCanonical.size());
    QMetaObject::invokeMethod(this, [this, moved] { showFolder(moved, true); }, Qt::QueuedConnection);
  } else if (QFileInfo(renamed).isDir()) {
    fs_->index(renamed);
  }
  return renamed;
}

void PcPanel::OnBtnFileViewStyleClick() {
  m_LvPCFileList->setStyle(PcFileList::nextStyle(m_LvPCFileList->style()));
  if (row_) row_->m_BtnFileViewStyle->setIcon(toolIcon(iconOf(m_LvPCFileList->style()), row_));
}

void PcPanel::OnBtnFileCopyClick() {
  const QStringList files = selectedFiles();
  if (files.isEmpty()) return;
  clipboard_ = files;
  clipboardMove_ = false;
  clipboardFlag_ = true;
}

void PcPanel::OnBtnFileCutClick() {
  const QStringList files = selectedFiles();
  if (files.isEmpty()) return;
  clipboard_ = files;
  clipboardMove_ = true;
  clipboardFlag_ = true;
}

void PcPanel::OnBtnFilePasteClick() {
  if (atDrives_) return;
  clipboardFlag_ = false;
  if (clipboard_.isEmpty()) {
    message(keys::kKindNotice, keys::kNothingToPaste, MsgKind::Warning, components::kButtonsOk, {});
    return;
  }
  FileOps::Result result =
      ops_->transfer(clipboard_, directory_, clipboardMove_ ? FileOps::Mode::Move : FileOps::Mode::Copy);
  // Moved files are no longer where they were remembered.
  if (clipboardMove_) clipboard_.clear();
  showCreated(result.created, directory_);
}

FileOps::Result PcPanel::copyInto(const QStringList &paths, const QString &dir) {
  FileOps::Result result = ops_->transfer(paths, dir, FileOps::Mode::Copy);
  showCreated(result.created, dir);
  return result;
}

void PcPanel::showCreated(const QStringList &created, const QString &dir) {
  // The watchers would notice too; this shows the result at once.
  for (const QString &path : created)
    if (QFileInfo(path).isDir()) fs_->index(path);
  if (!atDrives_ && canonicalPath(dir) == directory_) files_->reread();
}

void PcPanel::OnPupPCRenameClick() {
  if (atDrives_) return;
  QAbstractItemView *view = m_LvPCFileList->view();
  QModelIndex current = view->currentIndex();
  if (!current.isValid() || !view->selectionModel()->isRowSelected(current.row(), current.parent())) {
    QModelIndexList rows = m_LvPCFileList->selectedRows();
    if (rows.isEmpty()) return;
    current = rows.front();
  }
  current = current.siblingAtColumn(0);
  view->setCurrentIndex(current);
  view->setFocus();
  view->edit(current);
}

void PcPanel::OnPupPCRefreshClick() { refresh(); }

void PcPanel::OnPupPCAttributeClick() {
  const QString file = focusedFile();
  if (file.isEmpty()) return;
  AttributesDialog dialog(*texts_, file, this);
  const bool wasReadOnly = dialog.readOnly();
  if (dialog.exec() != QDialog::Accepted || dialog.readOnly() == wasReadOnly) return;
  if (!QFile::setPermissions(file, withReadOnly(QFileInfo(file).permissions(), dialog.readOnly())))
    message(keys::kKindProgram, keys::kAttrFailed, MsgKind::Error, components::kButtonsOk,
            QFileInfo(file).fileName());
}

void PcPanel::OnPupPCEraseClick() {
  if (atDrives_ || playersBusy()) return;
  const QStringList files = selectedFiles();
  if (files.isEmpty()) return;
  if (!ops_->eraseFiles(files).isEmpty()) files_->reread();
}

void PcPanel::OnPupPCSelectAllClick() { m_LvPCFileList->view()->selectAll(); }

void PcPanel::deleteSelectedFolder() {
  const QModelIndex node = m_TvPCFolderList->currentIndex();
  if (!node.isValid()) return;
  const QString path = QDir::cleanPath(fs_->filePath(treeModel_->mapToSource(node)));
  const QString parentPath = QFileInfo(path).path();
  ProtectedFolders rule;
  rule.dataFolders = dataFolders_;
  rule.home = QDir::homePath();
  const QString canonical = canonicalPath(path);
  if (!ops_->trashFolder(path, rule)) return;
  // The parent is selected and the list shows it when the shown folder went.
  if (atDrives_ || isSameOrBelow(directory_, canonical) || canonicalPath(parentPath) == directory_)
    showFolder(parentPath, true);
}

// --- Events -------------------------------------------------------------------------------

bool PcPanel::eventFilter(QObject *watched, QEvent *event) {
  if (!m_LvPCFileList || !m_PupMuPC) return QWidget::eventFilter(watched, event);  // still being built
  QAbstractItemView *report = m_LvPCFileList->report;
  QAbstractItemView *icons = m_LvPCFileList->icons;
  const bool listViewport = watched == report->viewport() || watched == icons->viewport();
  const bool treeViewport = watched == m_TvPCFolderList->viewport();
  switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
      if (listViewport) return listMousePress(static_cast<QMouseEvent *>(event));
      break;
    case QEvent::MouseMove:
      if (listViewport) return listMouseMove(static_cast<QMouseEvent *>(event));
      break;
    case QEvent::KeyPress:
      if (watched == report || watched == icons) return listKey(static_cast<QKeyEvent *>(event));
      if (watched == m_TvPCFolderList) return treeKey(static_cast<QKeyEvent *>(event));
      break;
    case QEvent::DragEnter:
    case QEvent::DragMove:
      if (listViewport || treeViewport) return dragEvent(static_cast<QDropEvent *>(event), treeViewport, false);
      break;
    case QEvent::Drop:
      if (listViewport || treeViewport) return dragEvent(static_cast<QDropEvent *>(event), treeViewport, true);
      break;
    default:
      break;
  }
  return QWidget::eventFilter(watched, event);
}

bool PcPanel::listMousePress(QMouseEvent *event) {
  // While recording the list takes no presses at all.
  if (isRecording()) return true;
  QAbstractItemView *view = m_LvPCFileList->view();
  const QPoint pos = event->position().toPoint();
  const QModelIndex under = view->indexAt(pos);
  pressPoint_ = pos;
  pressOnItem_ = under.isValid();
  if (event->type() != QEvent::MouseButtonPress || event->button() != Qt::RightButton) return false;

  // A right press selects what it hits (keeping a selection it is part of);
  // on empty space it clears the selection.
  QItemSelectionModel *selection = view->selectionModel();
  if (!under.isValid()) {
    selection->clearSelection();
  } else if (!selection->isRowSelected(under.row(), under.parent())) {
    selection->setCurrentIndex(under, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  } else {
    selection->setCurrentIndex(under, QItemSelectionModel::NoUpdate);
  }
  const int kind = popupKind();
  m_PupMuPC->setKind(kind, clipboardFlag_, m_LvPCFileList->rowCount() > 0);
  if (atDrives_) m_PupMuPC->m_PupPCOpen->setEnabled(under.isValid());
  m_PupMuPC->popup(event->globalPosition().toPoint());
  return true;
}

bool PcPanel::listMouseMove(QMouseEvent *event) {
  if (dragging_ || atDrives_ || !pressOnItem_) return false;
  const Qt::MouseButtons buttons = event->buttons();
  if (buttons != Qt::LeftButton && buttons != Qt::RightButton) return false;
  if (event->modifiers() != Qt::NoModifier) return false;
  const QPoint pos = event->position().toPoint();
  if (std::abs(pos.x() - pressPoint_.x()) < kDragDistance && std::abs(pos.y() - pressPoint_.y()) < kDragDistance)
    return false;
  if (m_LvPCFileList->selectedRows().isEmpty()) return false;
  pressOnItem_ = false;
  startDrag();
  return true;
}

void PcPanel::startDrag() {
  const QModelIndexList rows = m_LvPCFileList->selectedRows();
  std::vector<std::pair<int, std::string>> items;
  QStringList names;
  QList<QUrl> urls;
  for (const QModelIndex &index : rows) {
    const QString name = index.data().toString();
    names << name;
    urls << QUrl::fromLocalFile(QDir(directory_).filePath(name));
    if (items.size() < kMaxDragItems) items.emplace_back(index.row(), name.toStdString());
  }
  if (fillDragSelection) fillDragSelection(items);
  QMimeData *mime = makeDragData ? makeDragData(directory_, names) : nullptr;
  if (!mime) {
    mime = new QMimeData;
    mime->setUrls(urls);
  }
  auto *drag = new QDrag(m_LvPCFileList->view());
  drag->setMimeData(mime);
  const QIcon icon = rows.front().data(Qt::DecorationRole).value<QIcon>();
  if (!icon.isNull()) drag->setPixmap(icon.pixmap(32, 32));
  dragging_ = true;
  execDrag(drag);
  dragging_ = false;
}

void PcPanel::execDrag(QDrag *drag) { drag->exec(Qt::CopyAction); }

bool PcPanel::listKey(QKeyEvent *event) {
  QAbstractItemView *view = m_LvPCFileList->view();
  if (editing(view)) return false;
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
    if (atDrives_) {
      OnPupPCOpenClick();
    } else {
      const QString file = focusedFile();
      if (!file.isEmpty()) emit playRequested(file);
    }
    return true;
  }
  if (event->key() == Qt::Key_Delete) {
    OnPupPCEraseClick();
    return true;
  }
  if (event->key() == Qt::Key_F5) {
    refresh();
    return true;
  }
  if (event->key() == Qt::Key_Backspace) {
    OnBtnOneLevelUpClick();
    return true;
  }
  if (event == QKeySequence::Copy) {
    OnBtnFileCopyClick();
    return true;
  }
  if (event == QKeySequence::Cut) {
    OnBtnFileCutClick();
    return true;
  }
  if (event == QKeySequence::Paste) {
    OnBtnFilePasteClick();
    return true;
  }
  return false;
}

bool PcPanel::treeKey(QKeyEvent *event) {
  if (editing(m_TvPCFolderList)) return false;
  if (event->key() == Qt::Key_Delete) {
    deleteSelectedFolder();
    return true;
  }
  if (event->key() == Qt::Key_F5) {
    refresh();
    return true;
  }
  return false;
}

bool PcPanel::dragEvent(QDropEvent *event, bool onTree, bool drop) {
  const QMimeData *mime = event->mimeData();
  if (isRecorderDrag && isRecorderDrag(mime)) {
    // Recordings go to the list's folder; the tree takes none.
    if (onTree || atDrives_) {
      event->ignore();
      return true;
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
    if (drop) emit recordingsDropped();
    return true;
  }
  QStringList files;
  for (const QUrl &url : mime->urls())
    if (url.isLocalFile() && !url.toLocalFile().isEmpty()) files << QDir::cleanPath(url.toLocalFile());
  if (files.isEmpty()) {
    event->ignore();
    return true;
  }
  QString target;
  if (onTree) {
    // The folder of the node under the pointer.
    const QModelIndex node = m_TvPCFolderList->indexAt(event->position().toPoint());
    if (node.isValid()) target = fs_->filePath(treeModel_->mapToSource(node));
  } else if (!atDrives_) {
    target = directory_;
  }
  // Entering, the drag is taken as long as it carries files; where it may
  // land is decided as it moves.
  if (event->type() == QEvent::DragEnter && !(atDrives_ && !onTree)) {
    event->setDropAction(Qt::CopyAction);
    event->accept();
    return true;
  }
  if (target.isEmpty()) {
    event->ignore();
    return true;
  }
  // Files dropped on the folder they come from stay as they are.
  const QString targetCanonical = canonicalPath(target);
  const bool allHome = std::all_of(files.begin(), files.end(), [&](const QString &f) {
    return canonicalPath(QFileInfo(f).absolutePath()) == targetCanonical;
  });
  if (allHome) {
    event->ignore();
    return true;
  }
  event->setDropAction(Qt::CopyAction);
  event->accept();
  if (drop) copyInto(files, target);
  return true;
}

// --- Messages ---------------------------------------------------------------------------------

int PcPanel::message(std::string_view captionKey, std::string_view textKey, MsgKind kind, int buttons,
                     const QString &name) {
  const std::string prefix = name.isEmpty() ? std::string() : name.toStdString() + " : ";
  if (messageBox) return messageBox(captionKey, textKey, kind, buttons, prefix);
  // The window's Ext_MessageBox has not joined: a box from the same texts.
  auto t = [&](std::string_view key) { return QString::fromStdString(texts_->text(key)); };
  QMessageBox box(this);
  box.setWindowTitle(t(captionKey));
  box.setTextFormat(Qt::PlainText);
  box.setText(QString::fromStdString(prefix) + t(textKey));
  box.setIcon(kind == MsgKind::Error         ? QMessageBox::Critical
              : kind == MsgKind::Warning     ? QMessageBox::Warning
              : kind == MsgKind::Information ? QMessageBox::Information
                                             : QMessageBox::Question);
  std::vector<std::pair<QPushButton *, int>> added;
  if (buttons == components::kButtonsYesNo || buttons == components::kButtonsYesNoCancel) {
    added.emplace_back(box.addButton(t("FM_msg_dlg1"), QMessageBox::YesRole), components::kResultYes);
    added.emplace_back(box.addButton(t("FM_msg_dlg2"), QMessageBox::NoRole), components::kResultNo);
    if (buttons == components::kButtonsYesNoCancel)
      added.emplace_back(box.addButton(t("FM_msg_dlg3"), QMessageBox::RejectRole), components::kResultCancel);
  } else {
    added.emplace_back(box.addButton(t("FM_msg_dlg0"), QMessageBox::AcceptRole), components::kResultOk);
  }
  box.setDefaultButton(added.front().first);
  box.setEscapeButton(added.back().first);
  box.exec();
  for (auto &[button, result] : added)
    if (box.clickedButton() == button) return result;
  return added.back().second;
}

}  // namespace pc
