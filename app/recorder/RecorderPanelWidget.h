// The recorder half of the main window: the folder panel (a caption bar over
// the folder tree m_TvFlashFolderList), the splitter Splitter5 and the
// recording list m_LvFlashFileList over its tool bar with the two copy
// buttons. It shows what recorder::RecorderPanel decides and forwards the
// tree and list events to it; status panel 3 and the memory gauge are the
// main window's, handed in.
#pragma once

#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QSplitter>
#include <QTreeWidget>
#include <QWidget>
#include <functional>

#include "recorder/RecorderPanel.h"

namespace app {

class RecorderPanelWidget : public QWidget, public recorder::RecorderPanelView {
  Q_OBJECT
 public:
  // status and gauge may be null (then the panel shows its own).
  RecorderPanelWidget(QLabel *status, QProgressBar *gauge, QWidget *parent = nullptr);
  void setLogic(recorder::RecorderPanel *logic) { logic_ = logic; }

  QSplitter *Splitter5;
  QWidget *m_PnlFlashFolder;
  QTreeWidget *m_TvFlashFolderList;
  QTreeWidget *m_LvFlashFileList;
  QWidget *m_PnlFlashFileToolbar;
  QPushButton *m_BtnFileToFlash;
  QPushButton *m_BtnFileToPC;

  // The folder panel's width: the main window keeps it equal to the PC
  // folder tree's.
  int treeWidth() const;
  void setTreeWidth(int width);
  // The hints (and accessible names) of the two copy buttons.
  void applyHints(const QString &toFlash, const QString &toPc);

  // The item of a folder (1..8), null when the tree has none.
  QTreeWidgetItem *folderItem(int folder) const;
  // Rows selected in the file list, in list order.
  std::vector<int> selectedRows() const;
  // The "Select all" pop-up item (OnPupFlashSelectAllClick).
  void OnPupFlashSelectAllClick();
  // The recorder pop-up menu (m_PupMuFlash), opened by a right press with the
  // state the selection gives; the main window's pop-up routine fills it.
  std::function<void(int state, const QPoint &globalPos)> onPopupMenu;

  // RecorderPanelView
  void rebuildTree(const std::vector<std::string> &folderNames) override;
  void setFolderNodeText(int folder, const std::string &text) override;
  void selectFolderNode(int folder) override;
  void setFileRows(const std::vector<recorder::FileRow> &rows) override;
  void appendFileRow(const recorder::FileRow &row) override;
  void removeFileRow(int index) override;
  int fileRowCount() const override;
  void setTotals(const std::string &statusText, int gaugePercent) override;

 signals:
  void treeWidthChanged(int width);

 public slots:
  // The main window's requests: focus a folder, collapse the tree.
  void focusFolder(int folder);
  void collapseFolders();

 protected:
  bool eventFilter(QObject *watched, QEvent *event) override;

 private:
  void OnTvFlashFolderListChange(QTreeWidgetItem *current);
  void OnTvFlashFolderListCollapsed(QTreeWidgetItem *item);
  bool OnTvFlashFolderListMouseDown(const QPoint &pos);
  bool OnLvFlashFileListMouseDown(QMouseEvent *event);
  bool OnLvFlashFileListMouseMove(QMouseEvent *event);
  QTreeWidgetItem *makeRow(const recorder::FileRow &row) const;
  void OnPnlFlashFileListResize();

  static constexpr int kMinTreeWidth = 50;
  static constexpr int kToolbarHeight = 28;
  static constexpr int kCopyButtonWidth = 40;

  recorder::RecorderPanel *logic_ = nullptr;
  QPointer<QLabel> status_;
  QPointer<QProgressBar> gauge_;
  QTreeWidgetItem *root_ = nullptr;
};

}  // namespace app
