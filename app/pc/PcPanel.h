// The PC browser of the main window: the folder tree m_TvPCFolderList on
// the left, the splitter Splitter1, the file list m_LvPCFileList on the
// right, the pop-up menu m_PupMuPC and the attributes dialog; the tool row
// (PcToolRow) is wired in by setToolRow. The window sets the hooks it has
// (all optional) and listens to the signals; the panel knows nothing of
// the players, the recorder or the drag formats.
#pragma once

#include <QSet>
#include <QSplitter>
#include <QStringList>
#include <QTreeView>
#include <QWidget>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app/pc/FileOps.h"
#include "app/pc/FolderTree.h"
#include "app/pc/PcFileList.h"
#include "components/JobUi.h"
#include "components/texts/MessageTexts.h"

class QFileSystemModel;
class QMimeData;
class QDropEvent;
class QDrag;

namespace pc {

class PcToolRow;
class PcMenu;
class PcIconProvider;
class FolderTreeProxy;
class FileListModel;
class DrivesModel;

class PcPanel : public QWidget, private FileOpsUi {
  Q_OBJECT
 public:
  explicit PcPanel(const components::MessageTexts &texts, QWidget *parent = nullptr);
  ~PcPanel() override;

  // --- What the window sets --------------------------------------------------
  // Any of the G.729 output, the WAV player or the MP3 output is active.
  std::function<bool()> playersActive;
  // The application records from the sound card: the list ignores presses.
  std::function<bool()> recording;
  // The files that play or record now: never erased, moved or deleted with
  // their folder.
  std::function<QStringList()> protectedPaths;
  // A drag from the list starts: the first 500 selected items (list index
  // and file name, in list order) for the drag selection, then the drag's
  // data for the list's folder and every selected name. Without
  // makeDragData the drag carries the files as text/uri-list.
  std::function<void(const std::vector<std::pair<int, std::string>> &items)> fillDragSelection;
  std::function<QMimeData *(const QString &dir, const QStringList &names)> makeDragData;
  // A drag that comes from the recorder's list.
  std::function<bool(const QMimeData *)> isRecorderDrag;
  // Ext_MessageBox (caption and text keys, kind, buttons, text before the
  // message). Without it the panel shows a message box of its own from the
  // same texts.
  std::function<int(std::string_view captionKey, std::string_view textKey, components::MsgKind kind, int buttons,
                    const std::string &prefix)>
      messageBox;
  // Opens a file with the desktop's default application (Open in the menu).
  std::function<bool(const QString &path)> openExternally;
  // The job UI whose progress window long copies use; null: none.
  void setJobUi(components::JobUi *ui) { jobUi_ = ui; }
  // VoiceData and TempData: never deleted, nor any folder above them.
  void setDataFolders(const QStringList &folders) { dataFolders_ = folders; }
  // Wires the tool row's buttons, path field and filter field.
  void setToolRow(PcToolRow *row);
  PcToolRow *toolRow() const { return row_; }

  // --- State -------------------------------------------------------------------
  // The list's folder ("" on the "Drives" level).
  QString currentDirectory() const;
  bool atDrives() const { return atDrives_; }
  // Full paths of the selected files, in list order.
  QStringList selectedFiles() const;
  // Shows a folder in the tree and the list; "" shows the "Drives" level. A
  // folder that does not exist is reported ("... not found").
  void setDirectory(const QString &path);
  // Shows the file's folder and selects the file (when the mask lists it)
  // as soon as the list has read the folder. False when there is no such
  // file (nothing changes then).
  bool showFile(const QString &path);
  // Reads the folder again; the tree too.
  void refresh();
  // The mask of the list (the filter field's text).
  void setMask(const QString &mask);
  QString mask() const;
  void applyTexts(const components::MessageTexts &texts);

  bool clipboardFlag() const { return clipboardFlag_; }
  // The file operations, for the window's own transfers and for tests.
  FileOps &fileOps() { return *ops_; }
  // The kind a press in the list would choose now.
  int popupKind() const;

