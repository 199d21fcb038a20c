#include "app/recorder/RecorderJobs.h"

#include <QDrag>
#include <QDropEvent>
#include <QMimeData>
#include <QTreeWidget>
#include <QUrl>

#include "app/MainWindow.h"
#include "app/recorder/RecorderMenu.h"
#include "app/recorder/RecorderPanelWidget.h"
#include "app/recorder/RecorderSide.h"

namespace app {

RecorderJobs::RecorderJobs(TFrmMain &main, RecorderSide &side)
    : QObject(&side), main_(main), side_(side), commands_(side.volume(), side.logic()) {
  RecorderPanelWidget *widget = side.widget();
  commands_.onCapacity = [this] {
    main_.showCapacity(std::to_string(side_.volume().link.geometry.capacityMB()) + " MB");
  };
  commands_.attach([widget] { return widget->selectedRows(); });

  menu_ = new RecorderMenu(main.texts(), widget);
  connect(menu_->m_PupFlashErase, &QAction::triggered, this, &RecorderJobs::OnPupFlashEraseClick);
  connect(menu_->m_PupFlashUp, &QAction::triggered, this, &RecorderJobs::OnPupFlashUpClick);
  connect(menu_->m_PupFlashDown, &QAction::triggered, this, &RecorderJobs::OnPupFlashDownClick);
  connect(menu_->m_PupFlashUpload, &QAction::triggered, this, &RecorderJobs::OnPupFlashUploadClick);
  connect(menu_->m_PupFlashSelectAll, &QAction::triggered, widget, &RecorderPanelWidget::OnPupFlashSelectAllClick);
  widget->onPopupMenu = [this](int kind, const QPoint &at) {
    menu_->setKind(kind, playerJoined_);
    menu_->popup(at);
  };

  main.m_MnRecorderFormat->setEnabled(true);
  connect(main.m_MnRecorderFormat, &QAction::triggered, this, &RecorderJobs::OnMnRecorderFormatClick);

  side.logic().onDragStart = [this](const recorder::DragSelection &drag) { startDrag(drag); };
  treeViewport_ = widget->m_TvFlashFolderList->viewport();
  listViewport_ = widget->m_LvFlashFileList->viewport();
  for (QWidget *viewport : {treeViewport_.data(), listViewport_.data()}) {
    viewport->setAcceptDrops(true);
    viewport->installEventFilter(this);
  }
}

void RecorderJobs::OnPupFlashEraseClick() { commands_.erase(side_.widget()->selectedRows()); }

void RecorderJobs::OnPupFlashUpClick() {
  int row = -1;
  commands_.moveUp(side_.widget()->selectedRows(), row);
  selectRow(row);
}

void RecorderJobs::OnPupFlashDownClick() {
  int row = -1;
  commands_.moveDown(side_.widget()->selectedRows(), row);
  selectRow(row);
}

void RecorderJobs::OnPupFlashUploadClick() { OnBtnFileToPCClick(); }

void RecorderJobs::OnBtnFileToPCClick() {
  const std::filesystem::path folder = pcFolder ? pcFolder() : main_.folders().voiceDir;
  if (folder.empty()) return;  // the PC list shows no folder
  commands_.copyToPc(side_.widget()->selectedRows(), folder);
  if (pcFolderChanged) pcFolderChanged();
}

void RecorderJobs::OnBtnFileToFlashClick(const std::vector<std::filesystem::path> &files) {
  if (files.empty()) return;
  commands_.writeFromPc(files);
  if (pcFolderChanged) pcFolderChanged();
}

void RecorderJobs::OnMnRecorderFormatClick() { commands_.initialize(); }

void RecorderJobs::selectRow(int row) {
  QTreeWidget *list = side_.widget()->m_LvFlashFileList;
  if (row < 0 || row >= list->topLevelItemCount()) return;
  list->clearSelection();
  QTreeWidgetItem *item = list->topLevelItem(row);
  list->setCurrentItem(item);
  item->setSelected(true);
  list->setFocus();
}

void RecorderJobs::startDrag(const recorder::DragSelection &drag) {
  auto *mime = new QMimeData;
  mime->setData(kDragMime, QByteArray::number(drag.sourceFolder));
  auto *qdrag = new QDrag(side_.widget()->m_LvFlashFileList);
  qdrag->setMimeData(mime);
  qdrag->exec(Qt::MoveAction);
}

bool RecorderJobs::eventFilter(QObject *watched, QEvent *event) {
  // Compared by pointer only: the panel may be half destroyed when its
  // viewports send their last events.
  bool onTree = watched == treeViewport_.data();
  bool onList = watched == listViewport_.data();
  if (!onTree && !onList) return QObject::eventFilter(watched, event);
  switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
      auto *drag = static_cast<QDropEvent *>(event);
      const QMimeData *mime = drag->mimeData();
      // Recordings go to folders and other places in the list; PC files to
      // a folder node or the list (the folder selected in the tree).
      bool fromRecorder = mime->hasFormat(kDragMime);
      bool fromPc = !fromRecorder && mime->hasUrls();
      if (fromRecorder || fromPc) {
        drag->setDropAction(fromRecorder ? Qt::MoveAction : Qt::CopyAction);
        drag->accept();
      } else {
        drag->ignore();
      }
      return true;
    }
    case QEvent::Drop:
      return onTree ? dropOnTree(static_cast<QDropEvent *>(event)) : dropOnList(static_cast<QDropEvent *>(event));
    default:
      return QObject::eventFilter(watched, event);
  }
}