  FolderTree *m_TvPCFolderList = nullptr;
  QSplitter *Splitter1 = nullptr;
  PcFileList *m_LvPCFileList = nullptr;
  PcMenu *m_PupMuPC = nullptr;

 signals:
  // Enter or a double click on a file, and the menu's Play.
  void playRequested(const QString &path);
  // Recordings dragged from the recorder were dropped on the list: the
  // window copies them into currentDirectory().
  void recordingsDropped();
  void directoryChanged(const QString &path);
  void selectionChanged();
  // The list's folder has been read (again): every file is listed, in order.
  void listLoaded();

 public slots:
  void OnBtnOneLevelUpClick();
  void OnBtnNewFolderClick();
  void OnBtnFileViewStyleClick();
  void OnBtnFileCopyClick();
  void OnBtnFileCutClick();
  void OnBtnFilePasteClick();
  void OnPupPCOpenClick();
  void OnPupPCRenameClick();
  void OnPupPCRefreshClick();
  void OnPupPCAttributeClick();
  void OnPupPCEraseClick();
  void OnPupPCSelectAllClick();
  // Delete in the folder tree: the selected folder, to the trash.
  void deleteSelectedFolder();
  // Copies PC files into a folder (drops, and the window's own use).
  FileOps::Result copyInto(const QStringList &paths, const QString &dir);

 protected:
  bool eventFilter(QObject *watched, QEvent *event) override;
  // Runs the drag (modal until the drop is over); Qt::CopyAction only.
  virtual void execDrag(QDrag *drag);

 private:
  // FileOpsUi
  int message(std::string_view captionKey, std::string_view textKey, components::MsgKind kind, int buttons,
              const QString &name) override;
  components::JobUi *job() override { return jobUi_; }

  void makeFolderModel();
  void showFolder(const QString &path, bool moveTree);
  void showDrives();
  void selectTreeFolder(const QString &path);
  void openTreeTowards();
  void showTreeNode(const QModelIndex &node);
  void showCreated(const QStringList &created, const QString &dir);
  void updatePathField();
  void updateButtons();
  void openIndex(const QModelIndex &index);
  QString pathOf(const QModelIndex &listIndex) const;
  QString focusedFile() const;
  bool playersBusy() const { return playersActive && playersActive(); }
  bool isRecording() const { return recording && recording(); }
  QString renameEntry(const QString &path, const QString &newName);
  void onTreeCurrentChanged(const QModelIndex &current);
  void onFilterEnter();
  void onFilterTextChanged(const QString &text);

  bool listMousePress(QMouseEvent *event);
  bool listMouseMove(QMouseEvent *event);
  bool listKey(QKeyEvent *event);
  bool treeKey(QKeyEvent *event);
  bool dragEvent(QDropEvent *event, bool onTree, bool drop);
  void startDrag();

  const components::MessageTexts *texts_;
  components::JobUi *jobUi_ = nullptr;
  std::unique_ptr<FileOps> ops_;
  std::unique_ptr<PcIconProvider> icons_;
  QFileSystemModel *fs_ = nullptr;  // folders only, for the tree
  FolderTreeProxy *treeModel_;
  FileListModel *files_;
  DrivesModel *drivesModel_;
  PcToolRow *row_ = nullptr;
  QStringList dataFolders_;

  QString directory_;
  // A file to select once the list holds it (showFile).
  QString selectWhenListed_;
  void selectListedFile();
  // The folder the tree opens down to while the folders above it are read,
  // and the folders the tree model has read.
  QString treeTarget_;
  QSet<QString> treeLoaded_;
  // The list follows the tree's current folder when the user moves it or
  // the panel's own code does (followTree_); a move by the model queues a
  // return of the tree to the list's folder.
  int followTree_ = 0;
  bool repointQueued_ = false;
  bool atDrives_ = false;
  bool clipboardFlag_ = false;
  bool clipboardMove_ = false;
  QStringList clipboard_;
  QPoint pressPoint_;
  bool pressOnItem_ = false;
  bool dragging_ = false;
  int sortColumn_ = 0;
  Qt::SortOrder sortOrder_ = Qt::AscendingOrder;
};

}  // namespace pc