bool RecorderJobs::dropOnTree(QDropEvent *event) {
  RecorderPanelWidget *widget = side_.widget();
  QTreeWidgetItem *item = widget->m_TvFlashFolderList->itemAt(event->position().toPoint());
  int target = 0;
  for (int f = 1; f <= 8 && item; ++f)
    if (widget->folderItem(f) == item) target = f;
  const QMimeData *mime = event->mimeData();
  event->acceptProposedAction();
  recorder::DragSelection &drag = side_.logic().dragSelection();
  if (mime->hasFormat(kDragMime)) {
    commands_.dropOnFolder(drag, target, {});
    return true;
  }
  // Files dragged from a file manager: those in the folder of the first one.
  recorder::DragSelection files;
  files.sourceFolder = 0;
  files.folderAtStart = side_.logic().currentFolder();
  std::filesystem::path folder;
  int index = 0;
  for (const QUrl &url : mime->urls()) {
    if (!url.isLocalFile()) continue;
    std::filesystem::path path = url.toLocalFile().toStdString();
    if (folder.empty()) folder = path.parent_path();
    if (path.parent_path() != folder || files.items.size() >= recorder::DragSelection::kMaxItems) continue;
    files.items.emplace_back(index++, path.filename().string());
  }
  if (!files.items.empty()) commands_.dropOnFolder(files, target, folder);
  return true;
}

bool RecorderJobs::dropOnList(QDropEvent *event) {
  RecorderPanelWidget *widget = side_.widget();
  event->acceptProposedAction();
  const QMimeData *mime = event->mimeData();
  if (!mime->hasFormat(kDragMime)) {
    std::vector<std::filesystem::path> files;
    for (const QUrl &url : mime->urls())
      if (url.isLocalFile()) files.emplace_back(url.toLocalFile().toStdString());
    OnBtnFileToFlashClick(files);
    side_.logic().dragSelection().clear();
    widget->m_LvFlashFileList->setFocus();
    return true;
  }
  QTreeWidgetItem *item = widget->m_LvFlashFileList->itemAt(event->position().toPoint());
  if (!item) return true;
  int target = widget->m_LvFlashFileList->indexOfTopLevelItem(item);
  int row = -1;
  commands_.dropOnRecording(side_.logic().dragSelection(), target, row);
  selectRow(row);
  return true;
}

}  // namespace app
